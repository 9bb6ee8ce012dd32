# Reads the backend defaults file (packaging/backend-defaults.env): one
# KEY=VALUE a line, blank lines and '#' comments skipped. Sets
# <KEY>_DEFAULT in the caller for every key, and VOLLARIN_SERVER_DEFAULT_PORT
# from the port of VOLLARIN_BACKEND_URL, where the stand-in server listens.
# Anything else in the file, or a missing key, stops the configuration: the
# code has no defaults of its own to fall back on.
function(vollarin_read_backend_defaults path)
    if(NOT EXISTS "${path}")
        message(FATAL_ERROR "Backend defaults file not found: ${path}")
    endif()
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
    file(STRINGS "${path}" lines)
    set(seen "")
    foreach(line IN LISTS lines)
        if(line MATCHES "^[ \t]*(#.*)?$")
            continue()
        endif()
        if(NOT line MATCHES "^(VOLLARIN_BACKEND_URL|VOLLARIN_ANON_KEY|VOLLARIN_EMAIL_DOMAIN)=([^ \t\"']+)$")
            message(FATAL_ERROR "${path}: not a KEY=VALUE line of a known key: ${line}")
        endif()
        set(${CMAKE_MATCH_1}_DEFAULT "${CMAKE_MATCH_2}" PARENT_SCOPE)
        set(${CMAKE_MATCH_1}_DEFAULT "${CMAKE_MATCH_2}")
        list(APPEND seen ${CMAKE_MATCH_1})
    endforeach()
    foreach(key VOLLARIN_BACKEND_URL VOLLARIN_ANON_KEY VOLLARIN_EMAIL_DOMAIN)
        list(FIND seen ${key} found)
        if(found EQUAL -1)
            message(FATAL_ERROR "${path}: ${key} is missing")
        endif()
    endforeach()
    if(NOT VOLLARIN_BACKEND_URL_DEFAULT MATCHES "^https?://[^/:]+:([0-9]+)$")
        message(FATAL_ERROR "${path}: VOLLARIN_BACKEND_URL must name the stand-in "
                            "server's port (http://HOST:PORT)")
    endif()
    if(CMAKE_MATCH_1 LESS 1 OR CMAKE_MATCH_1 GREATER 65535)
        message(FATAL_ERROR "${path}: the port of VOLLARIN_BACKEND_URL is not 1 to 65535")
    endif()
    set(VOLLARIN_SERVER_DEFAULT_PORT "${CMAKE_MATCH_1}" PARENT_SCOPE)
endfunction()

# Checks cmake/BackendDefaults.cmake, the reader of the backend defaults file:
# cmake -DREADER=<path of BackendDefaults.cmake> -DWORK=<scratch dir> -P this
# With -DFILE=... it is the child that reads one file and prints what it got.
if(DEFINED FILE)
    include(${READER})
    vollarin_read_backend_defaults(${FILE})
    message("URL=${VOLLARIN_BACKEND_URL_DEFAULT}|KEY=${VOLLARIN_ANON_KEY_DEFAULT}"
            "|DOMAIN=${VOLLARIN_EMAIL_DOMAIN_DEFAULT}|PORT=${VOLLARIN_SERVER_DEFAULT_PORT}")
    return()
endif()

set(failures 0)
# read_case(<name> <file text> <expected exit: 0 or 1> <text the output must hold>)
function(read_case name text expect_failure wanted)
    set(path ${WORK}/${name}.env)
    file(WRITE ${path} "${text}")
    execute_process(COMMAND ${CMAKE_COMMAND} -DREADER=${READER} -DFILE=${path} -P ${CMAKE_CURRENT_LIST_FILE}
                    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(expect_failure)
        set(ok FALSE)
        if(NOT result EQUAL 0)
            set(ok TRUE)
        endif()
    else()
        set(ok FALSE)
        if(result EQUAL 0)
            set(ok TRUE)
        endif()
    endif()
    # CMake wraps long messages: compare with the white space folded.
    string(REGEX REPLACE "[ \t\n]+" " " out "${out}")
    string(FIND "${out}" "${wanted}" at)
    if(NOT ok OR at EQUAL -1)
        message(SEND_ERROR "${name}: exit ${result}, wanted \"${wanted}\" in:\n${out}")
    endif()
endfunction()

set(good "# a comment\n\nVOLLARIN_BACKEND_URL=http://127.0.0.1:5000\nVOLLARIN_ANON_KEY=a.b.c\nVOLLARIN_EMAIL_DOMAIN=players.test\n")
read_case(good "${good}" 0 "URL=http://127.0.0.1:5000|KEY=a.b.c|DOMAIN=players.test|PORT=5000")
read_case(later_line_wins "${good}VOLLARIN_EMAIL_DOMAIN=other.test\n" 0 "DOMAIN=other.test|")
read_case(missing_key "VOLLARIN_BACKEND_URL=http://127.0.0.1:5000\nVOLLARIN_ANON_KEY=k\n" 1
          "VOLLARIN_EMAIL_DOMAIN is missing")
read_case(unknown_key "${good}VOLLARIN_COLOUR=blue\n" 1 "not a KEY=VALUE line")
read_case(quoted_value "VOLLARIN_ANON_KEY=\"k\"\n${good}" 1 "not a KEY=VALUE line")
read_case(spaced "VOLLARIN_ANON_KEY = k\n${good}" 1 "not a KEY=VALUE line")
read_case(url_without_port
          "VOLLARIN_BACKEND_URL=https://scores.example.org\nVOLLARIN_ANON_KEY=k\nVOLLARIN_EMAIL_DOMAIN=d.test\n"
          1 "must name the stand-in")
read_case(port_out_of_range
          "VOLLARIN_BACKEND_URL=http://127.0.0.1:70000\nVOLLARIN_ANON_KEY=k\nVOLLARIN_EMAIL_DOMAIN=d.test\n"
          1 "the port of VOLLARIN_BACKEND_URL")
read_case(no_file_at_all "" 1 "VOLLARIN_BACKEND_URL is missing")

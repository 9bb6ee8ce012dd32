#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace backend {

#ifndef VOLLARIN_SERVER_DEFAULT_PORT
#error "VOLLARIN_SERVER_DEFAULT_PORT comes from packaging/backend-defaults.env through CMake"
#endif

// The stand-in's command line. Defaults make a server that the game's default
// build talks to without any configuration: its port is the one of the
// default backend URL (packaging/backend-defaults.env, given by CMake).
class ServerOptions {
public:
    static constexpr const char* DEFAULT_ADDRESS = "127.0.0.1";
    static constexpr int DEFAULT_PORT = VOLLARIN_SERVER_DEFAULT_PORT;
    static constexpr const char* DEMO_JWT_SECRET =
        "super-secret-jwt-token-with-at-least-32-characters-long";
    static constexpr std::size_t MIN_SECRET_LENGTH = 32;
    static constexpr std::size_t MAX_SECRET_FILE_BYTES = 4096;
    // The variable a secret may come from instead of the command line.
    static constexpr const char* SECRET_VARIABLE = "VOLLARIN_JWT_SECRET";
    static constexpr std::size_t DEFAULT_AUTH_RATE_LIMIT = 30;
    static constexpr int DEFAULT_AUTH_RATE_WINDOW_SECONDS = 300;
    static constexpr std::size_t DEFAULT_MAX_CONNECTIONS_PER_ADDRESS = 256;

    // Looks up an environment variable; nothing when it is not set.
    using Environment = std::function<std::optional<std::string>(const char* name)>;

    std::string address = DEFAULT_ADDRESS;
    int port = DEFAULT_PORT;  // 0: any free port
    std::string databasePath; // empty: the default location
    std::string jwtSecret = DEMO_JWT_SECRET;
    bool allowDemoSecret = false;
    std::size_t authRateLimit = DEFAULT_AUTH_RATE_LIMIT;
    int authRateWindowSeconds = DEFAULT_AUTH_RATE_WINDOW_SECONDS;
    std::size_t maxConnectionsPerAddress = DEFAULT_MAX_CONNECTIONS_PER_ADDRESS;
    bool fastHashing = false;
    bool quiet = false;
    bool showHelp = false;

    // Parses the arguments after the program name, taking the secret from
    // --jwt-secret, --jwt-secret-file or the environment, in that order. On
    // failure, error says what was wrong and the other fields are
    // unspecified.
    static ServerOptions parse(const std::vector<std::string>& arguments, std::string& error,
                               const Environment& environment = {});

    // "$HOME/.local/share/vollarin/backend.db"; empty when HOME is not set.
    static std::string defaultDatabasePath();

    // 127.0.0.0/8, ::1 (also as an IPv4-mapped address) and "localhost".
    static bool isLoopbackAddress(const std::string& address);

    static std::string usage();
};

} // namespace backend

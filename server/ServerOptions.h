#pragma once

#include <string>
#include <vector>

namespace backend {

// The stand-in's command line. Defaults make a server that the game's default
// build talks to without any configuration.
class ServerOptions {
public:
    static constexpr const char* DEFAULT_ADDRESS = "127.0.0.1";
    static constexpr int DEFAULT_PORT = 54321;
    static constexpr const char* DEMO_JWT_SECRET =
        "super-secret-jwt-token-with-at-least-32-characters-long";
    static constexpr std::size_t MIN_SECRET_LENGTH = 32;

    std::string address = DEFAULT_ADDRESS;
    int port = DEFAULT_PORT;
    std::string databasePath; // empty: the default location
    std::string jwtSecret = DEMO_JWT_SECRET;
    bool fastHashing = false;
    bool quiet = false;
    bool showHelp = false;

    // Parses the arguments after the program name. On failure, error says
    // what was wrong and the other fields are unspecified.
    static ServerOptions parse(const std::vector<std::string>& arguments, std::string& error);

    // "$HOME/.local/share/vollarin/backend.db"; empty when HOME is not set.
    static std::string defaultDatabasePath();

    static std::string usage();
};

} // namespace backend

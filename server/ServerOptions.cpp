#include "server/ServerOptions.h"

#include <cstdlib>

namespace backend {

namespace {

// Splits "--name=value" and "--name value" alike; advances index past what
// it consumed.
bool takeValue(const std::vector<std::string>& arguments, std::size_t& index,
               const std::string& name, std::string& value, std::string& error) {
    const std::string& argument = arguments[index];
    if (argument.size() > name.size() && argument.compare(0, name.size() + 1, name + "=") == 0) {
        value = argument.substr(name.size() + 1);
        return true;
    }
    if (index + 1 >= arguments.size()) {
        error = name + " needs a value";
        return false;
    }
    value = arguments[++index];
    return true;
}

bool matches(const std::string& argument, const std::string& name) {
    return argument == name || argument.compare(0, name.size() + 1, name + "=") == 0;
}

bool parsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    port = std::stoi(text);
    return port >= 1 && port <= 65535;
}

} // namespace

ServerOptions ServerOptions::parse(const std::vector<std::string>& arguments, std::string& error) {
    ServerOptions options;
    error.clear();
    for (std::size_t i = 0; i < arguments.size() && error.empty(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        if (argument == "--help" || argument == "-h") {
            options.showHelp = true;
        } else if (argument == "--insecure-fast-hashing") {
            options.fastHashing = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (matches(argument, "--address")) {
            if (takeValue(arguments, i, "--address", value, error)) {
                options.address = value;
                if (value.empty()) {
                    error = "--address needs a value";
                }
            }
        } else if (matches(argument, "--port")) {
            if (takeValue(arguments, i, "--port", value, error) &&
                !parsePort(value, options.port)) {
                error = "--port must be a number from 1 to 65535, not \"" + value + "\"";
            }
        } else if (matches(argument, "--db")) {
            if (takeValue(arguments, i, "--db", value, error)) {
                options.databasePath = value;
                if (value.empty()) {
                    error = "--db needs a value";
                }
            }
        } else if (matches(argument, "--jwt-secret")) {
            if (takeValue(arguments, i, "--jwt-secret", value, error)) {
                options.jwtSecret = value;
                if (value.size() < MIN_SECRET_LENGTH) {
                    error = "--jwt-secret must be at least 32 characters long";
                }
            }
        } else {
            error = "unknown option \"" + argument + "\"";
        }
    }
    if (error.empty() && options.databasePath.empty()) {
        options.databasePath = defaultDatabasePath();
        if (options.databasePath.empty()) {
            error = "HOME is not set; give the database with --db";
        }
    }
    return options;
}

std::string ServerOptions::defaultDatabasePath() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) {
        return {};
    }
    return std::string(home) + "/.local/share/vollarin/backend.db";
}

std::string ServerOptions::usage() {
    return "Usage: vollarin-server [options]\n"
           "Serves the game's accounts and online high scores on this machine.\n"
           "\n"
           "  --address ADDR          address to listen on (default 127.0.0.1)\n"
           "  --port N                port to listen on (default 54321)\n"
           "  --db PATH               SQLite database file\n"
           "                          (default ~/.local/share/vollarin/backend.db)\n"
           "  --jwt-secret SECRET     HS256 secret of tokens and API keys, 32+ characters\n"
           "                          (default: the local development demo secret)\n"
           "  --insecure-fast-hashing cheapest password hashes; for tests and load runs only\n"
           "  --quiet                 no line per request\n"
           "  --help                  show this text\n"
           "\n"
           "The API key accepted is any unexpired HS256 token signed with the secret whose\n"
           "role is \"anon\"; with the default secret that is the demo anon key the game\n"
           "is built with.\n";
}

} // namespace backend

#include "server/ServerOptions.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <fstream>
#include <netinet/in.h>

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

bool parseNumber(const std::string& text, long long maximum, long long& number) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos) {
        return false;
    }
    number = std::stoll(text);
    return number <= maximum;
}

// The secret in a file, without the line break an editor adds.
bool readSecretFile(const std::string& path, std::string& secret, std::string& error) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read the secret file \"" + path + "\"";
        return false;
    }
    secret.assign(ServerOptions::MAX_SECRET_FILE_BYTES + 1, '\0');
    file.read(secret.data(), static_cast<std::streamsize>(secret.size()));
    secret.resize(static_cast<std::size_t>(file.gcount()));
    if (secret.size() > ServerOptions::MAX_SECRET_FILE_BYTES) {
        error = "the secret file \"" + path + "\" is too large";
        return false;
    }
    while (!secret.empty() && (secret.back() == '\n' || secret.back() == '\r')) {
        secret.pop_back();
    }
    return true;
}

} // namespace

ServerOptions ServerOptions::parse(const std::vector<std::string>& arguments, std::string& error,
                                   const Environment& environment) {
    ServerOptions options;
    error.clear();
    std::optional<std::string> secretArgument;
    std::optional<std::string> secretFile;
    for (std::size_t i = 0; i < arguments.size() && error.empty(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        long long number = 0;
        if (argument == "--help" || argument == "-h") {
            options.showHelp = true;
        } else if (argument == "--insecure-fast-hashing") {
            options.fastHashing = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--allow-demo-secret") {
            options.allowDemoSecret = true;
        } else if (matches(argument, "--address")) {
            if (takeValue(arguments, i, "--address", value, error)) {
                options.address = value;
                if (value.empty()) {
                    error = "--address needs a value";
                }
            }
        } else if (matches(argument, "--port")) {
            if (takeValue(arguments, i, "--port", value, error)) {
                if (!parseNumber(value, 65535, number)) {
                    error = "--port must be a number from 0 to 65535, not \"" + value + "\"";
                }
                options.port = static_cast<int>(number);
            }
        } else if (matches(argument, "--db")) {
            if (takeValue(arguments, i, "--db", value, error)) {
                options.databasePath = value;
                if (value.empty()) {
                    error = "--db needs a value";
                }
            }
        } else if (matches(argument, "--jwt-secret-file")) {
            if (takeValue(arguments, i, "--jwt-secret-file", value, error)) {
                secretFile = value;
            }
        } else if (matches(argument, "--jwt-secret")) {
            if (takeValue(arguments, i, "--jwt-secret", value, error)) {
                secretArgument = value;
            }
        } else if (matches(argument, "--auth-rate-limit")) {
            if (takeValue(arguments, i, "--auth-rate-limit", value, error)) {
                if (!parseNumber(value, 1000000, number)) {
                    error = "--auth-rate-limit must be a number of requests, not \"" + value + "\"";
                }
                options.authRateLimit = static_cast<std::size_t>(number);
            }
        } else if (matches(argument, "--auth-rate-window")) {
            if (takeValue(arguments, i, "--auth-rate-window", value, error)) {
                if (!parseNumber(value, 86400, number) || number < 1) {
                    error = "--auth-rate-window must be 1 to 86400 seconds, not \"" + value + "\"";
                }
                options.authRateWindowSeconds = static_cast<int>(number);
            }
        } else if (matches(argument, "--max-connections-per-address")) {
            if (takeValue(arguments, i, "--max-connections-per-address", value, error)) {
                if (!parseNumber(value, 1000000, number)) {
                    error = "--max-connections-per-address must be a number of connections, "
                            "not \"" +
                            value + "\"";
                }
                options.maxConnectionsPerAddress = static_cast<std::size_t>(number);
            }
        } else {
            error = "unknown option \"" + argument + "\"";
        }
    }
    if (!error.empty() || options.showHelp) {
        return options;
    }

    if (secretArgument && secretFile) {
        error = "give the secret with --jwt-secret or --jwt-secret-file, not both";
        return options;
    }
    const auto fromEnvironment =
        environment ? environment(SECRET_VARIABLE) : std::optional<std::string>();
    std::string origin = "--jwt-secret";
    if (secretArgument) {
        options.jwtSecret = *secretArgument;
    } else if (secretFile) {
        origin = "the secret file";
        if (!readSecretFile(*secretFile, options.jwtSecret, error)) {
            return options;
        }
    } else if (fromEnvironment && !fromEnvironment->empty()) {
        origin = SECRET_VARIABLE;
        options.jwtSecret = *fromEnvironment;
    }
    if (options.jwtSecret.size() < MIN_SECRET_LENGTH) {
        error = "the secret from " + origin + " must be at least 32 characters long";
        return options;
    }
    if (options.jwtSecret == DEMO_JWT_SECRET && !options.allowDemoSecret &&
        !isLoopbackAddress(options.address)) {
        error = "refusing to listen on " + options.address +
                " with the public demo secret, with which anyone can sign tokens; give a secret "
                "of your own (--jwt-secret-file or " +
                SECRET_VARIABLE + "), or --allow-demo-secret for a test";
        return options;
    }
    if (options.databasePath.empty()) {
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

bool ServerOptions::isLoopbackAddress(const std::string& address) {
    if (address == "localhost") {
        return true;
    }
    in_addr v4{};
    if (inet_pton(AF_INET, address.c_str(), &v4) == 1) {
        return (ntohl(v4.s_addr) >> 24) == 127;
    }
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.c_str(), &v6) == 1) {
        if (IN6_IS_ADDR_LOOPBACK(&v6)) {
            return true;
        }
        return IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127;
    }
    return false;
}

std::string ServerOptions::usage() {
    return "Usage: vollarin-server [options]\n"
           "Serves the game's accounts and online high scores on this machine.\n"
           "\n"
           "  --address ADDR          address to listen on (default 127.0.0.1)\n"
           "  --port N                port to listen on (default " +
           std::to_string(DEFAULT_PORT) +
           "; 0: any free port)\n"
           "  --db PATH               SQLite database file, created readable by you only\n"
           "                          (default ~/.local/share/vollarin/backend.db)\n"
           "  --jwt-secret-file PATH  file holding the HS256 secret of tokens and API keys,\n"
           "                          32+ characters (or set VOLLARIN_JWT_SECRET)\n"
           "  --jwt-secret SECRET     the secret itself; visible to every local user in the\n"
           "                          process list, so prefer the file or the variable\n"
           "                          (default: the public local development demo secret)\n"
           "  --allow-demo-secret     serve a non-loopback address with the demo secret; for\n"
           "                          tests on a private network only\n"
           "  --auth-rate-limit N     sign-ups and sign-ins per client address and window\n"
           "                          (default 30; 0: no limit); refresh grants apart, alike\n"
           "  --auth-rate-window S    seconds in which that many are earned back (default 300)\n"
           "  --max-connections-per-address N\n"
           "                          connections one client address may hold (default " +
           std::to_string(DEFAULT_MAX_CONNECTIONS_PER_ADDRESS) +
           ";\n"
           "                          0: no limit); a proxy in front needs more\n"
           "  --insecure-fast-hashing cheapest password hashes; for tests and load runs only\n"
           "  --quiet                 no line per request\n"
           "  --help                  show this text\n"
           "\n"
           "The API key accepted is any unexpired HS256 token signed with the secret whose\n"
           "role is \"anon\"; with the default secret that is the demo anon key the game\n"
           "is built with.\n";
}

} // namespace backend

// vollarin-server: the stand-in for the game's hosted scores backend.

#include "core/QuietOutput.h"
#include "core/SimulationFingerprint.h"
#include "server/BackendServer.h"
#include "server/ServerOptions.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <thread>
#include <unistd.h>

namespace {

// The signal handler may only do async-signal-safe things: it writes one byte
// into this pipe and a watcher thread does the actual stopping.
int stopPipe[2] = {-1, -1};

extern "C" void requestStop(int) {
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const auto written = write(stopPipe[1], &byte, 1);
    errno = savedErrno;
}

bool installSignalHandlers() {
    if (pipe(stopPipe) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = requestStop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    std::signal(SIGPIPE, SIG_IGN);
    return sigaction(SIGINT, &action, nullptr) == 0 && sigaction(SIGTERM, &action, nullptr) == 0;
}

void waitForStopByte() {
    char byte = 0;
    while (read(stopPipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
}

std::string anonKeyFor(const backend::TokenService& tokens) {
    // Same claims as the demo key, so a build configured with this key works.
    return tokens.sign({{"iss", "supabase-demo"}, {"role", "anon"}, {"exp", 1983812996}});
}

int serve(const backend::ServerOptions& options) {
    // The server's own lines go to standard output through `out`; the game's
    // simulation, which plays replays here, narrates on std::cout, and that
    // goes nowhere.
    std::ostream out(std::cout.rdbuf());
    const QuietOutput quiet;
    // The simulation's fingerprint is computed once, here, rather than by
    // the first replay sent.
    SimulationFingerprint::ofThisBuild();
    std::string error;
    auto store = backend::Store::open(options.databasePath, error);
    if (!store) {
        std::cerr << "vollarin-server: " << error << std::endl;
        return 1;
    }
    const backend::PasswordHasher hasher(options.fastHashing
                                             ? backend::PasswordHasher::Cost::Minimal
                                             : backend::PasswordHasher::Cost::Interactive);
    const backend::TokenService tokens(options.jwtSecret);
    backend::BackendSettings settings;
    settings.authRateBurst = options.authRateLimit;
    settings.authRateWindow = std::chrono::seconds(options.authRateWindowSeconds);
    settings.http.maxConnectionsPerAddress = options.maxConnectionsPerAddress;
    backend::BackendServer server(*store, hasher, tokens, options.quiet ? nullptr : &out, settings);
    if (!server.bind(options.address, options.port)) {
        std::cerr << "vollarin-server: cannot listen on " << options.address << ":" << options.port
                  << std::endl;
        return 1;
    }
    if (!installSignalHandlers()) {
        std::cerr << "vollarin-server: cannot install signal handlers" << std::endl;
        return 1;
    }

    std::atomic<bool> finished{false};
    std::thread watcher([&] {
        waitForStopByte();
        // A signal may arrive before serving has begun; keep asking until the
        // serving loop has really ended.
        while (!finished) {
            server.stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    out << "vollarin-server: listening on " << server.baseUrl() << ", database "
        << options.databasePath << std::endl;
    if (options.jwtSecret != backend::ServerOptions::DEMO_JWT_SECRET) {
        out << "vollarin-server: anon key for this secret: " << anonKeyFor(tokens) << std::endl;
    }
    if (options.jwtSecret == backend::ServerOptions::DEMO_JWT_SECRET &&
        !backend::ServerOptions::isLoopbackAddress(options.address)) {
        out << "vollarin-server: warning: serving " << options.address
            << " with the public demo secret (--allow-demo-secret): for tests only" << std::endl;
    }
    if (options.fastHashing) {
        out << "vollarin-server: warning: fast password hashing, for tests only" << std::endl;
    }
    const bool served = server.run();
    finished = true;
    requestStop(0); // wakes the watcher when serving ended by itself
    watcher.join();
    out << "vollarin-server: stopped" << std::endl;
    return served ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = backend::ServerOptions::parse(
        std::vector<std::string>(argv + 1, argv + argc), error,
        [](const char* name) -> std::optional<std::string> {
            const char* value = std::getenv(name);
            return value ? std::optional<std::string>(value) : std::nullopt;
        });
    if (!error.empty()) {
        std::cerr << "vollarin-server: " << error << "\n\n" << backend::ServerOptions::usage();
        return 2;
    }
    if (options.showHelp) {
        std::cout << backend::ServerOptions::usage();
        return 0;
    }
    return serve(options);
}

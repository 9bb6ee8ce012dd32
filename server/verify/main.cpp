// vollarin-verify: verifies the replays a hosted scores project queued with
// its scores, and marks the scores they prove. Any number may run against
// one database.
//
//   vollarin-verify [--once] [--batch N] [--idle-seconds S]
//
// The database comes from the environment: VOLLARIN_VERIFY_DATABASE_URL
// (a libpq connection string or URI; empty: libpq's own PG* variables), and
// VOLLARIN_VERIFY_ROLE, the role to act as ("service_role" unless set;
// empty: the login's own). --once stops when the queue is empty.
#include "core/QuietOutput.h"
#include "server/verify/VerifyWorker.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::atomic<bool> stopping{false};

extern "C" void requestStop(int) {
    stopping = true;
}

std::string environment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value ? value : fallback;
}

} // namespace

int main(int argc, char** argv) {
    bool once = false;
    int batch = backend::VerifyWorker::DEFAULT_BATCH;
    int idleSeconds = 5;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option == "--once") {
            once = true;
        } else if ((option == "--batch" || option == "--idle-seconds") && i + 1 < argc) {
            const int value = std::atoi(argv[++i]);
            if (value < 1 || value > 1000) {
                std::cerr << "vollarin-verify: " << option << " takes 1 to 1000\n";
                return 2;
            }
            (option == "--batch" ? batch : idleSeconds) = value;
        } else {
            std::cerr << "usage: vollarin-verify [--once] [--batch N] [--idle-seconds S]\n";
            return 2;
        }
    }
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);

    // The worker's own lines go to standard output through `out`; the
    // game's simulation narrates on std::cout, and that goes nowhere.
    std::ostream out(std::cout.rdbuf());
    const QuietOutput quiet;

    char host[256] = "worker";
    gethostname(host, sizeof host - 1);
    const std::string name = std::string(host) + ":" + std::to_string(getpid());
    std::string error;
    auto worker =
        backend::VerifyWorker::connect(environment("VOLLARIN_VERIFY_DATABASE_URL", ""),
                                       environment("VOLLARIN_VERIFY_ROLE", "service_role"), name,
                                       backend::ReplayVerifier(), error);
    if (!worker) {
        std::cerr << "vollarin-verify: " << error << std::endl;
        return 1;
    }
    out << "vollarin-verify: " << name << " started" << std::endl;
    while (!stopping) {
        const auto counts = worker->runBatch(batch, error);
        if (!counts) {
            std::cerr << "vollarin-verify: " << error << std::endl;
            return 1;
        }
        if (counts->claimed > 0) {
            out << "vollarin-verify: " << counts->claimed << " claimed, " << counts->verified
                << " verified, " << counts->unverified << " unverified, " << counts->refused
                << " refused" << std::endl;
            continue;
        }
        if (once) {
            break;
        }
        for (int second = 0; second < idleSeconds && !stopping; ++second) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
        }
    }
    out << "vollarin-verify: stopped" << std::endl;
    return 0;
}

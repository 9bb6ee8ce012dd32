// Fills a stand-in database with players and scores for a load run, and
// writes a file of "user-id access-token" lines that the wrk scripts read.

#include "server/AuthService.h"
#include "server/Clock.h"
#include "server/ServerOptions.h"
#include "server/Uuid.h"

#include <fstream>
#include <iostream>
#include <random>

namespace {

struct SeedOptions {
    std::string databasePath;
    std::string tokensPath;
    int players = 10000;
    int levels = 7;
    int tokenCount = 2000;
};

bool parse(int argc, char** argv, SeedOptions& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const std::string value = argv[i + 1];
        if (name == "--db") {
            options.databasePath = value;
        } else if (name == "--tokens") {
            options.tokensPath = value;
        } else if (name == "--players") {
            options.players = std::stoi(value);
        } else if (name == "--levels") {
            options.levels = std::stoi(value);
        } else {
            return false;
        }
    }
    return !options.databasePath.empty() && !options.tokensPath.empty() && options.players > 0 &&
           options.levels > 0;
}

} // namespace

int main(int argc, char** argv) {
    SeedOptions options;
    if (!parse(argc, argv, options)) {
        std::cerr << "Usage: vollarin-server-seed --db PATH --tokens FILE [--players N] "
                     "[--levels N]\n";
        return 2;
    }
    std::string error;
    auto store = backend::Store::open(options.databasePath, error);
    if (!store) {
        std::cerr << error << std::endl;
        return 1;
    }
    const backend::PasswordHasher hasher(backend::PasswordHasher::Cost::Minimal);
    const backend::TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    backend::AuthService auth(*store, hasher, tokens);
    auth.setPublicUrl("http://127.0.0.1:54321");

    // One hash for everyone: the load run measures scores, not sign-ins.
    const std::string passwordHash = hasher.hash("bench-password");
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> scoreDistribution(0, 100000);
    std::ofstream tokenFile(options.tokensPath);
    const std::int64_t issuedAt = backend::Clock::nowSeconds();

    for (int player = 0; player < options.players; ++player) {
        backend::UserRecord user;
        user.id = backend::Uuid::generate();
        user.email = "bench" + std::to_string(player) + "@bench.invalid";
        user.passwordHash = passwordHash;
        user.userMetadata = {{"username", "bench" + std::to_string(player)}};
        user.createdAtMicros = backend::Clock::nowMicros();
        if (store->createUser(user, "bench" + std::to_string(player)) !=
            backend::CreateUserOutcome::Created) {
            std::cerr << "cannot add player " << player << " (database not empty?)" << std::endl;
            return 1;
        }
        for (int level = 0; level < options.levels; ++level) {
            store->storeScore(user.id, level, scoreDistribution(random),
                              backend::Clock::nowMicros());
        }
        if (player < options.tokenCount) {
            tokenFile << user.id << ' ' << auth.accessTokenFor(user, issuedAt) << '\n';
        }
    }
    std::cout << "seeded " << options.players << " players x " << options.levels
              << " levels = " << static_cast<long long>(options.players) * options.levels
              << " scores" << std::endl;
    return 0;
}

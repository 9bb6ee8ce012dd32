// Score reads are answered while sign-ins with real password hashes are
// flooded: the hashes run on a pool of their own. How long the reads take
// meanwhile is measured by benchmarks/server/SignInFloodBenchmark, not here:
// a shared machine makes any time limit a coin toss.

#include "TestBackend.h"

#include <atomic>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using servertest::DEMO_ANON_KEY;
using namespace std::chrono_literals;

namespace {

constexpr int SIGN_IN_CLIENTS = 30;
constexpr int READS = 200;
constexpr int READERS = 4;

TEST(LoadTest, HighScoreReadsAreAnsweredWhileSignInsAreFlooded) {
    servertest::TestBackendConfig config;
    config.hashingCost = backend::PasswordHasher::Cost::Interactive;
    servertest::TestBackend backend(config);
    {
        auto client = backend.client();
        const auto created = client.Post(
            "/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}},
            R"({"data":{"username":"ann"},"email":"ann@x.test","password":"right-password"})",
            "application/json");
        ASSERT_TRUE(created);
        ASSERT_EQ(created->status, 200);
    }

    std::atomic<bool> flooding{true};
    std::atomic<int> signInsAnswered{0};
    std::vector<std::thread> attackers;
    for (int i = 0; i < SIGN_IN_CLIENTS; ++i) {
        attackers.emplace_back([&] {
            auto client = backend.client();
            // Gives up after a while, as players do; the server drops what is
            // still queued when it stops. Long enough for the queue's first
            // hashes to come back on a machine busy with other work: a
            // client that gave up leaves its hash queued ahead of the next.
            client.set_read_timeout(5, 0);
            while (flooding) {
                const auto result = client.Post(
                    "/auth/v1/token?grant_type=password", {{"apikey", DEMO_ANON_KEY}},
                    R"({"email":"ann@x.test","password":"wrong-password"})", "application/json");
                if (result && result->status == 400) {
                    ++signInsAnswered;
                }
            }
        });
    }
    // Let the hashing queue fill up first.
    std::this_thread::sleep_for(300ms);

    std::atomic<int> answered{0};
    std::atomic<int> answeredDuringTheFlood{0};
    std::atomic<int> failures{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < READERS; ++r) {
        readers.emplace_back([&, r] {
            auto client = backend.client();
            for (int i = r; i < READS; i += READERS) {
                const int signInsBefore = signInsAnswered;
                const auto result = client.Post(
                    "/rest/v1/rpc/get_high_scores_for_level", {{"apikey", DEMO_ANON_KEY}},
                    R"({"p_level_id":)" + std::to_string(i % 7) + "}", "application/json");
                if (!result || result->status != 200) {
                    ++failures;
                    continue;
                }
                ++answered;
                // No sign-in was answered while this read waited: had reads
                // queued behind the hashes, at least one would have been.
                if (signInsAnswered == signInsBefore) {
                    ++answeredDuringTheFlood;
                }
                std::this_thread::sleep_for(30ms);
            }
        });
    }
    for (auto& reader : readers) {
        reader.join();
    }
    flooding = false;
    for (auto& attacker : attackers) {
        attacker.join();
    }

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(answered, READS);
    EXPECT_GT(answeredDuringTheFlood, 0) << "every read waited for a password hash";
    EXPECT_GT(signInsAnswered, 0) << "the flood was served too";
}

} // namespace

// Many players storing and reading scores at the same moment must neither
// lose a best score nor damage the database.

#include "TestBackend.h"

#include "server/RpcService.h"

#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <random>
#include <sqlite3.h>

using nlohmann::json;
using servertest::DEMO_ANON_KEY;

namespace {

constexpr int THREADS = 8;
constexpr int PLAYERS = 24;
constexpr int ROUNDS = 12;
constexpr int LEVEL = 5;

struct Player {
    std::string id;
    std::string token;
};

std::vector<Player> signUpPlayers(httplib::Client& client) {
    std::vector<Player> players;
    for (int i = 0; i < PLAYERS; ++i) {
        const std::string name = "racer" + std::to_string(i);
        const json body = {{"data", {{"username", name}}},
                           {"email", name + "@players.test"},
                           {"password", "secret-pass"}};
        auto result = client.Post("/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}}, body.dump(),
                                  "application/json");
        if (!result || result->status != 200) {
            return {};
        }
        const auto session = json::parse(result->body);
        players.push_back({session["user"]["id"], session["access_token"]});
    }
    return players;
}

TEST(ConcurrencyTest, SimultaneousStoresKeepEveryPlayersHighestScore) {
    // The file is checked directly while the server still has it open.
    servertest::TestBackend backend{servertest::sharingTheFile()};
    auto setupClient = backend.client();
    const auto players = signUpPlayers(setupClient);
    ASSERT_EQ(players.size(), static_cast<std::size_t>(PLAYERS));

    std::mutex resultsMutex;
    std::map<std::string, int> highestSent;
    int failures = 0;
    int badLists = 0;

    auto worker = [&](int threadIndex) {
        auto client = backend.client();
        std::mt19937 random(static_cast<unsigned>(threadIndex) * 7919u + 1u);
        std::uniform_int_distribution<int> scores(0, backend::RpcService::MAX_LEVEL_SCORE);
        std::map<std::string, int> mine;
        int myFailures = 0;
        int myBadLists = 0;
        for (int round = 0; round < ROUNDS; ++round) {
            // Every thread walks all players, so each player's row is written
            // by several threads at once.
            for (int offset = 0; offset < PLAYERS; ++offset) {
                const auto& player = players[(offset + threadIndex * 3) % PLAYERS];
                const int score = scores(random);
                const json args = {
                    {"p_level_id", LEVEL}, {"p_score", score}, {"p_user_id", player.id}};
                auto stored = client.Post(
                    "/rest/v1/rpc/upsert_user_score",
                    {{"apikey", DEMO_ANON_KEY}, {"Authorization", "Bearer " + player.token}},
                    args.dump(), "application/json");
                if (!stored || stored->status != 204) {
                    ++myFailures;
                    continue;
                }
                mine[player.id] = std::max(mine.count(player.id) ? mine[player.id] : score, score);
            }
            auto list =
                client.Post("/rest/v1/rpc/get_high_scores_for_level", {{"apikey", DEMO_ANON_KEY}},
                            R"({"p_level_id":5})", "application/json");
            const auto rows =
                list && list->status == 200 ? json::parse(list->body, nullptr, false) : json();
            if (!rows.is_array() || rows.size() > 10 ||
                !std::is_sorted(rows.begin(), rows.end(), [](const json& a, const json& b) {
                    return a["score"].get<int>() > b["score"].get<int>();
                })) {
                ++myBadLists;
            }
        }
        std::lock_guard lock(resultsMutex);
        failures += myFailures;
        badLists += myBadLists;
        for (const auto& [id, score] : mine) {
            highestSent[id] = std::max(highestSent.count(id) ? highestSent[id] : score, score);
        }
    };

    std::vector<std::thread> threads;
    for (int i = 0; i < THREADS; ++i) {
        threads.emplace_back(worker, i);
    }
    for (auto& thread : threads) {
        thread.join();
    }

    EXPECT_EQ(failures, 0);
    EXPECT_EQ(badLists, 0);
    ASSERT_EQ(highestSent.size(), static_cast<std::size_t>(PLAYERS));
    for (const auto& [id, highest] : highestSent) {
        const auto stored = backend.store->scoreOf(id, LEVEL);
        ASSERT_TRUE(stored.ok);
        EXPECT_EQ(stored.value, std::optional<int>(highest)) << id;
    }

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((backend.directory.path / "backend.db").c_str(), &db), SQLITE_OK);
    sqlite3_stmt* check = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(check), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)), "ok");
    sqlite3_finalize(check);
    sqlite3_close(db);
}

} // namespace

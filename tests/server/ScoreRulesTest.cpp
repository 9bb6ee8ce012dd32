// What a signed-in player may store: scores of levels the game has, within
// what a level can yield.

#include "TestBackend.h"

#include "server/RpcService.h"

#include <gtest/gtest.h>

namespace {

using namespace servertest;
using json = nlohmann::json;

class ScoreRulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto ann = backend.signUp("ann");
        userId = ann.userId;
        accessToken = ann.accessToken;
        ASSERT_FALSE(accessToken.empty());
    }

    httplib::Result store(const json& level, const json& score) {
        auto client = backend.client();
        return client.Post(
            "/rest/v1/rpc/upsert_user_score",
            {{"apikey", DEMO_ANON_KEY}, {"Authorization", "Bearer " + accessToken}},
            json{{"p_level_id", level}, {"p_score", score}, {"p_user_id", userId}}.dump(),
            "application/json");
    }

    TestBackend backend;
    std::string userId;
    std::string accessToken;
};

TEST_F(ScoreRulesTest, OnlyLevelsThatExistAndScoresALevelCanYieldAreStored) {
    using backend::RpcService;
    const int lastLevel = RpcService::LEVEL_COUNT - 1;
    for (const auto& [level, score] :
         std::vector<std::pair<json, json>>{{-1, 100},
                                            {RpcService::LEVEL_COUNT, 100},
                                            {2147483647, 100},
                                            {"-2147483648", 100},
                                            {0, -1},
                                            {0, RpcService::MAX_LEVEL_SCORE + 1},
                                            {lastLevel, 2147483647}}) {
        const auto refused = store(level, score);
        ASSERT_TRUE(refused);
        EXPECT_EQ(refused->status, 400) << level << " " << score << ": " << refused->body;
        EXPECT_EQ(json::parse(refused->body)["code"], "23514") << refused->body;
    }
    for (int level = 0; level <= lastLevel; ++level) {
        EXPECT_EQ(backend.store->scoreOf(userId, level).value, std::nullopt)
            << "a refused score left a row at level " << level;
    }

    // The bounds themselves are scores a player can reach.
    EXPECT_EQ(store(0, 0)->status, 204);
    EXPECT_EQ(store(lastLevel, RpcService::MAX_LEVEL_SCORE)->status, 204);
    EXPECT_EQ(backend.store->scoreOf(userId, lastLevel).value,
              std::optional<int>(RpcService::MAX_LEVEL_SCORE));
}

} // namespace

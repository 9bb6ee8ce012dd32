// The game's side of verified scores: the score goes with its replay, an
// older backend gets the design's store instead, and the lists carry (and
// can be narrowed to) the backend's verified mark.

#include "core/GameStateManager.h"
#include "core/Settings.h"
#include "online/Base64.h"
#include "online/ClientOutcomes.h"
#include "online/ScriptedServer.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string SESSION_ANN =
    R"({"access_token":"token-ann","token_type":"bearer","user":{"id":"id-ann","email":"ann@vollarin.io"}})";
const std::string SUBMIT = "/rest/v1/rpc/submit_score_replay";
const std::string UPSERT = "/rest/v1/rpc/upsert_user_score";
// Bytes no text encoding would keep as they are.
const std::string REPLAY("VRPL\x01\x00\xff\x80\n", 9);

class ScoreReplayClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
        server.answer("/auth/v1/token", 200, SESSION_ANN);
        client.signIn("ann", "secret1", [](const nlohmann::json&, const std::string&) {});
        ASSERT_TRUE(client.isSignedIn());
    }

    std::vector<std::string> targetsAfterSignIn() const {
        std::vector<std::string> targets;
        for (const auto& request : server.requests()) {
            targets.push_back(request.target);
        }
        return {targets.begin() + 2, targets.end()};
    }

    ScriptedServer server;
    SupabaseClient client{server.baseUrl(), "anon-key-for-tests"};
};

TEST_F(ScoreReplayClientTest, ReplayGoesWithTheScoreAndAnOlderBackendGetsThePlainStore) {
    server.answer(SUBMIT, 200, R"({"verified":true,"score":4200,"reason":""})");
    UpdateOutcome verified;
    client.submitScoreReplay(2, 4200, REPLAY, verified.callback());
    EXPECT_EQ(verified.calls, 1);
    EXPECT_TRUE(verified.success) << verified.error;
    const auto sent = nlohmann::json::parse(server.requests().back().body);
    EXPECT_EQ(sent["p_level_id"], 2);
    EXPECT_EQ(sent["p_score"], 4200);
    EXPECT_EQ(Base64::decode(sent["p_replay"].get<std::string>(), 64), REPLAY);
    EXPECT_EQ(server.requests().back().header("Authorization"), "Bearer token-ann");

    // A backend without the procedure: the design's store, and from then on
    // only that for the session.
    server.answer(SUBMIT, 404, R"({"code":"PGRST202","message":"Could not find the function"})");
    server.answer(UPSERT, 204, "");
    UpdateOutcome fellBack;
    client.submitScoreReplay(2, 4300, REPLAY, fellBack.callback());
    EXPECT_EQ(fellBack.calls, 1);
    EXPECT_TRUE(fellBack.success) << fellBack.error;
    UpdateOutcome later;
    client.submitScoreReplay(2, 4400, REPLAY, later.callback());
    EXPECT_TRUE(later.success);
    EXPECT_EQ(targetsAfterSignIn(), (std::vector<std::string>{SUBMIT, SUBMIT, UPSERT, UPSERT}));
    EXPECT_EQ(nlohmann::json::parse(server.requests().back().body)["p_score"], 4400);
}

TEST_F(ScoreReplayClientTest, RefusalsCarryTheBackendsReasonCleanedForTheLog) {
    const std::string longReason(1000, 'x');
    for (const auto& [body, expected] : std::vector<std::pair<std::string, std::string>>{
             {R"({"verified":false,"score":10,"reason":"the replay scores 10, not 50"})",
              "the replay scores 10, not 50"},
             {R"({"code":"PT422","message":"only a message"})", "only a message"},
             {R"({"reason":"line\nbreak"})", "line?break"},
             {R"({"reason":")" + longReason + R"("})",
              longReason.substr(0, SupabaseClient::MAX_REASON_LENGTH)},
             {R"({"reason":7})", "no reason given"},
             {"not json", "no reason given"}}) {
        server.answer(SUBMIT, 422, body);
        UpdateOutcome refused;
        client.submitScoreReplay(0, 50, REPLAY, refused.callback());
        EXPECT_EQ(refused.calls, 1);
        EXPECT_FALSE(refused.success);
        EXPECT_EQ(refused.error, SupabaseClient::SCORE_REFUSED + expected) << body;
    }
    server.answer(SUBMIT, 503, R"({"code":"53400"})");
    UpdateOutcome busy;
    client.submitScoreReplay(0, 50, REPLAY, busy.callback());
    EXPECT_EQ(busy.error, "Failed to update score");
    // None of these were taken for a missing procedure.
    for (const auto& target : targetsAfterSignIn()) {
        EXPECT_EQ(target, SUBMIT);
    }
}

TEST_F(ScoreReplayClientTest, ListsCarryTheVerifiedMarkAndCanShowOnlyThose) {
    server.answer(
        "/rest/v1/rpc/get_high_scores_for_level", 200,
        R"([{"username":"bob","score":900,"verified":true},)"
        R"({"username":"ann","score":800,"verified":false},{"username":"cy","score":700}])");
    std::vector<HighScore> scores;
    std::string error = "not called";
    client.getHighScoresForLevel(1, [&](const std::vector<HighScore>& s, const std::string& e) {
        scores = s;
        error = e;
    });
    ASSERT_EQ(error, "");
    ASSERT_EQ(scores.size(), 3u);
    EXPECT_TRUE(scores[0].verified);
    EXPECT_FALSE(scores[1].verified);
    EXPECT_FALSE(scores[2].verified); // an older backend says nothing
    const auto shown = GameStateManager::shownOnline(scores, true);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].name, "bob");
    EXPECT_EQ(GameStateManager::shownOnline(scores, false).size(), 3u);

    // A flag that is not a boolean is not a row of the list.
    server.answer("/rest/v1/rpc/get_high_scores_for_level", 200,
                  R"([{"username":"bob","score":900,"verified":"yes"}])");
    client.getHighScoresForLevel(1, [&](const std::vector<HighScore>& s, const std::string& e) {
        scores = s;
        error = e;
    });
    EXPECT_EQ(error, "JSON parse error");
    EXPECT_TRUE(scores.empty());
}

TEST(VerifiedOnlySetting, ReadFromTheFileAndWrittenOnlyWhenOn) {
    std::ostringstream warnings;
    EXPECT_TRUE(Settings::parse("verified_only = yes\n", "test", warnings).verifiedOnly);
    EXPECT_FALSE(Settings::parse("", "test", warnings).verifiedOnly);
    EXPECT_EQ(warnings.str(), "");
    EXPECT_FALSE(Settings::parse("verified_only = maybe\n", "test", warnings).verifiedOnly);
    EXPECT_NE(warnings.str().find("verified_only"), std::string::npos);

    Settings on;
    on.verifiedOnly = true;
    std::ostringstream quiet;
    EXPECT_EQ(Settings::parse(on.serialize(), "test", quiet), on);
    EXPECT_EQ(Settings().serialize().find("verified_only"), std::string::npos);
}

TEST(Base64, RoundTripsAnyBytesAndRefusesAnythingButCanonicalText) {
    for (std::size_t length = 0; length < 8; ++length) {
        const std::string bytes = REPLAY.substr(0, length);
        EXPECT_EQ(Base64::decode(Base64::encode(bytes), 64), bytes) << length;
    }
    EXPECT_EQ(Base64::encode("Man"), "TWFu");
    EXPECT_EQ(Base64::encode("Ma"), "TWE=");
    for (const char* bad : {"TWF", "TW=u", "T===", "TWE=TWFu", "TWF!", "TWF=" /* stray bits */}) {
        EXPECT_EQ(Base64::decode(bad, 64), std::nullopt) << bad;
    }
    // The size is checked before anything is decoded.
    EXPECT_EQ(Base64::decode("TWFuTWFu", 5), std::nullopt);
    EXPECT_EQ(Base64::decode("TWFuTWFu", 6), "ManMan");
}

} // namespace

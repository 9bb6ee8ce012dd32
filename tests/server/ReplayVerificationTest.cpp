// Scores sent with the replay that earned them: the server plays the replay
// and stores the score as verified only when it wins the shipped level with
// exactly that score.

#include "GenuineReplays.h"
#include "TestBackend.h"

#include "core/Replay.h"
#include "core/ReplayPlayer.h"
#include "level/ShippedLevels.h"
#include "online/Base64.h"
#include "server/ReplayVerifier.h"
#include "server/Store.h"
#include "server/Uuid.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>

namespace {

using namespace servertest;
using json = nlohmann::json;

class ReplayVerificationTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto ann = backend.signUp("ann");
        userId = ann.userId;
        accessToken = ann.accessToken;
        ASSERT_FALSE(accessToken.empty());
    }

    httplib::Result submit(int levelId, int score, const std::string& replayBytes,
                           const std::string& token) {
        auto client = backend.client();
        client.set_read_timeout(120, 0);
        return client.Post("/rest/v1/rpc/submit_score_replay",
                           {{"apikey", DEMO_ANON_KEY}, {"Authorization", "Bearer " + token}},
                           json{{"p_level_id", levelId},
                                {"p_score", score},
                                {"p_replay", Base64::encode(replayBytes)}}
                               .dump(),
                           "application/json");
    }
    httplib::Result submit(int levelId, int score, const Replay& replay) {
        return submit(levelId, score, replay.encode(), accessToken);
    }

    json listed(int levelId) {
        auto client = backend.client();
        const auto answer =
            client.Post("/rest/v1/rpc/get_high_scores_for_level", {{"apikey", DEMO_ANON_KEY}},
                        json{{"p_level_id", levelId}}.dump(), "application/json");
        EXPECT_TRUE(answer && answer->status == 200);
        return answer ? json::parse(answer->body) : json();
    }

    TestBackend backend;
    std::string userId;
    std::string accessToken;
};

TEST_F(ReplayVerificationTest, GenuineReplayOfTheClaimedScoreIsStoredAsVerified) {
    const Recording& recording = genuine();
    ASSERT_GT(recording.score, 0);

    const auto answer = submit(0, recording.score, recording.replay);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const json body = json::parse(answer->body);
    EXPECT_EQ(body["verified"], true);
    EXPECT_EQ(body["score"], recording.score);
    EXPECT_EQ(body["reason"], "");

    const json rows = listed(0);
    ASSERT_EQ(rows.size(), 1u) << rows;
    EXPECT_EQ(rows[0]["username"], "ann");
    EXPECT_EQ(rows[0]["score"], recording.score);
    EXPECT_EQ(rows[0]["verified"], true);

    // Only a signed-in player may send one.
    const auto anonymous = submit(0, recording.score, recording.replay.encode(), DEMO_ANON_KEY);
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->status, 401) << anonymous->body;
}

TEST_F(ReplayVerificationTest, ReplaysThatDoNotRecomputeToTheClaimAreRefusedAndNothingIsStored) {
    const Recording& recording = genuine();

    // One pull point moved by a pixel: the first such change that alters
    // the outcome (some pixels do not change what falls).
    std::optional<Replay> doctored;
    for (std::size_t i = 0; i < recording.replay.inputs.size() && !doctored; ++i) {
        if (recording.replay.inputs[i].kind != ReplayInput::Kind::Pull) {
            continue;
        }
        Replay moved = recording.replay;
        moved.inputs[i].point.y += 1.0f;
        if (replayOn(moved, ShippedLevels::path(1)).score != recording.score) {
            doctored = moved;
        }
    }
    ASSERT_TRUE(doctored) << "no single-pixel change of a pull alters the score";

    // Level 2's own replay sent for level 1, and as if recorded on level 1.
    const Recording levelTwo = recordWinning(2);
    Replay relabelled = levelTwo.replay;
    relabelled.levelNumber = 1;

    // The same inputs played on a level 1 with a block taken away.
    TemporaryDirectory directory;
    const auto modifiedPath = (directory.path / "level1.txt").string();
    {
        std::ifstream in(ShippedLevels::path(1));
        std::ostringstream text;
        text << in.rdbuf();
        std::string content = text.str();
        const std::string removed = "BLOCK TALL_WOOD 880 540 40 40\n";
        ASSERT_NE(content.find(removed), std::string::npos);
        content.erase(content.find(removed), removed.size());
        std::ofstream(modifiedPath) << content;
    }
    const Recording modified = replayOn(recording.replay, modifiedPath);

    // Inputs to the format's last step with nothing that ends the attempt.
    Replay endless = recording.replay;
    endless.inputs = {{ReplayInput::Kind::Pull, Replay::MAX_STEP - 1, {0.0f, 0.0f}}};

    // More pull points than the server plays (still within the format).
    Replay oversized = recording.replay;
    oversized.inputs.assign(3000, {ReplayInput::Kind::Pull, 0, {10.0f, 10.0f}});

    struct Case {
        const char* name;
        int levelId;
        int claim;
        std::string bytes;
        const char* reasonHas;
    };
    const std::vector<Case> cases = {
        {"forged score", 0, recording.score + 500, recording.replay.encode(), "scores"},
        {"doctored replay", 0, recording.score, doctored->encode(), "scores"},
        {"another level's replay", 0, levelTwo.score, levelTwo.replay.encode(), "level 2"},
        {"another level as this one", 0, levelTwo.score, relabelled.encode(), "another version"},
        {"modified level", 0, modified.score, modified.replay.encode(), "another version"},
        {"endless replay", 0, 0, endless.encode(), "steps"},
        {"oversized replay", 0, 0, oversized.encode(), "larger"},
        {"not a replay", 0, recording.score, "VRPL but not really", "cannot be read"},
    };
    for (const Case& refused : cases) {
        SCOPED_TRACE(refused.name);
        const auto answer = submit(refused.levelId, refused.claim, refused.bytes, accessToken);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 422) << answer->body;
        const json body = json::parse(answer->body);
        EXPECT_EQ(body["verified"], false);
        const std::string reason = body.value("reason", std::string());
        EXPECT_NE(reason.find(refused.reasonHas), std::string::npos) << body;
        EXPECT_EQ(body.value("message", std::string()), reason);
        EXPECT_EQ(backend.store->scoreOf(userId, refused.levelId).value, std::nullopt);
    }
    // The forged claim is answered with what the replay really scores.
    const auto forged = submit(0, recording.score + 500, recording.replay);
    ASSERT_TRUE(forged);
    EXPECT_EQ(json::parse(forged->body)["score"], recording.score);
    EXPECT_TRUE(listed(0).empty());
}

TEST_F(ReplayVerificationTest, AnotherBuildsReplayIsStoredUnverifiedWithTheReason) {
    Replay foreign = genuine().replay;
    foreign.fingerprint ^= 1;
    const int claim = genuine().score + 1000; // unprovable either way

    const auto answer = submit(0, claim, foreign);
    ASSERT_TRUE(answer);
    ASSERT_EQ(answer->status, 200) << answer->body;
    const json body = json::parse(answer->body);
    EXPECT_EQ(body["verified"], false);
    EXPECT_EQ(body["score"], claim);
    EXPECT_NE(body.value("reason", std::string()).find("fingerprint"), std::string::npos) << body;
    const json rows = listed(0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0]["score"], claim);
    EXPECT_EQ(rows[0]["verified"], false);

    // A lower verified score does not displace it, an equal one would mark it.
    ASSERT_EQ(submit(0, genuine().score, genuine().replay)->status, 200);
    EXPECT_EQ(listed(0)[0]["verified"], false);
    EXPECT_EQ(listed(0)[0]["score"], claim);
}

TEST(ReplayVerifiedStore, FlagFollowsTheBestScoreAndOldFilesGainIt) {
    TemporaryDirectory directory;
    const auto path = directory.path / "old.db";
    const std::string userId = backend::Uuid::generate();
    {
        // A file of the layout before the flag, with a score in it.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        const std::string sql =
            "CREATE TABLE users (id TEXT PRIMARY KEY, email TEXT NOT NULL UNIQUE, password_hash "
            "TEXT NOT NULL, user_metadata TEXT NOT NULL DEFAULT '{}', created_at INTEGER NOT NULL, "
            "last_sign_in_at INTEGER);"
            "CREATE TABLE profiles (id TEXT PRIMARY KEY REFERENCES users (id) ON DELETE CASCADE, "
            "username TEXT NOT NULL UNIQUE COLLATE NOCASE);"
            "CREATE TABLE scores (id INTEGER PRIMARY KEY, user_id TEXT NOT NULL REFERENCES "
            "profiles (id) ON DELETE CASCADE, level_id INTEGER NOT NULL, score INTEGER NOT NULL, "
            "reached_at INTEGER NOT NULL, UNIQUE (user_id, level_id));"
            "PRAGMA user_version = 2;"
            "INSERT INTO users (id, email, password_hash, created_at) VALUES ('" +
            userId +
            "', 'ann@x.test', 'h', 1);"
            "INSERT INTO profiles VALUES ('" +
            userId +
            "', 'ann');"
            "INSERT INTO scores (user_id, level_id, score, reached_at) VALUES ('" +
            userId + "', 0, 700, 1);";
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    std::string error;
    auto store = backend::Store::open(path.string(), error);
    ASSERT_TRUE(store) << error;
    const auto top = [&] { return store->topScores(0, 10).value.at(0); };
    EXPECT_EQ(top().score, 700);
    EXPECT_FALSE(top().verified);

    using backend::StoreScoreOutcome;
    // An equal score proven later marks the row.
    ASSERT_EQ(store->storeScore(userId, 0, 700, 2, true), StoreScoreOutcome::Written);
    EXPECT_TRUE(top().verified);
    // A lower unproven one changes nothing, a higher unproven one takes the
    // row and its flag.
    ASSERT_EQ(store->storeScore(userId, 0, 600, 3, false), StoreScoreOutcome::Written);
    EXPECT_TRUE(top().verified);
    ASSERT_EQ(store->storeScore(userId, 0, 800, 4, false), StoreScoreOutcome::Written);
    EXPECT_EQ(top().score, 800);
    EXPECT_FALSE(top().verified);
    // Proving the same score again does not unmark or re-date it.
    ASSERT_EQ(store->storeScore(userId, 0, 800, 5, true), StoreScoreOutcome::Written);
    ASSERT_EQ(store->storeScore(userId, 0, 800, 6, false), StoreScoreOutcome::Written);
    EXPECT_TRUE(top().verified);
}

} // namespace

// The game's own backend client against the stand-in: what a player does,
// from sign-up to the high-score list.

#ifdef VOLLARIN_HAS_GAME_CLIENT

#include "TestBackend.h"

#include "online/SupabaseClient.h"

#include <gtest/gtest.h>

namespace {

struct AuthOutcome {
    nlohmann::json answer;
    std::string error;
    int calls = 0;
};

SupabaseClient::AuthCallback recordInto(AuthOutcome& outcome) {
    return [&outcome](const nlohmann::json& answer, const std::string& error) {
        outcome.answer = answer;
        outcome.error = error;
        ++outcome.calls;
    };
}

TEST(GameClientEndToEndTest, SignUpSignOutSignInStoreAndFetch) {
    servertest::TestBackend backend;
    SupabaseClient client(backend.baseUrl(), servertest::DEMO_ANON_KEY);

    AuthOutcome signUp;
    client.signUp("Wren", "feathers1", recordInto(signUp));
    ASSERT_EQ(signUp.calls, 1);
    ASSERT_EQ(signUp.error, "");
    const std::string userId = client.getUserId();
    EXPECT_FALSE(userId.empty());

    client.signOut();
    bool stored = true;
    std::string storeError;
    client.upsertUserScore(0, 10, [&](bool ok, const std::string& error) {
        stored = ok;
        storeError = error;
    });
    EXPECT_FALSE(stored);
    EXPECT_EQ(storeError, "User not logged in");

    AuthOutcome wrong;
    client.signIn("wren", "not-the-password", recordInto(wrong));
    EXPECT_NE(wrong.error.find("Authentication failed: "), std::string::npos) << wrong.error;
    EXPECT_NE(wrong.error.find("invalid_credentials"), std::string::npos) << wrong.error;

    AuthOutcome signIn;
    client.signIn("wREN", "feathers1", recordInto(signIn));
    ASSERT_EQ(signIn.error, "");
    EXPECT_EQ(client.getUserId(), userId);

    for (int score : {1200, 800}) {
        client.upsertUserScore(0, score, [&](bool ok, const std::string& error) {
            stored = ok;
            storeError = error;
        });
        EXPECT_TRUE(stored) << storeError;
    }

    std::vector<HighScore> list;
    std::string fetchError = "not called";
    client.getHighScoresForLevel(
        0, [&](const std::vector<HighScore>& scores, const std::string& error) {
            list = scores;
            fetchError = error;
        });
    ASSERT_EQ(fetchError, "");
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].name, "Wren");
    EXPECT_EQ(list[0].score, 1200);

    client.getHighScoresForLevel(
        6, [&](const std::vector<HighScore>& scores, const std::string& error) {
            list = scores;
            fetchError = error;
        });
    EXPECT_EQ(fetchError, "");
    EXPECT_TRUE(list.empty());
}

TEST(GameClientEndToEndTest, SigningInWithAnUnknownNameFailsCleanly) {
    servertest::TestBackend backend;
    SupabaseClient client(backend.baseUrl(), servertest::DEMO_ANON_KEY);
    AuthOutcome outcome;
    client.signIn("ghost", "whatever1", recordInto(outcome));
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_NE(outcome.error, "");
    EXPECT_FALSE(client.isSignedIn());
}

} // namespace

#endif

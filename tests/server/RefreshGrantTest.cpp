// The refresh-token grant: a refresh token buys one new session, then is
// used up; a used one presented again ends the session.

#include "TestBackend.h"

#include "server/Clock.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sqlite3.h>

using nlohmann::json;
using servertest::DEMO_ANON_KEY;

namespace {

class RefreshGrantTest : public ::testing::Test {
protected:
    httplib::Result post(const std::string& path, const json& body) {
        return client.Post(path.c_str(), {{"apikey", DEMO_ANON_KEY}}, body.dump(),
                           "application/json");
    }

    json signUp() {
        auto result = post("/auth/v1/signup", {{"data", {{"username", "ann"}}},
                                               {"email", "ann@x.test"},
                                               {"password", "secret-pass"}});
        EXPECT_TRUE(result && result->status == 200);
        return json::parse(result->body);
    }

    httplib::Result refresh(const json& token) {
        return post("/auth/v1/token?grant_type=refresh_token", {{"refresh_token", token}});
    }

    json claimsOf(const json& session) {
        const auto verification =
            backend.tokens.verify(session["access_token"], backend::Clock::nowSeconds());
        EXPECT_EQ(verification.verdict, backend::TokenService::Verdict::Valid);
        return verification.claims;
    }

    static void expectRefused(const httplib::Result& result, const char* errorCode,
                              const char* message) {
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, 400) << result->body;
        EXPECT_EQ(json::parse(result->body),
                  json({{"code", 400}, {"error_code", errorCode}, {"msg", message}}));
    }

    // The file is checked directly while the server still has it open, and
    // every reuse of a token counts as a copy, however soon (the grace for
    // two screens refreshing at once is tried with a clock of its own).
    static servertest::TestBackendConfig config() {
        auto config = servertest::sharingTheFile();
        config.settings.refreshReuseInterval = std::chrono::seconds(0);
        return config;
    }
    servertest::TestBackend backend{config()};
    httplib::Client client = backend.client();
};

TEST_F(RefreshGrantTest, ARefreshTokenBuysANewSessionOfTheSameUser) {
    const auto first = signUp();
    const auto result = refresh(first["refresh_token"]);
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const auto renewed = json::parse(result->body);

    for (const char* key :
         {"access_token", "token_type", "expires_in", "expires_at", "refresh_token", "user"}) {
        EXPECT_TRUE(renewed.contains(key)) << key;
    }
    EXPECT_EQ(renewed["token_type"], "bearer");
    EXPECT_NE(renewed["refresh_token"], first["refresh_token"]);
    EXPECT_GE(renewed["refresh_token"].get<std::string>().size(), 40u);
    EXPECT_EQ(renewed["user"]["id"], first["user"]["id"]);
    EXPECT_EQ(renewed["user"]["user_metadata"], json({{"username", "ann"}}));
    const auto before = claimsOf(first);
    const auto after = claimsOf(renewed);
    EXPECT_EQ(after["sub"], before["sub"]);
    EXPECT_EQ(after["session_id"], before["session_id"]);
    EXPECT_EQ(after["amr"], before["amr"]);

    // The new access token stores scores.
    const auto stored = client.Post(
        "/rest/v1/rpc/upsert_user_score",
        {{"apikey", DEMO_ANON_KEY},
         {"Authorization", "Bearer " + renewed["access_token"].get<std::string>()}},
        json{{"p_level_id", 1}, {"p_score", 10}, {"p_user_id", renewed["user"]["id"]}}.dump(),
        "application/json");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, 204) << stored->body;
}

TEST_F(RefreshGrantTest, ATokenIsUsedUpAndReusingItEndsTheSession) {
    const auto first = signUp();
    const auto second = json::parse(refresh(first["refresh_token"])->body);
    const auto third = json::parse(refresh(second["refresh_token"])->body);
    ASSERT_TRUE(third.contains("refresh_token"));

    expectRefused(refresh(first["refresh_token"]), "refresh_token_already_used",
                  "Invalid Refresh Token: Already Used");
    // Someone held a copy: the newest token of that session is no good now.
    expectRefused(refresh(third["refresh_token"]), "refresh_token_already_used",
                  "Invalid Refresh Token: Already Used");

    // A password sign-in starts a session of its own.
    const auto signedIn = post("/auth/v1/token?grant_type=password",
                               {{"email", "ann@x.test"}, {"password", "secret-pass"}});
    ASSERT_EQ(signedIn->status, 200);
    const auto fresh = json::parse(signedIn->body);
    EXPECT_NE(claimsOf(fresh)["session_id"], claimsOf(first)["session_id"]);
    EXPECT_EQ(refresh(fresh["refresh_token"])->status, 200);
}

TEST_F(RefreshGrantTest, UnknownAndMissingTokensAreRefused) {
    signUp();
    expectRefused(refresh("not-a-token-of-ours"), "refresh_token_not_found",
                  "Invalid Refresh Token: Refresh Token Not Found");
    expectRefused(refresh(std::string(5000, 'r')), "refresh_token_not_found",
                  "Invalid Refresh Token: Refresh Token Not Found");
    const auto missing = post("/auth/v1/token?grant_type=refresh_token", json::object());
    ASSERT_TRUE(missing);
    EXPECT_EQ(missing->status, 400);
    EXPECT_EQ(json::parse(missing->body)["error_code"], "validation_failed");
    EXPECT_EQ(refresh(42)->status, 400);
}

TEST_F(RefreshGrantTest, TokensAreStoredOnlyAsHashes) {
    const auto session = signUp();
    const std::string token = session["refresh_token"];
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(backend.databasePath.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* rows = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT token_hash FROM refresh_tokens", -1, &rows, nullptr),
              SQLITE_OK);
    int count = 0;
    while (sqlite3_step(rows) == SQLITE_ROW) {
        const std::string stored = reinterpret_cast<const char*>(sqlite3_column_text(rows, 0));
        EXPECT_EQ(stored.find(token), std::string::npos);
        EXPECT_EQ(stored.size(), 64u);
        ++count;
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    EXPECT_EQ(count, 1);
}

} // namespace

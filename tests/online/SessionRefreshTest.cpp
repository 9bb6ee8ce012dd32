#include "online/ScriptedServer.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// The client's side of staying signed in: what a session's expiry is taken
// from, the refresh grant it sends, and what each kind of answer leaves.

namespace {

const std::string ANON_KEY = "anon-key-for-tests";

AuthSession keptSession(std::int64_t expiresAt) {
    return {"old-access", "old-refresh", expiresAt, "id-ann", "ann"};
}

std::string renewedAnswer(const std::string& extra = R"("expires_in":3600,)") {
    return R"({"access_token":"new-access",)" + extra +
           R"("refresh_token":"new-refresh","user":{"id":"id-ann","email":"ann@vollarin.io"}})";
}

class SessionRefresh : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.isListening());
        client.setSessionListener([this] { ++sessionChanges; });
    }

    // Refreshes and returns the error text given to the callback.
    std::string refresh() {
        int calls = 0;
        std::string error = "not called";
        client.refreshSession([&](const nlohmann::json&, const std::string& e) {
            ++calls;
            error = e;
        });
        EXPECT_EQ(calls, 1);
        return error;
    }

    ScriptedServer server;
    SupabaseClient client{server.baseUrl(), ANON_KEY};
    int sessionChanges = 0;
};

TEST_F(SessionRefresh, TheRefreshGrantRenewsTheSessionWithARotatedToken) {
    server.answer("/auth/v1/token", 200, renewedAnswer());
    const std::int64_t now = SupabaseClient::nowSeconds();
    client.restoreSession(keptSession(now - 10));
    EXPECT_TRUE(client.isSignedIn());
    EXPECT_TRUE(client.sessionNeedsRefresh(now));
    EXPECT_TRUE(server.requests().empty()) << "restoring sends nothing";

    EXPECT_EQ(refresh(), "");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, "/auth/v1/token?grant_type=refresh_token");
    EXPECT_EQ(requests[0].body, R"({"refresh_token":"old-refresh"})");
    EXPECT_EQ(requests[0].header("apikey"), ANON_KEY);

    const AuthSession renewed = client.currentSession();
    EXPECT_EQ(renewed.accessToken, "new-access");
    EXPECT_EQ(renewed.refreshToken, "new-refresh");
    EXPECT_EQ(renewed.username, "ann") << "the name stays the one signed in with";
    EXPECT_NEAR(static_cast<double>(renewed.expiresAt), static_cast<double>(now + 3600), 5.0);
    EXPECT_FALSE(client.sessionNeedsRefresh(SupabaseClient::nowSeconds()));
    EXPECT_EQ(sessionChanges, 1);
}

TEST_F(SessionRefresh, ARefusedRefreshSignsOutAndAnythingElseKeepsTheSession) {
    const std::int64_t expired = SupabaseClient::nowSeconds() - 10;
    struct Case {
        int status;
        std::string body;
        const char* error; // start of the callback's error
    };
    const Case kept[] = {
        {500, "oops", "Authentication failed: oops"},
        {429, R"({"msg":"slow down"})", "Authentication failed: "},
        {200, "not json", "JSON parse error"},
        {200, R"({"access_token":"x"})", "JSON parse error"},
    };
    for (const Case& c : kept) {
        SCOPED_TRACE(c.status);
        server.answer("/auth/v1/token", c.status, c.body);
        client.restoreSession(keptSession(expired));
        EXPECT_EQ(refresh().rfind(c.error, 0), 0u);
        EXPECT_EQ(client.currentSession(), keptSession(expired));
    }
    EXPECT_EQ(sessionChanges, 0);

    SupabaseClient offline("http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort()),
                           ANON_KEY);
    offline.restoreSession(keptSession(expired));
    std::string error;
    offline.refreshSession([&](const nlohmann::json&, const std::string& e) { error = e; });
    EXPECT_EQ(error, "Network error");
    EXPECT_EQ(offline.currentSession(), keptSession(expired)) << "kept for a later try";

    const std::string refusal =
        R"({"code":400,"error_code":"refresh_token_already_used","msg":"Invalid Refresh Token: Already Used"})";
    server.answer("/auth/v1/token", 400, refusal);
    client.restoreSession(keptSession(expired));
    EXPECT_EQ(refresh(), SupabaseClient::SESSION_ENDED + refusal);
    EXPECT_FALSE(client.isSignedIn());
    EXPECT_EQ(client.currentSession(), AuthSession());
    EXPECT_EQ(sessionChanges, 1);

    // Signed out, there is nothing to renew and nothing is sent.
    const std::size_t sent = server.requests().size();
    EXPECT_EQ(refresh(), "No session to renew");
    EXPECT_EQ(server.requests().size(), sent);
}

TEST_F(SessionRefresh, TheExpiryComesFromTheAnswersLifetimeAndIsNeverBelievedBlindly) {
    const std::int64_t now = SupabaseClient::nowSeconds();
    const std::string later = std::to_string(now + 1800);
    const struct {
        std::string fields;
        std::int64_t expected;
    } cases[] = {
        {R"("expires_in":600,"expires_at":1,)", now + 600},
        {R"("expires_at":)" + later + ",", now + 1800},
        {R"("expires_in":-5,)", now + SupabaseClient::DEFAULT_TOKEN_SECONDS},
        {R"("expires_in":99999999999,)", now + SupabaseClient::DEFAULT_TOKEN_SECONDS},
        {R"("expires_in":"3600",)", now + SupabaseClient::DEFAULT_TOKEN_SECONDS},
        {R"("expires_at":1,)", now + SupabaseClient::DEFAULT_TOKEN_SECONDS},
        {"", now + SupabaseClient::DEFAULT_TOKEN_SECONDS},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fields);
        server.answer("/auth/v1/signup", 200, renewedAnswer(c.fields));
        client.signUp("ann", "secret1", nullptr);
        ASSERT_TRUE(client.isSignedIn());
        EXPECT_NEAR(static_cast<double>(client.currentSession().expiresAt),
                    static_cast<double>(c.expected), 5.0);
        EXPECT_EQ(client.currentSession().username, "ann");
        EXPECT_EQ(client.currentSession().refreshToken, "new-refresh");
    }
    client.signOut();
    EXPECT_EQ(client.currentSession(), AuthSession());
}

TEST_F(SessionRefresh, AScoreIsStoredWithATokenRenewedJustBefore) {
    server.answer("/auth/v1/token", 200, renewedAnswer());
    server.answer("/rest/v1/rpc/upsert_user_score", 204, "");
    client.restoreSession(keptSession(SupabaseClient::nowSeconds() + 30));
    bool stored = false;
    client.upsertUserScore(3, 900, [&](bool ok, const std::string&) { stored = ok; });
    EXPECT_TRUE(stored);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/auth/v1/token?grant_type=refresh_token");
    EXPECT_EQ(requests[1].target, "/rest/v1/rpc/upsert_user_score");
    EXPECT_EQ(requests[1].header("Authorization"), "Bearer new-access");
    EXPECT_EQ(sessionChanges, 1);
}

TEST_F(SessionRefresh, AScoreRefusedAfterARefusedRenewalReportsTheSignOut) {
    server.answer("/auth/v1/token", 400, R"({"error_code":"refresh_token_not_found"})");
    client.restoreSession(keptSession(SupabaseClient::nowSeconds() - 1));
    std::string error;
    client.upsertUserScore(3, 900, [&](bool, const std::string& e) { error = e; });
    EXPECT_EQ(error, "User not logged in");
    ASSERT_EQ(server.requests().size(), 1u) << "no score request without a session";
    EXPECT_EQ(sessionChanges, 1);
}

} // namespace

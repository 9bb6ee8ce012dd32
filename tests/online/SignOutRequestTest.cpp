// Signing out ends the session on the service too, so that its refresh
// tokens, wherever they were copied, sign no one in afterwards.

#include "online/SupabaseClient.h"

#include "online/ScriptedServer.h"

#include <gtest/gtest.h>

namespace {

const std::string SESSION =
    R"({"access_token":"token-ann","token_type":"bearer","expires_in":3600,)"
    R"("refresh_token":"refresh-ann","user":{"id":"id-ann","email":"ann@vollarin.io"}})";

TEST(SignOutRequest, RevokingSendsTheSessionsTokenToTheLogoutRouteOnce) {
    ScriptedServer server;
    ASSERT_TRUE(server.isListening());
    server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
    server.answer("/auth/v1/token", 200, SESSION);
    server.answer("/auth/v1/logout", 204, "");
    SupabaseClient client(server.baseUrl(), "anon-key");

    client.revokeSession();
    EXPECT_TRUE(server.requests().empty()) << "nothing to revoke when signed out";

    client.signIn("ann", "secret-pass", [](const nlohmann::json&, const std::string&) {});
    ASSERT_TRUE(client.isSignedIn());
    client.revokeSession();
    client.signOut();

    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 3u) << "the address, the sign-in, the logout";
    const auto& logout = requests.back();
    EXPECT_EQ(logout.method, "POST");
    EXPECT_EQ(logout.target, "/auth/v1/logout?scope=local");
    EXPECT_EQ(logout.header("Authorization"), "Bearer token-ann");
    EXPECT_EQ(logout.header("apikey"), "anon-key");
    EXPECT_FALSE(client.isSignedIn());
}

TEST(SignOutRequest, ARefusedLogoutIsSaidOnStandardError) {
    ScriptedServer server;
    ASSERT_TRUE(server.isListening());
    server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
    server.answer("/auth/v1/token", 200, SESSION);
    server.answer("/auth/v1/logout", 401, R"({"code":401,"error_code":"bad_jwt","msg":"x"})");
    SupabaseClient client(server.baseUrl(), "anon-key");
    client.signIn("ann", "secret-pass", [](const nlohmann::json&, const std::string&) {});
    testing::internal::CaptureStderr();
    client.revokeSession();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("401"), std::string::npos) << said;
    client.signOut();
    EXPECT_FALSE(client.isSignedIn());
}

} // namespace

#include "online/SupabaseClient.h"
#include "online/ClientOutcomes.h"
#include "online/ScriptedServer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

const std::string ANON_KEY = "anon-key-for-tests";
const std::string SESSION_ANN =
    R"({"access_token":"token-ann","token_type":"bearer","user":{"id":"id-ann","email":"ann@vollarin.io"}})";
const std::string SESSION_BOB =
    R"({"access_token":"token-bob","user":{"id":"id-bob","email":"bob@vollarin.io"}})";

class SupabaseClientTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.isListening()); }

    void signInAsAnn() {
        server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann@vollarin.io")");
        server.answer("/auth/v1/token", 200, SESSION_ANN);
        AuthOutcome outcome;
        client.signIn("ann", "secret1", outcome.callback());
        ASSERT_EQ(outcome.error, "");
        ASSERT_TRUE(client.isSignedIn());
    }

    ScriptedServer server;
    SupabaseClient client{server.baseUrl(), ANON_KEY};
};

} // namespace

TEST_F(SupabaseClientTest, SignUpSendsNameAsMetadataWithoutAuthorization) {
    server.answer("/auth/v1/signup", 200, SESSION_ANN);
    AuthOutcome outcome;
    client.signUp("ann", "secret1", outcome.callback());

    ASSERT_EQ(server.requests().size(), 1u);
    const ScriptedServer::Request request = server.requests()[0];
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/auth/v1/signup");
    EXPECT_EQ(request.body,
              R"({"data":{"username":"ann"},"email":"ann@vollarin.io","password":"secret1"})");
    EXPECT_EQ(request.header("apikey"), ANON_KEY);
    EXPECT_FALSE(request.hasHeader("Authorization"));
    EXPECT_EQ(request.headerCount("Content-Type"), 1u);
    EXPECT_EQ(request.header("Content-Type"), "application/json");

    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(outcome.value.at("access_token"), "token-ann");
    EXPECT_TRUE(client.isSignedIn());
    EXPECT_EQ(client.getAccessToken(), "token-ann");
    EXPECT_EQ(client.getUserId(), "id-ann");
    EXPECT_EQ(client.getEmail(), "ann@vollarin.io");
}

TEST_F(SupabaseClientTest, SignInLooksUpTheAddressThenSignsInWithIt) {
    server.answer("/rest/v1/rpc/get_email_by_username", 200, R"("ann.x@vollarin.io")");
    server.answer("/auth/v1/token", 200, SESSION_ANN);
    AuthOutcome outcome;
    client.signIn("ann", "pa\"ss", outcome.callback());

    const std::vector<ScriptedServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].target, "/rest/v1/rpc/get_email_by_username");
    EXPECT_EQ(requests[0].body, R"({"p_username":"ann"})");
    EXPECT_EQ(requests[1].method, "POST");
    EXPECT_EQ(requests[1].target, "/auth/v1/token?grant_type=password");
    EXPECT_EQ(requests[1].body, R"({"email":"ann.x@vollarin.io","password":"pa\"ss"})");
    for (const ScriptedServer::Request& request : requests) {
        EXPECT_EQ(request.header("apikey"), ANON_KEY);
        EXPECT_EQ(request.header("Authorization"), "Bearer " + ANON_KEY);
        EXPECT_EQ(request.headerCount("Content-Type"), 1u);
        EXPECT_EQ(request.header("Content-Type"), "application/json");
    }
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error, "");
    EXPECT_EQ(client.getUserId(), "id-ann");
}

TEST_F(SupabaseClientTest, TextStaysUtf8AndInvalidBytesDoNotThrow) {
    server.answer("/auth/v1/signup", 200, SESSION_ANN);
    AuthOutcome valid;
    client.signUp("zo\xc3\xab", "p\xe2\x82\xac", valid.callback());
    AuthOutcome invalid;
    client.signUp("a\xff", "secret1", invalid.callback());

    const std::vector<ScriptedServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].body, "{\"data\":{\"username\":\"zo\xc3\xab\"},\"email\":\"zo\xc3\xab"
                                "@vollarin.io\",\"password\":\"p\xe2\x82\xac\"}");
    EXPECT_NE(requests[1].body.find("a\xef\xbf\xbd"), std::string::npos);
    EXPECT_EQ(valid.calls, 1);
    EXPECT_EQ(invalid.calls, 1);
}

TEST_F(SupabaseClientTest, FetchSendsNoAuthorizationEvenWhenSignedIn) {
    signInAsAnn();
    server.answer("/rest/v1/rpc/get_high_scores_for_level", 200,
                  R"([{"username":"bob","score":900,"rank":1},{"username":"ann","score":12.9},)"
                  R"({"username":"cy","score":-3.7},{"username":"dee","score":true}])");
    ScoresOutcome outcome;
    client.getHighScoresForLevel(3, outcome.callback());

    const ScriptedServer::Request request = server.requests().back();
    EXPECT_EQ(request.target, "/rest/v1/rpc/get_high_scores_for_level");
    EXPECT_EQ(request.body, R"({"p_level_id":3})");
    EXPECT_EQ(request.header("apikey"), ANON_KEY);
    EXPECT_FALSE(request.hasHeader("Authorization"));
    EXPECT_EQ(request.header("Content-Type"), "application/json");

    EXPECT_EQ(outcome.calls, 1);
    EXPECT_EQ(outcome.error, "");
    ASSERT_EQ(outcome.scores.size(), 4u);
    EXPECT_EQ(outcome.scores[0].name, "bob");
    EXPECT_EQ(outcome.scores[0].score, 900);
    EXPECT_EQ(outcome.scores[1].name, "ann");
    EXPECT_EQ(outcome.scores[1].score, 12);
    EXPECT_EQ(outcome.scores[2].score, -3);
    EXPECT_EQ(outcome.scores[3].score, 1);
}

TEST_F(SupabaseClientTest, StoreSendsTheUsersTokenAndSucceedsOnlyOn204) {
    signInAsAnn();
    server.answer("/rest/v1/rpc/upsert_user_score", 204, "");
    UpdateOutcome stored;
    client.upsertUserScore(2, 4200, stored.callback());

    const ScriptedServer::Request request = server.requests().back();
    EXPECT_EQ(request.target, "/rest/v1/rpc/upsert_user_score");
    EXPECT_EQ(request.body, R"({"p_level_id":2,"p_score":4200,"p_user_id":"id-ann"})");
    EXPECT_EQ(request.header("apikey"), ANON_KEY);
    EXPECT_EQ(request.header("Authorization"), "Bearer token-ann");
    EXPECT_EQ(request.headerCount("Content-Type"), 1u);
    EXPECT_EQ(stored.calls, 1);
    EXPECT_TRUE(stored.success);
    EXPECT_EQ(stored.error, "");

    server.answer("/rest/v1/rpc/upsert_user_score", 200, "null");
    UpdateOutcome answered200;
    client.upsertUserScore(2, 4300, answered200.callback());
    EXPECT_EQ(answered200.calls, 1);
    EXPECT_FALSE(answered200.success);
    EXPECT_EQ(answered200.error, "Failed to update score");

    server.answer("/rest/v1/rpc/upsert_user_score", 401, R"({"code":"PGRST301"})");
    UpdateOutcome refused;
    client.upsertUserScore(2, 4400, refused.callback());
    EXPECT_EQ(refused.error, "Failed to update score");
}

TEST_F(SupabaseClientTest, StoreWithoutSessionSendsNothing) {
    UpdateOutcome outcome;
    client.upsertUserScore(0, 100, outcome.callback());
    EXPECT_EQ(outcome.calls, 1);
    EXPECT_FALSE(outcome.success);
    EXPECT_EQ(outcome.error, "User not logged in");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(SupabaseClientTest, NothingIsSentAtConstructionAndAnyPathOfTheBaseUrlIsDropped) {
    SupabaseClient withPath(server.baseUrl() + "/ignored/path", ANON_KEY);
    EXPECT_TRUE(server.requests().empty());
    EXPECT_FALSE(withPath.isSignedIn());
    EXPECT_FALSE(withPath.isUsingHttps());

    ScoresOutcome outcome;
    withPath.getHighScoresForLevel(0, outcome.callback());
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(server.requests()[0].target, "/rest/v1/rpc/get_high_scores_for_level");

    const SupabaseClient secure("https://example.invalid:8443", ANON_KEY);
    EXPECT_TRUE(secure.isUsingHttps());
}

TEST_F(SupabaseClientTest, AuthenticatedRequestNeedsSessionAndAnUpperCaseMethod) {
    EXPECT_FALSE(client.makeAuthenticatedRequest("GET", "/rest/v1/anything", ""));
    EXPECT_TRUE(server.requests().empty());

    signInAsAnn();
    const std::size_t before = server.requests().size();
    EXPECT_FALSE(client.makeAuthenticatedRequest("post", "/rest/v1/anything", "{}"));
    EXPECT_FALSE(client.makeAuthenticatedRequest("PATCH", "/rest/v1/anything", "{}"));
    EXPECT_EQ(server.requests().size(), before);

    server.answer("/rest/v1/things", 200, "[]");
    const httplib::Result got = client.makeAuthenticatedRequest("GET", "/rest/v1/things", "");
    ASSERT_TRUE(got);
    EXPECT_EQ(got->status, 200);
    EXPECT_EQ(got->body, "[]");
    const httplib::Result put = client.makeAuthenticatedRequest("PUT", "/rest/v1/things", "{}");
    ASSERT_TRUE(put);
    const httplib::Result removed =
        client.makeAuthenticatedRequest("DELETE", "/rest/v1/things", "");
    ASSERT_TRUE(removed);

    const std::vector<ScriptedServer::Request> requests = server.requests();
    ASSERT_EQ(requests.size(), before + 3);
    EXPECT_EQ(requests[before].method, "GET");
    EXPECT_EQ(requests[before + 1].method, "PUT");
    EXPECT_EQ(requests[before + 1].body, "{}");
    EXPECT_EQ(requests[before + 2].method, "DELETE");
    for (std::size_t i = before; i < requests.size(); ++i) {
        EXPECT_EQ(requests[i].header("Authorization"), "Bearer token-ann");
        EXPECT_EQ(requests[i].headerCount("Content-Type"), 1u);
    }
}

TEST_F(SupabaseClientTest, SignOutForgetsTheSessionAndSaysSo) {
    signInAsAnn();
    testing::internal::CaptureStdout();
    client.signOut();
    client.signOut();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "User signed out locally.\nUser signed out locally.\n");
    EXPECT_FALSE(client.isSignedIn());
    EXPECT_EQ(client.getAccessToken(), "");
    EXPECT_EQ(client.getUserId(), "");
    EXPECT_EQ(client.getEmail(), "");
}

// The failure rows: each reports its own text, exactly once.

TEST(SupabaseClientOfflineTest, NoServerGivesEachOperationItsOwnText) {
    const int port = ScriptedServer::unusedPort();
    ASSERT_GT(port, 0);
    SupabaseClient client("http://127.0.0.1:" + std::to_string(port), ANON_KEY);
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();

    AuthOutcome signUp;
    client.signUp("ann", "hunter22", signUp.callback());
    AuthOutcome signIn;
    client.signIn("ann", "hunter22", signIn.callback());
    ScoresOutcome fetch;
    client.getHighScoresForLevel(1, fetch.callback());

    const std::string log =
        testing::internal::GetCapturedStderr() + testing::internal::GetCapturedStdout();
    EXPECT_EQ(signUp.calls, 1);
    EXPECT_EQ(signUp.error, "Network error");
    EXPECT_TRUE(signUp.value.is_null());
    EXPECT_EQ(signIn.calls, 1);
    EXPECT_EQ(signIn.error, "Network error") << "no answer is not an unknown name";
    EXPECT_EQ(fetch.calls, 1);
    EXPECT_EQ(fetch.error, "Network error");
    EXPECT_TRUE(fetch.scores.empty());
    EXPECT_EQ(log.find("hunter22"), std::string::npos);
    EXPECT_FALSE(client.isSignedIn());
}

TEST_F(SupabaseClientTest, AuthenticationFailuresAreReportedWithTheServiceAnswer) {
    const std::string refusal =
        R"({"code":400,"error_code":"invalid_credentials","msg":"Invalid login credentials"})";
    server.answer("/rest/v1/rpc/get_email_by_username", 200, "null");
    server.answer("/auth/v1/token", 400, refusal);
    AuthOutcome nullAddress;
    client.signIn("nobody", "secret1", nullAddress.callback());
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(server.requests()[1].body, R"({"email":"null","password":"secret1"})");
    EXPECT_EQ(nullAddress.calls, 1);
    EXPECT_EQ(nullAddress.error, "Authentication failed: " + refusal);
    EXPECT_TRUE(nullAddress.value.is_null());

    server.answer("/rest/v1/rpc/get_email_by_username", 404, R"({"code":"PGRST202"})");
    AuthOutcome lookupRefused;
    client.signIn("ann", "secret1", lookupRefused.callback());
    EXPECT_EQ(lookupRefused.error, "Username not found");
    EXPECT_EQ(server.requests().size(), 3u);

    server.answer("/auth/v1/signup", 422, R"({"code":422,"error_code":"weak_password"})");
    AuthOutcome weak;
    client.signUp("ann", "123", weak.callback());
    EXPECT_EQ(weak.calls, 1);
    EXPECT_EQ(weak.error, R"(Authentication failed: {"code":422,"error_code":"weak_password"})");
    EXPECT_FALSE(client.isSignedIn());
}

TEST_F(SupabaseClientTest, UnreadableSessionAnswersLeaveTheSessionAsItWas) {
    server.answer("/auth/v1/signup", 200,
                  R"({"id":"id-new","email":"new@vollarin.io","user":{"id":"id-new"}})");
    AuthOutcome awaitingConfirmation;
    client.signUp("new", "secret1", awaitingConfirmation.callback());
    EXPECT_EQ(awaitingConfirmation.calls, 1);
    EXPECT_EQ(awaitingConfirmation.error, "JSON parse error");
    EXPECT_TRUE(awaitingConfirmation.value.is_null());
    EXPECT_FALSE(client.isSignedIn());

    for (const char* body : {"not json", "[1,2]", R"({"access_token":7,"user":{}})"}) {
        server.answer("/auth/v1/signup", 200, body);
        AuthOutcome outcome;
        client.signUp("new", "secret1", outcome.callback());
        EXPECT_EQ(outcome.error, "JSON parse error") << body;
        EXPECT_EQ(outcome.calls, 1);
    }

    // A token without its user must not be paired with the previous user's id.
    signInAsAnn();
    server.answer("/auth/v1/token", 200, R"({"access_token":"token-bob"})");
    AuthOutcome halfSession;
    client.signIn("bob", "secret1", halfSession.callback());
    EXPECT_EQ(halfSession.error, "JSON parse error");
    EXPECT_EQ(client.getAccessToken(), "token-ann");
    EXPECT_EQ(client.getUserId(), "id-ann");

    server.answer("/auth/v1/token", 200, SESSION_BOB);
    AuthOutcome bob;
    client.signIn("bob", "secret1", bob.callback());
    EXPECT_EQ(client.getAccessToken(), "token-bob");
    EXPECT_EQ(client.getUserId(), "id-bob");
}

TEST_F(SupabaseClientTest, FetchFailuresDiscardTheWholeAnswer) {
    const std::string path = "/rest/v1/rpc/get_high_scores_for_level";
    server.answer(path, 404, R"({"code":"PGRST202"})");
    ScoresOutcome notFound;
    client.getHighScoresForLevel(9, notFound.callback());
    EXPECT_EQ(notFound.calls, 1);
    EXPECT_EQ(notFound.error, "Server error: 404");
    EXPECT_TRUE(notFound.scores.empty());

    server.answer(path, 200, "[]");
    ScoresOutcome empty;
    client.getHighScoresForLevel(0, empty.callback());
    EXPECT_EQ(empty.calls, 1);
    EXPECT_EQ(empty.error, "");
    EXPECT_TRUE(empty.scores.empty());

    for (const char* body :
         {R"([{"username":"ann","score":5},{"score":7}])", R"([{"username":"ann","score":"5"}])",
          R"([{"username":3,"score":5}])", R"([{"username":"ann","score":5},4])",
          R"({"username":"ann"})", "null", "[{"}) {
        server.answer(path, 200, body);
        ScoresOutcome outcome;
        client.getHighScoresForLevel(0, outcome.callback());
        EXPECT_EQ(outcome.calls, 1) << body;
        EXPECT_EQ(outcome.error, "JSON parse error") << body;
        EXPECT_TRUE(outcome.scores.empty()) << body;
    }
}

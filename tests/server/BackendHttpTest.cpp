// The stand-in answers every request of the game the way the hosted service
// does, checked through real HTTP on loopback.

#include "TestBackend.h"

#include "server/Clock.h"
#include "server/Uuid.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using nlohmann::json;
using servertest::DEMO_ANON_KEY;
using servertest::expectAuthError;

namespace {

class BackendHttpTest : public ::testing::Test {
protected:
    static std::string emailOf(const std::string& username) { return username + "@players.test"; }

    httplib::Result post(const std::string& path, const std::string& body,
                         httplib::Headers headers = {{"apikey", DEMO_ANON_KEY}}) {
        return http.Post(path.c_str(), headers, body, "application/json");
    }

    // Like the game: the API key always, a bearer token only when signed in.
    httplib::Result rpc(const std::string& name, const json& args, const std::string& bearer = "") {
        httplib::Headers headers{{"apikey", DEMO_ANON_KEY}};
        if (!bearer.empty()) {
            headers.emplace("Authorization", "Bearer " + bearer);
        }
        return post("/rest/v1/rpc/" + name, args.dump(), headers);
    }

    httplib::Result signUpRequest(const std::string& username, const std::string& password,
                                  const std::string& email) {
        const json body = {
            {"data", {{"username", username}}}, {"email", email}, {"password", password}};
        return post("/auth/v1/signup", body.dump());
    }

    json signUp(const std::string& username, const std::string& password = "secret-pass") {
        auto result = signUpRequest(username, password, emailOf(username));
        EXPECT_TRUE(result);
        EXPECT_EQ(result->status, 200) << result->body;
        return json::parse(result->body);
    }

    httplib::Result signIn(const std::string& email, const std::string& password) {
        return post("/auth/v1/token?grant_type=password",
                    json{{"email", email}, {"password", password}}.dump());
    }

    httplib::Result store(const json& session, int level, int score) {
        return rpc(
            "upsert_user_score",
            {{"p_level_id", level}, {"p_score", score}, {"p_user_id", session["user"]["id"]}},
            session["access_token"].get<std::string>());
    }

    json highScores(int level) {
        auto result = rpc("get_high_scores_for_level", {{"p_level_id", level}});
        EXPECT_TRUE(result);
        EXPECT_EQ(result->status, 200);
        return json::parse(result->body);
    }

    json userClaims(const std::string& userId, std::int64_t issuedAt) {
        return {{"sub", userId},
                {"role", "authenticated"},
                {"aud", "authenticated"},
                {"iat", issuedAt},
                {"exp", issuedAt + 3600}};
    }

    static void expectRpcError(const httplib::Result& result, int status, const char* code) {
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, status) << result->body;
        const auto body = json::parse(result->body, nullptr, false);
        ASSERT_TRUE(body.is_object()) << result->body;
        EXPECT_EQ(body["code"], code);
        EXPECT_TRUE(body.contains("message"));
        EXPECT_TRUE(body.contains("details"));
        EXPECT_TRUE(body.contains("hint"));
    }

    servertest::TestBackend backend;
    httplib::Client http = backend.client();
};

TEST_F(BackendHttpTest, GatewayRefusesRequestsWithoutAProjectKey) {
    for (const char* path : {"/auth/v1/signup", "/rest/v1/rpc/get_high_scores_for_level"}) {
        auto missing = post(path, R"({"p_level_id":0})", {});
        ASSERT_TRUE(missing);
        EXPECT_EQ(missing->status, 401);
        EXPECT_EQ(json::parse(missing->body), json({{"message", "No API key found in request"}}));
    }

    const backend::TokenService otherProject("another-secret-that-is-at-least-32-characters");
    const std::string signedElsewhere = otherProject.sign({{"role", "anon"}});
    const std::string userToken =
        backend.tokens.sign(userClaims(backend::Uuid::generate(), backend::Clock::nowSeconds()));
    for (const std::string& key : {std::string("not-a-key"), signedElsewhere, userToken}) {
        auto invalid = post("/rest/v1/rpc/get_high_scores_for_level", R"({"p_level_id":0})",
                            {{"apikey", key}});
        ASSERT_TRUE(invalid);
        EXPECT_EQ(invalid->status, 401) << key;
        EXPECT_EQ(json::parse(invalid->body), json({{"message", "Invalid API key"}}));
    }
}

TEST_F(BackendHttpTest, HealthAnswersWithTheKey) {
    auto result = http.Get("/auth/v1/health", {{"apikey", DEMO_ANON_KEY}});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, 200);
}

TEST_F(BackendHttpTest, SignUpAnswersWithASessionForTheNewUser) {
    auto result = signUpRequest("ann", "secret-pass", "Ann@Players.TEST");
    ASSERT_TRUE(result);
    ASSERT_EQ(result->status, 200) << result->body;
    const auto session = json::parse(result->body);

    EXPECT_EQ(session["token_type"], "bearer");
    EXPECT_EQ(session["expires_in"], 3600);
    EXPECT_TRUE(session["refresh_token"].is_string());
    const auto& user = session["user"];
    EXPECT_TRUE(backend::Uuid::normalise(user["id"].get<std::string>()));
    EXPECT_EQ(user["email"], "ann@players.test");
    EXPECT_EQ(user["aud"], "authenticated");
    EXPECT_EQ(user["role"], "authenticated");
    EXPECT_EQ(user["user_metadata"], json({{"username", "ann"}}));
    EXPECT_EQ(user["app_metadata"]["provider"], "email");
    EXPECT_EQ(user["is_anonymous"], false);

    const auto token = backend.tokens.verify(session["access_token"], backend::Clock::nowSeconds());
    ASSERT_EQ(token.verdict, backend::TokenService::Verdict::Valid);
    EXPECT_EQ(token.claims["sub"], user["id"]);
    EXPECT_EQ(token.claims["role"], "authenticated");
    EXPECT_EQ(token.claims["iss"], backend.baseUrl() + "/auth/v1");
    EXPECT_EQ(token.claims["exp"].get<std::int64_t>() - token.claims["iat"].get<std::int64_t>(),
              3600);
    EXPECT_EQ(session["expires_at"], token.claims["exp"]);
}

TEST_F(BackendHttpTest, SignUpRefusalsMatchTheAuthenticationService) {
    signUp("ann");

    expectAuthError(signUpRequest("ann2", "secret-pass", "ANN@players.test"), 422,
                    "user_already_exists");

    auto takenName = signUpRequest("ANN", "secret-pass", emailOf("other"));
    expectAuthError(takenName, 500, "unexpected_failure");
    EXPECT_EQ(json::parse(takenName->body)["msg"], "Database error saving new user");
    // The refused sign-up left nothing behind: its address is still free.
    signUp("other");

    auto weak = signUpRequest("bob", "12345", emailOf("bob"));
    expectAuthError(weak, 422, "weak_password");
    EXPECT_EQ(json::parse(weak->body)["weak_password"]["reasons"], json::array({"length"}));
    EXPECT_EQ(json::parse(weak->body)["msg"], "Password should be at least 6 characters.");
    signUp("bob", "123456");

    expectAuthError(post("/auth/v1/signup", R"({"password":"secret-pass"})"), 400,
                    "validation_failed");
    expectAuthError(signUpRequest("cid", "", emailOf("cid")), 400, "validation_failed");
    expectAuthError(
        post("/auth/v1/signup", R"({"email":"dan@players.test","password":"secret-pass"})"), 500,
        "unexpected_failure");
    expectAuthError(post("/auth/v1/signup", "{not json"), 400, "bad_json");
}

TEST_F(BackendHttpTest, SignInChecksThePasswordWithoutRevealingWhichPartWasWrong) {
    const auto session = signUp("ann", "right-password");

    auto good = signIn("ANN@players.test", "right-password");
    ASSERT_TRUE(good);
    ASSERT_EQ(good->status, 200) << good->body;
    const auto signedIn = json::parse(good->body);
    EXPECT_EQ(signedIn["user"]["id"], session["user"]["id"]);
    EXPECT_EQ(signedIn["user"]["email"], "ann@players.test");

    auto wrongPassword = signIn("ann@players.test", "wrong-password");
    auto unknownUser = signIn("nobody@players.test", "right-password");
    expectAuthError(wrongPassword, 400, "invalid_credentials");
    expectAuthError(unknownUser, 400, "invalid_credentials");
    EXPECT_EQ(wrongPassword->body, unknownUser->body);
    EXPECT_EQ(json::parse(wrongPassword->body)["msg"], "Invalid login credentials");

    for (const char* path : {"/auth/v1/token?grant_type=refresh_token", "/auth/v1/token"}) {
        expectAuthError(
            post(path, json{{"email", "ann@players.test"}, {"password", "right-password"}}.dump()),
            400, "validation_failed");
    }
}

TEST_F(BackendHttpTest, UsernameLookupIgnoresCaseAndAnswersNullForStrangers) {
    signUp("Ann");

    auto unknown = rpc("get_email_by_username", {{"p_username", "nobody"}});
    ASSERT_TRUE(unknown);
    EXPECT_EQ(unknown->status, 200);
    EXPECT_EQ(unknown->body, "null");

    auto found = rpc("get_email_by_username", {{"p_username", "aNN"}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->status, 200);
    EXPECT_EQ(found->body, "\"ann@players.test\"");
}

TEST_F(BackendHttpTest, StoringKeepsOnlyEachPlayersBestScore) {
    EXPECT_EQ(highScores(3), json::array());
    const auto ann = signUp("ann");

    auto stored = store(ann, 3, 700);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->status, 204);
    EXPECT_TRUE(stored->body.empty());
    EXPECT_EQ(highScores(3), json::parse(R"([{"username":"ann","score":700,"verified":false}])"));

    ASSERT_EQ(store(ann, 3, 500)->status, 204);
    EXPECT_EQ(highScores(3)[0]["score"], 700);
    ASSERT_EQ(store(ann, 3, 900)->status, 204);
    EXPECT_EQ(highScores(3), json::parse(R"([{"username":"ann","score":900,"verified":false}])"));
    EXPECT_EQ(highScores(4), json::array());
}

TEST_F(BackendHttpTest, StoringIsRefusedForAnyoneButTheSignedInOwner) {
    const auto ann = signUp("ann");
    const auto bob = signUp("bob");
    const std::string annToken = ann["access_token"];

    auto forOther =
        rpc("upsert_user_score",
            {{"p_level_id", 0}, {"p_score", 10}, {"p_user_id", bob["user"]["id"]}}, annToken);
    expectRpcError(forOther, 403, "42501");

    auto anonymous = rpc("upsert_user_score",
                         {{"p_level_id", 0}, {"p_score", 10}, {"p_user_id", ann["user"]["id"]}});
    expectRpcError(anonymous, 401, "42501");
    EXPECT_EQ(highScores(0), json::array());

    // The same id in capitals is still the caller's own.
    std::string upperId = ann["user"]["id"];
    for (auto& c : upperId) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    auto ownId = rpc("upsert_user_score",
                     {{"p_level_id", 0}, {"p_score", 10}, {"p_user_id", upperId}}, annToken);
    ASSERT_TRUE(ownId);
    EXPECT_EQ(ownId->status, 204) << ownId->body;
}

TEST_F(BackendHttpTest, TokensAreCheckedBeforeAnyCall) {
    const auto ann = signUp("ann");
    const std::string userId = ann["user"]["id"];
    const json args = {{"p_level_id", 1}, {"p_score", 5}, {"p_user_id", userId}};
    const auto now = backend::Clock::nowSeconds();

    auto expired =
        rpc("upsert_user_score", args, backend.tokens.sign(userClaims(userId, now - 3600 - 31)));
    expectRpcError(expired, 401, "PGRST303");
    EXPECT_EQ(json::parse(expired->body)["message"], "JWT expired");

    // Within the clock skew an expired token still counts.
    auto lateButFine =
        rpc("upsert_user_score", args, backend.tokens.sign(userClaims(userId, now - 3600 - 10)));
    ASSERT_TRUE(lateButFine);
    EXPECT_EQ(lateButFine->status, 204) << lateButFine->body;

    const backend::TokenService forger("a-forger-guessing-the-secret-with-32-chars");
    expectRpcError(rpc("upsert_user_score", args, forger.sign(userClaims(userId, now))), 401,
                   "PGRST301");
    expectRpcError(rpc("get_high_scores_for_level", {{"p_level_id", 1}}, "garbage"), 401,
                   "PGRST301");
    // An unsigned token that claims the right user.
    expectRpcError(rpc("upsert_user_score", args,
                       servertest::unsignedCopy(backend.tokens.sign(userClaims(userId, now)))),
                   401, "PGRST301");

    // A valid token for an account this database never had.
    auto stranger = rpc(
        "upsert_user_score",
        {{"p_level_id", 1}, {"p_score", 5}, {"p_user_id", "0f0e0d0c-0b0a-4908-8706-050403020100"}},
        backend.tokens.sign(userClaims("0f0e0d0c-0b0a-4908-8706-050403020100", now)));
    expectRpcError(stranger, 409, "23503");
}

TEST_F(BackendHttpTest, ArgumentsMustMatchTheProcedureExactly) {
    expectRpcError(rpc("get_high_scores_for_level", json::object()), 404, "PGRST202");
    expectRpcError(rpc("get_high_scores_for_level", {{"p_level_id", 0}, {"extra", 1}}), 404,
                   "PGRST202");
    expectRpcError(rpc("get_high_scores_for_level", {{"level", 0}}), 404, "PGRST202");
    expectRpcError(rpc("drop_all_scores", {{"p_level_id", 0}}), 404, "PGRST202");

    auto invalidJson = post("/rest/v1/rpc/get_high_scores_for_level", "{\"p_level_id\":");
    expectRpcError(invalidJson, 400, "PGRST102");

    expectRpcError(rpc("get_high_scores_for_level", {{"p_level_id", "three"}}), 400, "22P02");
    expectRpcError(rpc("get_high_scores_for_level", {{"p_level_id", 4294967296LL}}), 400, "22003");
}

TEST_F(BackendHttpTest, TopTenIsHighestFirstWithTiesByWhoReachedItFirst) {
    std::vector<json> players;
    for (int i = 0; i < 12; ++i) {
        players.push_back(signUp("p" + std::to_string(i)));
    }
    // p5 reaches 500 before p1 although p1 signed up first; p3 only later
    // raises its score to 500, so it ranks after both.
    ASSERT_EQ(store(players[3], 2, 100)->status, 204);
    ASSERT_EQ(store(players[5], 2, 500)->status, 204);
    ASSERT_EQ(store(players[1], 2, 500)->status, 204);
    ASSERT_EQ(store(players[3], 2, 500)->status, 204);
    // Sending the same score again does not make it newer.
    ASSERT_EQ(store(players[5], 2, 500)->status, 204);
    const int others[] = {0, 2, 4, 6, 7, 8, 9, 10, 11};
    for (int i : others) {
        ASSERT_EQ(store(players[i], 2, 100 + 10 * i)->status, 204);
    }

    const auto list = highScores(2);
    ASSERT_EQ(list.size(), 10u);
    std::vector<std::string> names;
    for (const auto& row : list) {
        names.push_back(row["username"]);
    }
    const std::vector<std::string> expected = {"p5", "p1", "p3", "p11", "p10",
                                               "p9", "p8", "p7", "p6",  "p4"};
    EXPECT_EQ(names, expected);
}

TEST(BackendLogTest, LogsOneLinePerRequestWithoutSecrets) {
    servertest::TemporaryDirectory directory;
    std::string error;
    auto store = backend::Store::open((directory.path / "log.db").string(), error);
    ASSERT_TRUE(store) << error;
    const backend::PasswordHasher hasher(backend::PasswordHasher::Cost::Minimal);
    const backend::TokenService tokens(backend::ServerOptions::DEMO_JWT_SECRET);
    std::ostringstream log;
    {
        backend::BackendServer server(*store, hasher, tokens, &log);
        ASSERT_TRUE(server.bind("127.0.0.1", 0));
        std::thread serving([&] { server.run(); });
        while (!server.isRunning()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        httplib::Client client("127.0.0.1", server.port());
        client.Post("/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}},
                    R"({"data":{"username":"ann"},"email":"ann@x.test","password":"hunter22"})",
                    "application/json");
        client.Post("/auth/v1/token?grant_type=password", {},
                    R"({"email":"ann@x.test","password":"hunter22"})", "application/json");
        server.stop();
        serving.join();
    }
    const std::string text = log.str();
    EXPECT_NE(text.find("POST /auth/v1/signup 200 "), std::string::npos) << text;
    EXPECT_NE(text.find("POST /auth/v1/token 401 "), std::string::npos) << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2);
    EXPECT_EQ(text.find("hunter22"), std::string::npos);
    EXPECT_EQ(text.find("grant_type"), std::string::npos);
}

} // namespace

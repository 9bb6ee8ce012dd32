// How sessions end: a refresh token used twice at once (two screens of one
// player), a token copied and used later, a token left unused too long, and
// signing out.

#include "TestBackend.h"

#include "server/AuthService.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace {

using namespace servertest;
using backend::AuthService;
using json = nlohmann::json;

constexpr std::int64_t SECOND = 1'000'000;

class SessionEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        store = backend::Store::open((directory.path / "sessions.db").string(), error);
        ASSERT_TRUE(store) << error;
        auth = std::make_unique<AuthService>(*store, hasher, tokens);
        auth->useClock([this] { return now.load(); });
    }

    json signUp(const std::string& name) {
        const auto answer = auth->signUp(json{
            {"email", name + "@x.test"},
            {"password", "secret-pass"},
            {"data", {{"username", name}}}}.dump());
        EXPECT_EQ(answer.status, 200) << answer.body;
        return json::parse(answer.body);
    }

    backend::ApiResponse refresh(const std::string& token) {
        return auth->token("refresh_token", json{{"refresh_token", token}}.dump());
    }

    static std::string errorCode(const backend::ApiResponse& answer) {
        return json::parse(answer.body).value("error_code", "");
    }

    TemporaryDirectory directory;
    backend::PasswordHasher hasher{backend::PasswordHasher::Cost::Minimal};
    backend::TokenService tokens{backend::ServerOptions::DEMO_JWT_SECRET};
    std::unique_ptr<backend::Store> store;
    std::unique_ptr<AuthService> auth;
    std::atomic<std::int64_t> now{1'800'000'000 * SECOND};
};

TEST_F(SessionEndTest, TwoScreensRefreshingAtOnceBothStaySignedIn) {
    for (int trial = 0; trial < 20; ++trial) {
        const std::string token = signUp("p" + std::to_string(trial))["refresh_token"];
        backend::ApiResponse answers[2];
        std::thread screens[2];
        for (int i = 0; i < 2; ++i) {
            screens[i] = std::thread([&, i] { answers[i] = refresh(token); });
        }
        for (auto& screen : screens) {
            screen.join();
        }
        ASSERT_EQ(answers[0].status, 200) << answers[0].body;
        ASSERT_EQ(answers[1].status, 200) << answers[1].body;
        const std::string first = json::parse(answers[0].body)["refresh_token"];
        EXPECT_EQ(first, json::parse(answers[1].body)["refresh_token"].get<std::string>())
            << "both screens get the one new session";
        now += 2 * SECOND;
        EXPECT_EQ(refresh(first).status, 200) << "the new session was not revoked";
    }
}

TEST_F(SessionEndTest, ACopiedTokenUsedAfterTheIntervalEndsTheSession) {
    const std::string original = signUp("ann")["refresh_token"];
    const auto renewed = refresh(original);
    ASSERT_EQ(renewed.status, 200);
    const std::string successor = json::parse(renewed.body)["refresh_token"];

    now += (AuthService::REFRESH_REUSE_INTERVAL_SECONDS - 1) * SECOND;
    EXPECT_EQ(refresh(original).status, 200) << "still within the interval";
    now += 2 * SECOND;
    const auto theft = refresh(original);
    EXPECT_EQ(theft.status, 400);
    EXPECT_EQ(errorCode(theft), "refresh_token_already_used");
    EXPECT_EQ(refresh(successor).status, 400) << "the whole session ended";
}

TEST_F(SessionEndTest, ARefreshTokenLeftUnusedTooLongIsRefused) {
    const std::string kept = signUp("ann")["refresh_token"];
    const std::string used = signUp("bob")["refresh_token"];
    now += (AuthService::REFRESH_TOKEN_LIFETIME_SECONDS - 10) * SECOND;
    const auto renewed = refresh(used);
    ASSERT_EQ(renewed.status, 200) << "a token used in time lives on in its successor";
    now += 20 * SECOND;
    const auto expired = refresh(kept);
    EXPECT_EQ(expired.status, 400);
    EXPECT_EQ(errorCode(expired), "refresh_token_not_found");
    EXPECT_EQ(refresh(json::parse(renewed.body)["refresh_token"]).status, 200);
}

TEST_F(SessionEndTest, SigningOutRevokesTheRefreshTokensOfTheScope) {
    const auto phone = signUp("ann");
    const auto signInAgain = [&] {
        const auto answer =
            auth->token("password", R"({"email":"ann@x.test","password":"secret-pass"})");
        EXPECT_EQ(answer.status, 200);
        return json::parse(answer.body);
    };
    const auto laptop = signInAgain();
    const auto tablet = signInAgain();
    const auto other = signUp("bob");

    // "local": this session only.
    EXPECT_EQ(auth->logout(phone["access_token"], "local").status, 204);
    EXPECT_EQ(errorCode(refresh(phone["refresh_token"])), "refresh_token_not_found");
    const auto laptopRenewed = refresh(laptop["refresh_token"]);
    ASSERT_EQ(laptopRenewed.status, 200);

    // "others": every session but this one.
    EXPECT_EQ(auth->logout(tablet["access_token"], "others").status, 204);
    EXPECT_EQ(refresh(json::parse(laptopRenewed.body)["refresh_token"]).status, 400);
    EXPECT_EQ(refresh(laptop["refresh_token"]).status, 400)
        << "a reuse within the interval does not bring back a signed-out session";
    const auto tabletRenewed = refresh(tablet["refresh_token"]);
    ASSERT_EQ(tabletRenewed.status, 200);

    // The default is every session of the user, and no one else's.
    EXPECT_EQ(auth->logout(tablet["access_token"], "").status, 204);
    EXPECT_EQ(refresh(json::parse(tabletRenewed.body)["refresh_token"]).status, 400);
    EXPECT_EQ(refresh(other["refresh_token"]).status, 200);

    // Only a user's own access token signs out.
    EXPECT_EQ(auth->logout(DEMO_ANON_KEY, "").status, 401);
    EXPECT_EQ(auth->logout("not-a-token", "").status, 401);
    EXPECT_EQ(auth->logout(other["access_token"], "everything").status, 400);
}

TEST(SignOut, TheLogoutRouteAnswers204AndTheRefreshTokenIsGone) {
    TestBackend backend;
    auto client = backend.client();
    const auto signUp =
        client.Post("/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}},
                    R"({"email":"ann@x.test","password":"secret-pass","data":{"username":"ann"}})",
                    "application/json");
    ASSERT_TRUE(signUp && signUp->status == 200);
    const auto session = json::parse(signUp->body);

    const auto logout =
        client.Post("/auth/v1/logout",
                    {{"apikey", DEMO_ANON_KEY},
                     {"Authorization", "Bearer " + session["access_token"].get<std::string>()}},
                    "", "application/json");
    ASSERT_TRUE(logout);
    EXPECT_EQ(logout->status, 204) << logout->body;
    const auto refreshed =
        client.Post("/auth/v1/token?grant_type=refresh_token", {{"apikey", DEMO_ANON_KEY}},
                    json{{"refresh_token", session["refresh_token"]}}.dump(), "application/json");
    ASSERT_TRUE(refreshed);
    expectAuthError(refreshed, 400, "refresh_token_not_found");
}

} // namespace

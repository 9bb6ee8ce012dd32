// The rules for accounts and sign-ins, through real HTTP on loopback: what a
// user name, a password and the user metadata may be, what happens when a
// token cannot be signed, and how often one address may try.

#include "TestBackend.h"

#include "server/Clock.h"
#include "server/Uuid.h"

#include <atomic>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/stat.h>

using nlohmann::json;
using servertest::DEMO_ANON_KEY;
using servertest::expectAuthError;
using namespace std::chrono_literals;

namespace {

httplib::Result post(httplib::Client& client, const std::string& path, const json& body) {
    return client.Post(path.c_str(), {{"apikey", DEMO_ANON_KEY}}, body.dump(), "application/json");
}

httplib::Result signUp(httplib::Client& client, const json& username,
                       const std::string& password = "secret-pass", const std::string& email = "") {
    const std::string address =
        email.empty() ? (username.is_string() ? username.get<std::string>() : "x") + "@x.test"
                      : email;
    return post(client, "/auth/v1/signup",
                {{"data", {{"username", username}}}, {"email", address}, {"password", password}});
}

httplib::Result signIn(httplib::Client& client, const std::string& email,
                       const std::string& password) {
    return post(client, "/auth/v1/token?grant_type=password",
                {{"email", email}, {"password", password}});
}

TEST(AccountRulesTest, UserNamesFollowTheLoginFormsRules) {
    servertest::TestBackend backend;
    auto client = backend.client();

    // A NUL would be stored whole and read back cut short, as "ann".
    const auto withNul = signUp(client, std::string("ann\0x", 5), "secret-pass", "nul@x.test");
    expectAuthError(withNul, 422, "validation_failed");
    EXPECT_NE(json::parse(withNul->body)["msg"].get<std::string>().find("20"), std::string::npos);
    for (const json& bad : {json(std::string(21, 'a')), json(std::string(60000, 'a')), json(""),
                            json("two words"), json("ann!"), json("\xc3\xa4nn"), json(7)}) {
        expectAuthError(signUp(client, bad, "secret-pass", "bad@x.test"), 422, "validation_failed");
    }
    EXPECT_FALSE(backend.store->emailExists("nul@x.test").value);
    EXPECT_FALSE(backend.store->emailExists("bad@x.test").value);

    for (const std::string& good :
         std::vector<std::string>{"ann", std::string(20, 'z'), "A-b_9", "_", "-"}) {
        const auto created = signUp(client, good);
        ASSERT_TRUE(created);
        EXPECT_EQ(created->status, 200) << good << ": " << created->body;
    }
    // Unique ignoring case, as before: the hosted database's refusal.
    expectAuthError(signUp(client, "ANN", "secret-pass", "ann2@x.test"), 500, "unexpected_failure");
}

TEST(AccountRulesTest, PasswordsAreSixToSeventyTwoBytes) {
    servertest::TestBackend backend;
    auto client = backend.client();
    expectAuthError(signUp(client, "ann", "12345"), 422, "weak_password");
    expectAuthError(signUp(client, "ann", std::string(73, 'p')), 422, "validation_failed");
    // 72 bytes, but fewer characters: bytes are what counts.
    std::string multiByte;
    for (int i = 0; i < 36; ++i) {
        multiByte += "\xc3\xa9";
    }
    ASSERT_EQ(signUp(client, "ann", multiByte + "x")->status, 422);
    ASSERT_EQ(signUp(client, "ann", multiByte)->status, 200);
    ASSERT_EQ(signUp(client, "bob", std::string(72, 'p'))->status, 200);
    EXPECT_EQ(signIn(client, "ann@x.test", multiByte)->status, 200);
}

TEST(AccountRulesTest, UserMetadataHoldsOnlyTheUserName) {
    servertest::TestBackend backend;
    auto client = backend.client();
    const auto created =
        post(client, "/auth/v1/signup",
             {{"data", {{"username", "ann"}, {"avatar", std::string(30000, 'a')}, {"admin", true}}},
              {"email", "ann@x.test"},
              {"password", "secret-pass"}});
    ASSERT_TRUE(created);
    ASSERT_EQ(created->status, 200) << created->body;
    const auto session = json::parse(created->body);
    EXPECT_EQ(session["user"]["user_metadata"], json({{"username", "ann"}}));
    const auto claims =
        backend.tokens.verify(session["access_token"], backend::Clock::nowSeconds());
    ASSERT_EQ(claims.verdict, backend::TokenService::Verdict::Valid);
    EXPECT_EQ(claims.claims["user_metadata"], json({{"username", "ann"}}));
    EXPECT_LT(session["access_token"].get<std::string>().size(), 2000u);

    const auto stored = backend.store->findUserByEmail("ann@x.test");
    ASSERT_TRUE(stored.ok && stored.value);
    EXPECT_EQ(stored.value->userMetadata, json({{"username", "ann"}}));
}

// Signs nothing, as a JWT library out of memory would.
class FailingSigner : public backend::TokenService {
public:
    FailingSigner() : TokenService(backend::ServerOptions::DEMO_JWT_SECRET) {}
    std::string sign(const json&) const override { return {}; }
};

TEST(AccountRulesTest, ATokenThatCannotBeSignedIsAServerErrorNeverASession) {
    servertest::TestBackendConfig config;
    config.tokens = std::make_shared<FailingSigner>();
    servertest::TestBackend backend(config);
    auto client = backend.client();

    const auto created = signUp(client, "ann");
    expectAuthError(created, 500, "unexpected_failure");
    EXPECT_EQ(created->body.find("access_token"), std::string::npos);
    // Nothing was stored: the sign-up can be tried again once signing works.
    EXPECT_FALSE(backend.store->emailExists("ann@x.test").value);

    backend::UserRecord user;
    user.id = backend::Uuid::generate();
    user.email = "bob@x.test";
    user.passwordHash = backend.hasher.hash("secret-pass");
    user.userMetadata = {{"username", "bob"}};
    user.createdAtMicros = backend::Clock::nowMicros();
    ASSERT_EQ(backend.store->createUser(user, "bob"), backend::CreateUserOutcome::Created);
    const auto signedIn = signIn(client, "bob@x.test", "secret-pass");
    expectAuthError(signedIn, 500, "unexpected_failure");
    EXPECT_EQ(signedIn->body.find("access_token"), std::string::npos);
}

TEST(AccountRulesTest, SignInsAreRateLimitedPerAddressAndRecoverAfterTheWindow) {
    // The limits run on the test's clock, moved by hand.
    using RateClock = backend::RateLimiter::Clock;
    const RateClock::time_point start = RateClock::now();
    std::atomic<RateClock::rep> elapsed{0};
    const auto wait = [&](RateClock::duration span) { elapsed += span.count(); };
    servertest::TestBackendConfig config;
    config.settings.authRateBurst = 3;
    config.settings.authRateWindow = 4s;
    config.settings.rateClock = [&] { return start + RateClock::duration(elapsed.load()); };
    servertest::TestBackend backend(config);
    auto client = backend.client();

    ASSERT_EQ(signUp(client, "ann")->status, 200);
    EXPECT_EQ(signIn(client, "ann@x.test", "wrong-password")->status, 400);
    EXPECT_EQ(signIn(client, "ann@x.test", "secret-pass")->status, 200);
    const auto limited = signIn(client, "ann@x.test", "secret-pass");
    expectAuthError(limited, 429, "over_request_rate_limit");
    EXPECT_EQ(json::parse(limited->body).size(), 3u); // code, error_code, msg
    expectAuthError(signUp(client, "bob"), 429, "over_request_rate_limit");

    // Reads are never limited, and refresh grants have a budget of their own.
    const auto read =
        client.Post("/rest/v1/rpc/get_high_scores_for_level", {{"apikey", DEMO_ANON_KEY}},
                    R"({"p_level_id":1})", "application/json");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->status, 200);
    expectAuthError(
        post(client, "/auth/v1/token?grant_type=refresh_token", {{"refresh_token", "unknown"}}),
        400, "refresh_token_not_found");

    // A quarter of the window earns back less than one try.
    wait(1s);
    expectAuthError(signIn(client, "ann@x.test", "secret-pass"), 429, "over_request_rate_limit");
    // A whole window later the whole burst is back, and no more.
    wait(4s);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(signIn(client, "ann@x.test", "secret-pass")->status, 200) << i;
    }
    expectAuthError(signIn(client, "ann@x.test", "secret-pass"), 429, "over_request_rate_limit");
}

TEST(AccountRulesTest, TheDatabaseAndItsFoldersArePrivateToTheUser) {
    servertest::TestBackendConfig config;
    config.databaseName = "new/deeper/backend.db";
    servertest::TestBackend backend(config);
    auto client = backend.client();
    ASSERT_EQ(signUp(client, "ann")->status, 200);

    const auto modeOf = [](const std::filesystem::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 0777;
    };
    const auto dbPath = backend.databasePath;
    EXPECT_EQ(modeOf(dbPath.parent_path().parent_path()), 0700u);
    EXPECT_EQ(modeOf(dbPath.parent_path()), 0700u);
    EXPECT_EQ(modeOf(dbPath), 0600u);
    EXPECT_EQ(modeOf(dbPath.string() + "-wal"), 0600u);
}

} // namespace

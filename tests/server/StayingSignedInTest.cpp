// Staying signed in between runs, with the real game against the stand-in
// backend: the kept session, its renewal with the refresh grant at start and
// during play, a refused renewal, and signing out.

#ifdef VOLLARIN_HAS_GAME_CLIENT

#include "TestBackend.h"

#include "assets/DataPaths.h"
#include "core/Game.h"
#include "online/SessionStore.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace {

namespace fs = std::filesystem;

// Signs the first access token it is asked for already expired (beyond the
// clock skew the server allows), as if it had run out during play; every
// later one as asked.
class FirstTokenExpired : public backend::TokenService {
public:
    FirstTokenExpired() : TokenService(backend::ServerOptions::DEMO_JWT_SECRET) {}
    std::string sign(const nlohmann::json& claims) const override {
        nlohmann::json signed_ = claims;
        if (claims.contains("sub") && claims.contains("iat") && !expiredOne.exchange(true)) {
            signed_["exp"] = claims["iat"].get<std::int64_t>() - 10 * CLOCK_SKEW_SECONDS;
        }
        return TokenService::sign(signed_);
    }

private:
    mutable std::atomic<bool> expiredOne{false};
};

servertest::TestBackendConfig withTokens(std::shared_ptr<const backend::TokenService> tokens) {
    servertest::TestBackendConfig config;
    config.tokens = std::move(tokens);
    return config;
}

class StayingSignedIn : public testing::Test {
protected:
    void SetUp() override {
        fs::remove(sessionFile());
        pointSettingsAt(backend->baseUrl());
    }
    void TearDown() override {
        fs::remove(sessionFile());
        fs::remove(settingsFile());
    }

    static fs::path sessionFile() { return SessionStore::forThisProcess().getPath(); }
    static fs::path settingsFile() {
        return DataPaths::forThisProcess().playerConfigDir() / Settings::FILE_NAME;
    }
    static void pointSettingsAt(const std::string& url) {
        ASSERT_TRUE(DataPaths::makePrivateDirectory(settingsFile().parent_path()));
        std::ofstream(settingsFile()) << "backend_url = " << url << "\n";
    }

    // A run of the game, past its loading (where a kept session is taken up).
    static std::unique_ptr<Game> nextRun() {
        auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
        game->update(Game::LOADING_SECONDS);
        return game;
    }

    static void signUpThroughTheLoginScreen(Game& game, const std::string& name) {
        game.stateManager.openLogin(Menu);
        game.stateManager.usernameInput = name;
        game.stateManager.passwordInput = "feathers1";
        game.stateManager.signUp();
        ASSERT_TRUE(game.stateManager.isLoggedIn) << game.stateManager.loginError;
    }

    // A player who signed up in an earlier run and whose access token has
    // since run out.
    static AuthSession signedUpEarlierAndExpired(const std::string& name) {
        {
            auto earlier = nextRun();
            signUpThroughTheLoginScreen(*earlier, name);
        }
        AuthSession expired = kept();
        expired.expiresAt = SupabaseClient::nowSeconds() - 600;
        keep(expired);
        return expired;
    }

    static AuthSession kept() {
        std::ostringstream warnings;
        const auto session =
            SessionStore::forThisProcess().load(SupabaseClient::nowSeconds(), warnings);
        EXPECT_TRUE(session) << warnings.str();
        return session.value_or(AuthSession());
    }

    static void keep(const AuthSession& session) {
        ASSERT_EQ(SessionStore::forThisProcess().save(session), "");
    }

    static bool storeScore(Game& game, int level, int score) {
        bool stored = false;
        game.supabase.upsertUserScore(level, score,
                                      [&](bool ok, const std::string&) { stored = ok; });
        return stored;
    }

    int refreshStatus(const std::string& refreshToken) {
        auto result = backend->client().Post(
            "/auth/v1/token?grant_type=refresh_token", {{"apikey", servertest::DEMO_ANON_KEY}},
            nlohmann::json({{"refresh_token", refreshToken}}).dump(), "application/json");
        return result ? result->status : -1;
    }

    // The runs here follow each other within seconds, where in play hours
    // pass: a token reused at all counts as used up, without the grace the
    // server gives two screens refreshing at the same moment.
    static servertest::TestBackendConfig reuseEndsTheSession() {
        servertest::TestBackendConfig config;
        config.settings.refreshReuseInterval = std::chrono::seconds(0);
        return config;
    }

    std::unique_ptr<servertest::TestBackend> backend =
        std::make_unique<servertest::TestBackend>(reuseEndsTheSession());
};

TEST_F(StayingSignedIn, ASignUpIsKeptPrivatelyAndTheNextRunStartsSignedIn) {
    std::string userId;
    {
        auto first = nextRun();
        signUpThroughTheLoginScreen(*first, "Wren");
        userId = first->stateManager.userId;
    }
    struct stat info {};
    ASSERT_EQ(::stat(sessionFile().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    const AuthSession session = kept();
    EXPECT_EQ(session.username, "Wren");
    EXPECT_EQ(session.userId, userId);
    EXPECT_GE(session.refreshToken.size(), 40u);
    EXPECT_NEAR(static_cast<double>(session.expiresAt),
                static_cast<double>(SupabaseClient::nowSeconds() + 3600), 30.0);

    auto second = nextRun();
    const GameStateManager& flow = second->stateManager;
    EXPECT_EQ(flow.state, Menu);
    EXPECT_TRUE(flow.isLoggedIn);
    EXPECT_EQ(flow.loggedInUsername, "Wren");
    EXPECT_EQ(flow.userId, userId);
    EXPECT_EQ(kept(), session) << "a fresh session is used as it is";
    EXPECT_TRUE(storeScore(*second, 0, 1500));

    second->stateManager.openLogin(Menu);
    second->stateManager.signOut();
    EXPECT_FALSE(fs::exists(sessionFile())) << "signing out deletes the kept session";
    EXPECT_FALSE(second->stateManager.isLoggedIn);
    EXPECT_FALSE(nextRun()->stateManager.isLoggedIn);
}

TEST_F(StayingSignedIn, AnExpiredTokenIsRenewedAtStartWithTheRefreshGrant) {
    const AuthSession expired = signedUpEarlierAndExpired("Kestrel");

    auto second = nextRun();
    EXPECT_TRUE(second->stateManager.isLoggedIn);
    EXPECT_EQ(second->stateManager.loggedInUsername, "Kestrel");
    const AuthSession renewed = kept();
    EXPECT_NE(renewed.refreshToken, expired.refreshToken) << "the refresh token rotates";
    EXPECT_GT(renewed.expiresAt, SupabaseClient::nowSeconds() + 3000);
    EXPECT_EQ(renewed.userId, expired.userId);
    EXPECT_EQ(second->stateManager.accessToken, renewed.accessToken);
    EXPECT_TRUE(storeScore(*second, 1, 800));
    EXPECT_EQ(refreshStatus(expired.refreshToken), 400) << "the old one is used up";
}

TEST_F(StayingSignedIn, ARefusedRenewalSignsOutQuietly) {
    {
        auto first = nextRun();
        signUpThroughTheLoginScreen(*first, "Plover");
    }
    AuthSession stale = kept();
    // Another computer renewed this session since: its refresh token is used.
    ASSERT_EQ(refreshStatus(stale.refreshToken), 200);
    stale.expiresAt = SupabaseClient::nowSeconds() - 600;
    keep(stale);

    testing::internal::CaptureStdout();
    auto second = nextRun();
    const std::string log = testing::internal::GetCapturedStdout();
    const GameStateManager& flow = second->stateManager;
    EXPECT_FALSE(flow.isLoggedIn);
    EXPECT_EQ(flow.loggedInUsername, "");
    EXPECT_EQ(flow.loginError, "") << "nothing on screen";
    EXPECT_EQ(flow.state, Menu);
    EXPECT_FALSE(second->supabase.isSignedIn());
    EXPECT_FALSE(fs::exists(sessionFile()));
    EXPECT_NE(log.find("Kept session deleted (the scores server refused to renew it)"),
              std::string::npos)
        << log;
}

TEST_F(StayingSignedIn, WithoutAnAnswerTheSessionIsKeptForLater) {
    const AuthSession expired = signedUpEarlierAndExpired("Dunlin");
    backend.reset(); // the scores server is down

    auto offline = nextRun();
    EXPECT_TRUE(offline->stateManager.isLoggedIn);
    EXPECT_EQ(offline->stateManager.loggedInUsername, "Dunlin");
    EXPECT_EQ(kept(), expired);
}

TEST_F(StayingSignedIn, ATokenThatRunsOutDuringPlayIsRenewedAndTheScoreStoredOnce) {
    backend = std::make_unique<servertest::TestBackend>(
        withTokens(std::make_shared<const FirstTokenExpired>()));
    pointSettingsAt(backend->baseUrl());
    auto game = nextRun();
    signUpThroughTheLoginScreen(*game, "Sanderling");
    const AuthSession before = kept();
    EXPECT_FALSE(game->supabase.sessionNeedsRefresh(SupabaseClient::nowSeconds()))
        << "the game believes the token good for an hour";

    EXPECT_TRUE(storeScore(*game, 2, 4200));
    const AuthSession after = kept();
    EXPECT_NE(after.refreshToken, before.refreshToken) << "the renewed session is kept";
    EXPECT_EQ(game->stateManager.accessToken, after.accessToken);
    EXPECT_TRUE(game->stateManager.isLoggedIn);

    std::vector<HighScore> scores;
    game->supabase.getHighScoresForLevel(
        2, [&](const std::vector<HighScore>& rows, const std::string&) { scores = rows; });
    ASSERT_EQ(scores.size(), 1u);
    EXPECT_EQ(scores[0].name, "Sanderling");
    EXPECT_EQ(scores[0].score, 4200);
}

TEST_F(StayingSignedIn, ADamagedSessionFileMeansSignedOutAndIsRemoved) {
    ASSERT_TRUE(DataPaths::makePrivateDirectory(sessionFile().parent_path()));
    std::ofstream(sessionFile()) << R"({"version":1,"access_token":"a\r\nb"})";
    testing::internal::CaptureStderr();
    auto game = nextRun();
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(game->stateManager.isLoggedIn);
    EXPECT_NE(warnings.find("not using the kept session"), std::string::npos) << warnings;
    EXPECT_FALSE(fs::exists(sessionFile()));
}

} // namespace

#endif

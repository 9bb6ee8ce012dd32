#include "e2e/FlowTestSupport.h"
#include "online/PendingScores.h"
#include "online/RawHttpServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>

// The game with its backend client in the background, as the player runs
// it: the frame loop keeps going while the scores server keeps it waiting,
// a screen that is left never hears its answer, and scores that could not
// be sent wait on disk for the next chance.
namespace {

const char* const STORE = "/rest/v1/rpc/upsert_user_score";
const char* const LOOKUP = "/rest/v1/rpc/get_email_by_username";
const char* const TOKEN = "/auth/v1/token";
const char* const SIGN_IN_ANSWER = R"({"access_token":"token-7","token_type":"bearer",)"
                                   R"("refresh_token":"renew-7","expires_in":3600,)"
                                   R"("user":{"id":"user-7","email":"pilot@vollarin.io"}})";
constexpr float FRAME = 1.0f / 60.0f;
constexpr std::chrono::seconds SETTLE_LIMIT{20};

std::string respond(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Type: application/json\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

} // namespace

class BackendOffTheLoop : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        pendingPath = (tempDir / "pending_scores.json").string();
        useQueueFile(*game);
    }

    void useQueueFile(Game& target) {
        target.stateManager.pendingScoresForTests() = PendingScores(pendingPath);
        target.stateManager.pendingScoresForTests().load(std::cerr);
    }

    void frames(int count) {
        for (int i = 0; i < count; ++i) {
            game->update(FRAME);
            game->render();
        }
    }

    // Frames until every request has been answered and taken up; the
    // limit only stops a broken build from hanging the suite.
    void settle() {
        ASSERT_TRUE(game->supabase.waitForRequests(SETTLE_LIMIT));
        frames(1);
    }

    void startSignIn(const std::string& url) {
        game->supabase = SupabaseClient(url, BACKEND_ANON_KEY);
        game->supabase.runInBackground();
        game->stateManager.openLogin(Menu);
        game->stateManager.usernameInput = "pilot";
        game->stateManager.passwordInput = "Hunter-2-secret";
        game->stateManager.signIn();
    }

    void signedInAs(Game& target, const std::string& url) {
        target.supabase = SupabaseClient(url, BACKEND_ANON_KEY);
        target.supabase.restoreSession(
            {"token-7", "renew-7", SupabaseClient::nowSeconds() + 3600, "user-7", "pilot"});
        target.stateManager.isLoggedIn = true;
        target.stateManager.userId = "user-7";
        target.stateManager.loggedInUsername = "pilot";
    }

    std::vector<int> storedScores() const {
        std::vector<int> scores;
        for (const auto& request : server.requests()) {
            if (request.target.rfind(STORE, 0) == 0) {
                scores.push_back(nlohmann::json::parse(request.body).at("p_score").get<int>());
            }
        }
        return scores;
    }

    std::string pendingPath;
};

TEST_F(BackendOffTheLoop, FramesGoOnWhileTheServerNeverAnswersASignInTheListOrAReport) {
    std::atomic<int> asked{0};
    RawHttpServer silent([&asked](RawHttpServer& self, int, const std::string&) {
        ++asked;
        self.pause(std::chrono::hours(1)); // until the test ends
    });
    ASSERT_TRUE(silent.isListening());

    startSignIn(silent.baseUrl());
    frames(30);
    EXPECT_EQ(game->stateManager.state, Login);
    EXPECT_EQ(game->stateManager.busyNote(), "Signing in\u2026");
    EXPECT_TRUE(game->stateManager.accountRequestUnderWay());
    EXPECT_FALSE(game->stateManager.isLoggedIn);

    // A second click while the first is under way sends nothing more.
    game->stateManager.passwordInput = "Hunter-2-secret";
    game->stateManager.signIn();
    frames(5);
    EXPECT_LE(asked.load(), 1);

    game->stateManager.transitionTo(Menu);
    frames(1);
    EXPECT_FALSE(game->stateManager.accountRequestUnderWay());
    EXPECT_EQ(game->stateManager.busyNote(), "");

    // A signed-in win: the report and then the list wait on the same server.
    signedInAs(*game, silent.baseUrl());
    game->supabase.runInBackground();
    winLevel(1500);
    frames(30);
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(game->stateManager.busyNote(), "Sending your score\u2026");
    // Leaving the game with requests outstanding must not wait them out.
    game.reset();
}

TEST_F(BackendOffTheLoop, AnAnswerForALeftScreenIsNeverActedOn) {
    std::atomic<bool> release{false};
    RawHttpServer gated([&release](RawHttpServer& self, int socket, const std::string& request) {
        while (!release && self.pause(std::chrono::milliseconds(10))) {
        }
        RawHttpServer::sendAll(socket, request.find(LOOKUP) != std::string::npos
                                           ? respond(200, "\"pilot@vollarin.io\"")
                                           : respond(200, SIGN_IN_ANSWER));
    });
    ASSERT_TRUE(gated.isListening());

    startSignIn(gated.baseUrl());
    frames(3);
    ASSERT_TRUE(game->stateManager.accountRequestUnderWay());
    game->stateManager.transitionTo(Menu);
    frames(1);
    release = true;
    settle();
    frames(3);

    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_FALSE(game->stateManager.isLoggedIn);
    EXPECT_TRUE(game->stateManager.loginError.empty());
    // Nor did the client take up the session nobody asked for any more.
    EXPECT_FALSE(game->supabase.isSignedIn());

    // The same answer, still wanted, signs the player in between frames.
    startSignIn(gated.baseUrl());
    EXPECT_FALSE(game->stateManager.isLoggedIn);
    settle();
    EXPECT_TRUE(game->stateManager.isLoggedIn);
    EXPECT_EQ(game->stateManager.state, Menu);
}

TEST_F(BackendOffTheLoop, ScoresThatFoundNoServerAreSentAfterARestartOnceAndOldestFirst) {
    const std::string dead = "http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort());
    signedInAs(*game, dead);
    game->supabase.runInBackground();
    winLevel(1200);
    settle();
    game->stateManager.leaveToLevelSelect();
    winLevel(1700);
    settle();
    // A signed-out win is nobody's to send.
    game->stateManager.isLoggedIn = false;
    winLevel(900);
    settle();
    ASSERT_EQ(game->stateManager.pendingScoresForTests().entries().size(), 2u);

    // The next run, signing in through the scripted server.
    game.reset();
    game = makeLoadedGame();
    useQueueFile(*game);
    server.answer(LOOKUP, 200, "\"pilot@vollarin.io\"");
    server.answer(TOKEN, 200, SIGN_IN_ANSWER);
    server.answer(STORE, 204, "");
    startSignIn(server.baseUrl());
    for (int i = 0; i < 10; ++i) {
        settle();
    }
    ASSERT_TRUE(game->stateManager.isLoggedIn);
    EXPECT_EQ(storedScores(), (std::vector<int>{1200, 1700}));
    EXPECT_TRUE(game->stateManager.pendingScoresForTests().entries().empty());

    // Signing in again sends nothing twice.
    game->stateManager.sendPendingScores();
    settle();
    EXPECT_EQ(storedScores().size(), 2u);
}

#include "e2e/FlowTestSupport.h"
#include "level/ShippedLevels.h"
#include "ui/ScreenChecks.h"

#include "core/Replay.h"
#include "online/Base64.h"
#include "ui/UIRenderer.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

// The game's conversations with the scores backend, driven by synthetic
// input against a scripted loopback server.
namespace {

const char* const FETCH = "/rest/v1/rpc/get_high_scores_for_level";
const char* const STORE = "/rest/v1/rpc/upsert_user_score";
// Not answered unless a test says so: a backend without it gets STORE.
const char* const SUBMIT = "/rest/v1/rpc/submit_score_replay";
const char* const LOOKUP = "/rest/v1/rpc/get_email_by_username";
const char* const TOKEN = "/auth/v1/token";
const char* const PASSWORD = "Hunter-2-secret";

const char* const LEVEL_ZERO_LIST =
    R"([{"username":"ava","score":3100},{"username":"bo","score":2500}])";

std::string pathOf(const ScriptedServer::Request& request) {
    return request.target.substr(0, request.target.find('?'));
}

sf::Image capture(sf::RenderWindow& window) {
    sf::Texture texture;
    texture.create(window.getSize().x, window.getSize().y);
    texture.update(window);
    return texture.copyToImage();
}

} // namespace

class OnlineFlow : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        server.answer(LOOKUP, 200, "\"pilot@vollarin.io\"");
        server.answer(TOKEN, 200,
                      R"({"access_token":"token-7","token_type":"bearer",)"
                      R"("user":{"id":"user-7","email":"pilot@vollarin.io"}})");
        server.answer(STORE, 204, "");
        server.answer(FETCH, 200, LEVEL_ZERO_LIST);
    }

    std::vector<std::string> pathsSince(std::size_t first) const {
        const auto all = server.requests();
        std::vector<std::string> paths;
        for (std::size_t i = first; i < all.size(); ++i) {
            paths.push_back(pathOf(all[i]));
        }
        return paths;
    }

    nlohmann::json bodyOf(std::size_t index) const {
        return nlohmann::json::parse(server.requests().at(index).body);
    }

    // The login screen as the frame loop would draw it, so its slots are set.
    void drawLogin() { game->render(); }

    // From the menu through the Login screen's own buttons, with every line
    // the game writes captured.
    std::string signInThroughTheScreen() {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        game->render();
        clickCentreOf(game->ui.menuLoginButtonRect);
        drawLogin();
        clickCentreOf(game->ui.usernameFieldRect);
        type("pilot");
        clickCentreOf(game->ui.passwordFieldRect);
        type(PASSWORD);
        drawLogin();
        clickCentreOf(game->ui.loginButtonRect);
        const std::string out = testing::internal::GetCapturedStdout();
        return out + testing::internal::GetCapturedStderr();
    }
};

TEST_F(OnlineFlow, ASignedOutWinOnlyFetchesTheLevelsList) {
    winLevel(1200);
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].method, "POST");
    EXPECT_EQ(requests[0].target, FETCH);
    EXPECT_EQ(requests[0].body, R"({"p_level_id":0})");
    ASSERT_EQ(game->stateManager.onlineHighScores.size(), 2u);
    EXPECT_EQ(game->stateManager.onlineHighScores[0].name, "ava");
    EXPECT_EQ(game->stateManager.onlineHighScores[1].score, 2500);
}

TEST_F(OnlineFlow, SigningInThroughTheScreenKeepsASessionAndNeverShowsThePassword) {
    game->stateManager.transitionTo(Menu);
    const std::string log = signInThroughTheScreen();

    EXPECT_EQ(pathsSince(0), (std::vector<std::string>{LOOKUP, TOKEN}));
    EXPECT_EQ(bodyOf(0), nlohmann::json({{"p_username", "pilot"}}));
    EXPECT_EQ(bodyOf(1)["password"], PASSWORD);
    const GameStateManager& flow = game->stateManager;
    EXPECT_TRUE(flow.isLoggedIn);
    EXPECT_EQ(flow.loggedInUsername, "pilot");
    EXPECT_EQ(flow.userId, "user-7");
    EXPECT_EQ(flow.accessToken, "token-7");
    EXPECT_EQ(flow.state, Menu);
    EXPECT_NE(log.find("Username input field activated."), std::string::npos);
    EXPECT_NE(log.find("Password input field activated."), std::string::npos);
    EXPECT_NE(log.find("Login successful for user: pilot"), std::string::npos);
    EXPECT_EQ(log.find(PASSWORD), std::string::npos) << "the password was written out";
}

TEST_F(OnlineFlow, AFailedSignInStaysOnTheScreenWithoutLeakingThePassword) {
    server.answer(LOOKUP, 404, "null");
    game->stateManager.transitionTo(Menu);
    const std::string log = signInThroughTheScreen();
    EXPECT_EQ(pathsSince(0), std::vector<std::string>{LOOKUP}); // no password sent anywhere
    EXPECT_FALSE(game->stateManager.isLoggedIn);
    EXPECT_EQ(game->stateManager.state, Login);
    EXPECT_EQ(game->stateManager.passwordInput, "") << "a failed attempt keeps no password";
    EXPECT_EQ(game->stateManager.usernameInput, "pilot");
    EXPECT_EQ(game->stateManager.loginFocus, 2) << "ready for the password to be typed again";
    EXPECT_NE(log.find("Login failed: Username not found"), std::string::npos) << log;
    EXPECT_EQ(log.find(PASSWORD), std::string::npos);
}

TEST_F(OnlineFlow, FocusDecidesWhichFieldTakesTheTyping) {
    game->stateManager.openLogin(Menu);
    drawLogin();
    handle(mousePress(5, 5)); // nowhere: no field has the focus
    type("lost");
    clickCentreOf(game->ui.usernameFieldRect);
    EXPECT_EQ(game->stateManager.loginFocus, 1);
    type("ab");
    clickCentreOf(game->ui.passwordFieldRect);
    EXPECT_EQ(game->stateManager.loginFocus, 2);
    type("xy");
    handle(mousePress(5, 5)); // nowhere: focus goes
    EXPECT_EQ(game->stateManager.loginFocus, 0);
    type("zz");
    EXPECT_EQ(game->stateManager.usernameInput, "ab");
    EXPECT_EQ(game->stateManager.passwordInput, "xy");
    EXPECT_TRUE(server.requests().empty());
}

TEST_F(OnlineFlow, ThePasswordsCharactersNeverReachTheScreen) {
    game->stateManager.openLogin(Menu);
    GameStateManager& flow = game->stateManager;
    flow.usernameInput = "pilot";
    flow.loginFocus = 1; // cursor in the user name, identical in both frames
    auto frameWith = [&](const std::string& password) {
        flow.passwordInput = password;
        game->renderer.clearFrame();
        game->ui.drawLoginScreen(Login, false, "", flow.usernameInput, flow.passwordInput, true,
                                 flow.loginFocus);
        return capture(game->window);
    };
    const sf::Image secret = frameWith(PASSWORD);
    const sf::Image other = frameWith(std::string(std::string(PASSWORD).size(), 'W'));
    const sf::Image shorter = frameWith("W");
    EXPECT_EQ(std::memcmp(secret.getPixelsPtr(), other.getPixelsPtr(),
                          static_cast<std::size_t>(secret.getSize().x) * secret.getSize().y * 4),
              0)
        << "two passwords of one length must look the same";
    EXPECT_NE(std::memcmp(secret.getPixelsPtr(), shorter.getPixelsPtr(),
                          static_cast<std::size_t>(secret.getSize().x) * secret.getSize().y * 4),
              0)
        << "the mask shows how many characters were typed";
}

TEST_F(OnlineFlow, ASignedInWinStoresTheScoreAndThenFetches) {
    game->stateManager.transitionTo(Menu);
    signInThroughTheScreen();
    const std::size_t first = server.requests().size();
    testing::internal::CaptureStdout();
    winLevel(1200);
    const std::string log = testing::internal::GetCapturedStdout();

    ASSERT_EQ(pathsSince(first), (std::vector<std::string>{SUBMIT, STORE, FETCH}));
    const ScriptedServer::Request store = server.requests()[first + 1];
    EXPECT_EQ(store.header("Authorization"), "Bearer token-7");
    EXPECT_EQ(nlohmann::json::parse(store.body),
              nlohmann::json({{"p_level_id", 0}, {"p_score", 1200}, {"p_user_id", "user-7"}}));
    EXPECT_EQ(bodyOf(first + 2), nlohmann::json({{"p_level_id", 0}}));
    EXPECT_LT(log.find("Score updated successfully!"),
              log.find("High scores fetched successfully for level 0!"));
    EXPECT_EQ(game->stateManager.onlineHighScores.size(), 2u);
}

TEST_F(OnlineFlow, ASignedInWinSendsTheAttemptsReplayWithTheScore) {
    server.answer(SUBMIT, 200, R"({"verified":true,"score":1200,"reason":""})");
    game->stateManager.transitionTo(Menu);
    signInThroughTheScreen();
    const std::size_t first = server.requests().size();
    testing::internal::CaptureStdout();
    winLevel(1200);
    const std::string log = testing::internal::GetCapturedStdout();

    ASSERT_EQ(pathsSince(first), (std::vector<std::string>{SUBMIT, FETCH}));
    const nlohmann::json sent = bodyOf(first);
    EXPECT_EQ(sent["p_level_id"], 0);
    EXPECT_EQ(sent["p_score"], 1200);
    const auto bytes = Base64::decode(sent["p_replay"].get<std::string>(), Replay::MAX_FILE_BYTES);
    ASSERT_TRUE(bytes);
    std::string why;
    const auto replay = Replay::decode(*bytes, why);
    ASSERT_TRUE(replay) << why;
    EXPECT_EQ(replay->levelNumber, 1);
    EXPECT_EQ(replay->inputs, game->attempt.recordedInputs());
    EXPECT_NE(log.find("Score updated successfully!"), std::string::npos) << log;
}

TEST_F(OnlineFlow, AFailedStoreStillFetchesAndTheLevelStillCompletes) {
    server.answer(STORE, 500, R"({"message":"boom"})");
    game->stateManager.transitionTo(Menu);
    signInThroughTheScreen();
    const std::size_t first = server.requests().size();
    testing::internal::CaptureStdout();
    winLevel(1200);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(pathsSince(first), (std::vector<std::string>{SUBMIT, STORE, FETCH}));
    EXPECT_NE(log.find("Failed to update score: "), std::string::npos) << log;
    EXPECT_NE(log.find("Level completed! Score: 1200"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(game->totalScore, 1200);
    EXPECT_EQ(game->stateManager.onlineHighScores.size(), 2u);
}

TEST_F(OnlineFlow, TheHighScoreScreenFetchesOnOpenAndWhenBrowsing) {
    game->stateManager.transitionTo(Menu);
    game->render();
    clickCentreOf(game->ui.highScoreButtonRect);
    EXPECT_EQ(game->stateManager.state, HighScores);
    ASSERT_EQ(server.requests().size(), 1u);
    EXPECT_EQ(bodyOf(0), nlohmann::json({{"p_level_id", 0}}));
    EXPECT_EQ(game->stateManager.onlineHighScores.size(), 2u);

    server.answer(FETCH, 200, R"([{"username":"cy","score":90}])");
    handle(keyPress(sf::Keyboard::Right));
    EXPECT_EQ(game->currentLevelIndex, 1);
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_EQ(bodyOf(1), nlohmann::json({{"p_level_id", 1}}));
    ASSERT_EQ(game->stateManager.onlineHighScores.size(), 1u);
    EXPECT_EQ(game->stateManager.onlineHighScores[0].name, "cy");

    handle(keyPress(sf::Keyboard::Left));
    handle(keyPress(sf::Keyboard::Left)); // already at the first level: no request
    EXPECT_EQ(game->currentLevelIndex, 0);
    ASSERT_EQ(server.requests().size(), 3u);
    EXPECT_EQ(bodyOf(2), nlohmann::json({{"p_level_id", 0}}));

    game->currentLevelIndex = ShippedLevels::count() - 1;
    handle(keyPress(sf::Keyboard::Right)); // already at the last level
    EXPECT_EQ(server.requests().size(), 3u);
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Menu);
}

TEST_F(OnlineFlow, AFailedFetchKeepsThePreviousList) {
    game->stateManager.transitionTo(Menu);
    game->render();
    clickCentreOf(game->ui.highScoreButtonRect);
    ASSERT_EQ(game->stateManager.onlineHighScores.size(), 2u);

    server.answer(FETCH, 500, "");
    testing::internal::CaptureStdout();
    handle(keyPress(sf::Keyboard::Right));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Failed to fetch high scores: "),
              std::string::npos);
    EXPECT_EQ(game->stateManager.onlineHighScores.size(), 2u);

    server.answer(FETCH, 200, "not json");
    handle(keyPress(sf::Keyboard::Right));
    ASSERT_EQ(game->stateManager.onlineHighScores.size(), 2u);
    EXPECT_EQ(game->stateManager.onlineHighScores[0].name, "ava");
}

TEST_F(OnlineFlow, SigningOutForgetsTheSessionAndStopsStoringScores) {
    game->stateManager.transitionTo(Menu);
    signInThroughTheScreen();
    ASSERT_TRUE(game->stateManager.isLoggedIn);

    game->render();
    clickCentreOf(game->ui.menuLoginButtonRect);
    ASSERT_EQ(game->stateManager.state, Login);
    drawLogin();
    clickCentreOf(game->ui.signOutButtonRect);
    const GameStateManager& flow = game->stateManager;
    EXPECT_FALSE(flow.isLoggedIn);
    EXPECT_EQ(flow.loggedInUsername, "");
    EXPECT_EQ(flow.userId, "");
    EXPECT_EQ(flow.accessToken, "");
    EXPECT_EQ(game->supabase.getAccessToken(), "");
    EXPECT_EQ(flow.state, Menu);
    EXPECT_EQ(flow.usernameInput, "");
    EXPECT_EQ(flow.passwordInput, "");

    // The Login button of the reopened form has nothing to send.
    const std::size_t beforeLogin = server.requests().size();
    game->render();
    clickCentreOf(game->ui.menuLoginButtonRect);
    drawLogin();
    testing::internal::CaptureStderr();
    clickCentreOf(game->ui.loginButtonRect);
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(flow.isLoggedIn);
    EXPECT_EQ(flow.state, Login);
    EXPECT_EQ(server.requests().size(), beforeLogin);
    handle(keyPress(sf::Keyboard::Escape));

    const std::size_t first = server.requests().size();
    winLevel(1200);
    EXPECT_EQ(pathsSince(first), std::vector<std::string>{FETCH});
}

// The high-score screen as the player opens it, drawn and recorded.
class ScoresSeen : public OnlineFlow {
protected:
    void SetUp() override {
        OnlineFlow::SetUp();
        ASSERT_TRUE(game->localHighScores.addHighScore(0, "Robin", 4200, 3));
        ASSERT_TRUE(game->localHighScores.addHighScore(0, "Kit", 1300, 1));
        ASSERT_TRUE(game->localHighScores.addHighScore(1, "Other", 999, 2));
    }

    DrawnFrame openHighScores() {
        game->stateManager.transitionTo(Menu);
        game->render();
        clickCentreOf(game->ui.highScoreButtonRect);
        EXPECT_EQ(game->stateManager.state, HighScores);
        return drawRecordedFrame(*game);
    }

    void pointAtNothing() {
        game->supabase = SupabaseClient(
            "http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort()), BACKEND_ANON_KEY);
    }
};

TEST_F(ScoresSeen, TheHighScoreScreenListsThisComputersScoresBesideTheOnlineOnes) {
    const DrawnFrame drawn = openHighScores();
    EXPECT_EQ(game->stateManager.lastScoresFetch, ScoresFetch::Received);
    EXPECT_NE(findText(drawn, "1. ava - 3100"), nullptr);
    EXPECT_NE(findText(drawn, "On this computer"), nullptr);
    EXPECT_NE(findText(drawn, "1. Robin - 4200"), nullptr);
    EXPECT_NE(findText(drawn, "2. Kit - 1300"), nullptr);
    EXPECT_EQ(findTextStarting(drawn, "1. Other"), nullptr) << "another level's entry";
    EXPECT_EQ(findText(drawn, "Offline"), nullptr);

    // The next level's lists, both of them.
    handle(keyPress(sf::Keyboard::Right));
    const DrawnFrame next = drawRecordedFrame(*game);
    EXPECT_NE(findText(next, "1. Other - 999"), nullptr);
    EXPECT_EQ(findTextStarting(next, "1. Robin"), nullptr);
}

TEST_F(ScoresSeen, WithNothingAnsweringTheScreenSaysOfflineAndStillListsThisComputer) {
    pointAtNothing();
    const DrawnFrame drawn = openHighScores();
    EXPECT_EQ(game->stateManager.lastScoresFetch, ScoresFetch::Unreachable);
    EXPECT_NE(findText(drawn, "Offline"), nullptr);
    EXPECT_EQ(findText(drawn, "No scores yet!"), nullptr);
    EXPECT_NE(findText(drawn, "1. Robin - 4200"), nullptr);

    // An answer that is an error is not "offline": the server is there.
    game->supabase = SupabaseClient(server.baseUrl(), BACKEND_ANON_KEY);
    server.answer(FETCH, 500, "");
    handle(keyPress(sf::Keyboard::Right));
    EXPECT_EQ(game->stateManager.lastScoresFetch, ScoresFetch::Failed);
    EXPECT_EQ(findText(drawRecordedFrame(*game), "Offline"), nullptr);
    // And once it answers, the online list is back.
    server.answer(FETCH, 200, LEVEL_ZERO_LIST);
    handle(keyPress(sf::Keyboard::Left));
    const DrawnFrame back = drawRecordedFrame(*game);
    EXPECT_EQ(game->stateManager.lastScoresFetch, ScoresFetch::Received);
    EXPECT_NE(findText(back, "1. ava - 3100"), nullptr);
    EXPECT_EQ(findText(back, "Offline"), nullptr);
}

TEST_F(ScoresSeen, TheResultsShowThisComputersListWhenSignedOutOrOffline) {
    winLevel(1200);
    DrawnFrame drawn = drawRecordedFrame(*game);
    EXPECT_NE(findText(drawn, "On this computer"), nullptr) << "signed out";
    EXPECT_NE(findText(drawn, "Robin"), nullptr);
    EXPECT_NE(findText(drawn, "ava"), nullptr);

    // Signed in, with the server answering: the online list alone.
    game->stateManager.transitionTo(Menu);
    signInThroughTheScreen();
    ASSERT_TRUE(game->stateManager.isLoggedIn);
    winLevel(1500);
    drawn = drawRecordedFrame(*game);
    EXPECT_EQ(findText(drawn, "On this computer"), nullptr) << "signed in";
    EXPECT_NE(findText(drawn, "ava"), nullptr);

    // Signed in, and then nothing answers.
    pointAtNothing();
    game->stateManager.transitionTo(Menu);
    winLevel(1500);
    drawn = drawRecordedFrame(*game);
    EXPECT_NE(findText(drawn, "On this computer"), nullptr) << "offline";
    EXPECT_NE(findText(drawn, "Offline"), nullptr);
    EXPECT_EQ(findText(drawn, "ava"), nullptr);
    EXPECT_NE(findText(drawn, "Robin"), nullptr);
}

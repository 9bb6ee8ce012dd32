#include "e2e/FlowTestSupport.h"

#include "online/AccountRules.h"
#include "ui/ScreenChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

// The login form as a player uses it: the keyboard alone fills it in, only
// names and passwords that the server can take are sent, and whatever went
// wrong is said on the screen itself.
namespace {

const char* const LOOKUP = "/rest/v1/rpc/get_email_by_username";
const char* const TOKEN = "/auth/v1/token";
const char* const SIGNUP = "/auth/v1/signup";
const char* const SESSION = R"({"access_token":"token-7","token_type":"bearer",)"
                            R"("user":{"id":"user-7","email":"pilot@vollarin.io"}})";

class LoginForm : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        game->stateManager.openLogin(Menu);
        game->render(); // the fields publish their click areas
    }

    void key(sf::Keyboard::Key code) { handle(keyPress(code)); }

    std::size_t accountRequests() const {
        std::size_t count = 0;
        for (const auto& request : server.requests()) {
            const std::string path = request.target.substr(0, request.target.find('?'));
            count += path == LOOKUP || path == TOKEN || path == SIGNUP ? 1 : 0;
        }
        return count;
    }

    // What the login screen shows under its buttons, read from the frame.
    std::string shownError() {
        const DrawnFrame frame = drawRecordedFrame(*game);
        const float buttonsBottom = game->ui.loginButtonRect.top + game->ui.loginButtonRect.height;
        for (const DrawnElement& element : frame.drawn) {
            if (element.kind == DrawnElement::Text && element.pixels.top > buttonsBottom &&
                element.text.rfind("Press ESC", 0) != 0) {
                return element.text;
            }
        }
        return {};
    }

    void fillIn(const std::string& name, const std::string& password) {
        clickCentreOf(game->ui.usernameFieldRect);
        type(name);
        key(sf::Keyboard::Tab);
        type(password);
    }
};

TEST_F(LoginForm, TabWalksTheFieldsAndButtonsAndEnterLogsIn) {
    server.answer(LOOKUP, 200, "\"pilot@vollarin.io\"");
    server.answer(TOKEN, 200, SESSION);
    GameStateManager& flow = game->stateManager;
    EXPECT_EQ(flow.loginFocus, 1) << "the form opens on the name";
    type("pilot");
    key(sf::Keyboard::Tab);
    EXPECT_EQ(flow.loginFocus, 2);
    handle(textEntered('\t')); // the Tab's own character never lands in a field
    type("Hunter-2");
    key(sf::Keyboard::Tab);
    EXPECT_EQ(flow.loginFocus, 3) << "the Login button";
    type("x"); // nothing takes text while a button has the focus
    EXPECT_EQ(flow.usernameInput, "pilot");
    EXPECT_EQ(flow.passwordInput, "Hunter-2");

    testing::internal::CaptureStdout();
    key(sf::Keyboard::Enter);
    handle(textEntered('\r'));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Login button clicked!"), std::string::npos) << log;
    EXPECT_NE(log.find("Login successful for user: pilot"), std::string::npos) << log;
    EXPECT_TRUE(flow.isLoggedIn);
    EXPECT_EQ(flow.state, Menu);
    EXPECT_EQ(accountRequests(), 2u);
    EXPECT_EQ(flow.passwordInput, "") << "a successful attempt keeps no password either";
}

TEST_F(LoginForm, TheKeysAloneReachSignUpAndItsFocusIsDrawn) {
    GameStateManager& flow = game->stateManager;
    server.answer(
        SIGNUP, 422,
        R"({"code":422,"error_code":"user_already_exists","msg":"User already registered"})");
    type("pilot");
    key(sf::Keyboard::Down);
    type("Hunter-2");
    key(sf::Keyboard::Down);
    key(sf::Keyboard::Down);
    // The yellow frame sits around Sign Up, not Login.
    const sf::FloatRect signUp = game->ui.signUpButtonRect;
    const sf::FloatRect login = game->ui.loginButtonRect;
    auto framed = [&](const sf::FloatRect& button) {
        for (const DrawnElement& element : drawRecordedFrame(*game).drawn) {
            if (element.kind != DrawnElement::Text &&
                element.pixels.contains(button.left - 1.0f, button.top - 1.0f) &&
                element.pixels.width < button.width + 30.0f) {
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(framed(signUp));
    EXPECT_FALSE(framed(login));
    testing::internal::CaptureStderr();
    key(sf::Keyboard::Enter);
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Sign Up failed: "), std::string::npos) << errors;
    EXPECT_EQ(shownError(), "That name is taken");
    EXPECT_EQ(flow.state, Login);
}

TEST_F(LoginForm, AFreshFormTakesEveryKeyAsTextAndNeverShowsThePassword) {
    GameStateManager& flow = game->stateManager;
    const bool mutedBefore = game->settings.muted;
    // As the window reports a letter: the key, then its text.
    for (const char c : std::string("mia")) {
        if (c == 'm') {
            key(sf::Keyboard::M);
        }
        handle(textEntered(static_cast<unsigned char>(c)));
    }
    EXPECT_EQ(flow.usernameInput, "mia");
    EXPECT_EQ(game->settings.muted, mutedBefore) << "the M was a letter of the name";
    key(sf::Keyboard::Tab);
    type("Secret-9");
    EXPECT_EQ(flow.passwordInput, "Secret-9");
    EXPECT_EQ(flow.usernameInput, "mia");
    for (const DrawnElement& element : drawRecordedFrame(*game).drawn) {
        EXPECT_EQ(element.text.find("Secret"), std::string::npos) << element.text;
    }

    // Back later with the name still there: the password is what is missing.
    key(sf::Keyboard::Escape);
    flow.passwordInput.clear();
    flow.openLogin(Menu);
    EXPECT_EQ(flow.loginFocus, 2);
    type("m0re-pw");
    EXPECT_EQ(flow.passwordInput, "m0re-pw");
    EXPECT_EQ(flow.usernameInput, "mia");
}

TEST_F(LoginForm, TheFormShowsTheGamesBackdropAndTitleAndWhereEscapeGoes) {
    auto texts = [this] {
        std::vector<std::string> shown;
        const DrawnFrame frame = drawRecordedFrame(*game);
        for (const DrawnElement& element : frame.drawn) {
            if (element.kind == DrawnElement::Text) {
                shown.push_back(element.text);
            }
        }
        // Not a bare black page: most of the window shows the backdrop.
        std::size_t lit = 0;
        const sf::Vector2u size = frame.image.getSize();
        for (unsigned y = 0; y < size.y; y += 8) {
            for (unsigned x = 0; x < size.x; x += 8) {
                const sf::Color c = frame.image.getPixel(x, y);
                lit += c.r + c.g + c.b > 30 ? 1 : 0;
            }
        }
        EXPECT_GT(lit, (size.x / 8) * (size.y / 8) / 2);
        return shown;
    };
    auto has = [](const std::vector<std::string>& shown, const char* text) {
        return std::find(shown.begin(), shown.end(), text) != shown.end();
    };
    std::vector<std::string> shown = texts(); // opened from the menu
    EXPECT_TRUE(has(shown, "VOLLARIN"));
    EXPECT_TRUE(has(shown, "Press ESC to go back"));
    EXPECT_FALSE(has(shown, "Press ESC to resume")) << "nothing to resume from the menu";

    key(sf::Keyboard::Escape);
    game->stateManager.openLogin(Playing);
    shown = texts();
    EXPECT_TRUE(has(shown, "VOLLARIN"));
    EXPECT_TRUE(has(shown, "Press ESC to resume"));
}

TEST_F(LoginForm, ARejectedNameIsShownAndNothingIsSent) {
    GameStateManager& flow = game->stateManager;
    for (const std::string& name : {std::string("bad\"name"), std::string("back\\slash"),
                                    std::string("two words"), std::string()}) {
        flow.usernameInput.clear();
        flow.passwordInput.clear();
        fillIn(name, "Hunter-2");
        testing::internal::CaptureStderr();
        key(sf::Keyboard::Enter);
        const std::string errors = testing::internal::GetCapturedStderr();
        EXPECT_EQ(accountRequests(), 0u) << name;
        EXPECT_EQ(flow.state, Login);
        EXPECT_EQ(flow.loginError, AccountRules::usernameProblem(name)) << name;
        EXPECT_FALSE(flow.loginError.empty()) << name;
        EXPECT_EQ(shownError(), flow.loginError) << name;
        EXPECT_NE(errors.find("Login failed: " + flow.loginError), std::string::npos) << errors;
    }
    // Sign Up checks the same before sending.
    flow.usernameInput = "fine_name";
    flow.passwordInput = "short";
    clickCentreOf(game->ui.signUpButtonRect);
    EXPECT_EQ(accountRequests(), 0u);
    EXPECT_EQ(shownError(), "A password has at least 6 characters");
}

TEST_F(LoginForm, TypingStopsAtEachFieldsLimitAndClearsTheError) {
    GameStateManager& flow = game->stateManager;
    flow.loginError = "Invalid username or password";
    clickCentreOf(game->ui.usernameFieldRect);
    type(std::string(25, 'a'));
    EXPECT_EQ(flow.usernameInput, std::string(20, 'a'));
    EXPECT_TRUE(flow.loginError.empty()) << "a corrected field clears the old message";
    key(sf::Keyboard::Tab);
    type(std::string(80, '#'));
    EXPECT_EQ(flow.passwordInput, std::string(72, '#'));
    EXPECT_EQ(shownError(), "");
}

TEST_F(LoginForm, FailedAttemptsSayWhyOnTheScreen) {
    GameStateManager& flow = game->stateManager;
    server.answer(LOOKUP, 200, "\"pilot@vollarin.io\"");
    server.answer(
        TOKEN, 400,
        R"({"code":400,"error_code":"invalid_credentials","msg":"Invalid login credentials"})");
    fillIn("pilot", "wrong-password");
    testing::internal::CaptureStderr();
    clickCentreOf(game->ui.loginButtonRect);
    std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Login failed: Authentication failed: "), std::string::npos) << errors;
    EXPECT_EQ(shownError(), "Invalid username or password");
    EXPECT_EQ(flow.passwordInput, "");
    type("other-password"); // the focus waits in the emptied password field

    server.answer(
        SIGNUP, 422,
        R"({"code":422,"error_code":"user_already_exists","msg":"User already registered"})");
    testing::internal::CaptureStderr();
    clickCentreOf(game->ui.signUpButtonRect);
    errors = testing::internal::GetCapturedStderr();
    EXPECT_NE(errors.find("Sign Up failed: "), std::string::npos) << errors;
    EXPECT_EQ(shownError(), "That name is taken");

    game->supabase = SupabaseClient(
        "http://127.0.0.1:" + std::to_string(ScriptedServer::unusedPort()), BACKEND_ANON_KEY);
    type("other-password");
    testing::internal::CaptureStderr();
    clickCentreOf(game->ui.signUpButtonRect);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(shownError(), "Cannot reach the scores server");
    EXPECT_FALSE(flow.isLoggedIn);
    EXPECT_EQ(flow.state, Login);

    // Opening the screen again starts without the old message.
    handle(keyPress(sf::Keyboard::Escape));
    flow.openLogin(Menu);
    EXPECT_EQ(shownError(), "");
}

TEST(AccountRules, NamesAndPasswordsAtTheirLimits) {
    EXPECT_EQ(AccountRules::usernameProblem("a"), "");
    EXPECT_EQ(AccountRules::usernameProblem("Ab_9-z"), "");
    EXPECT_EQ(AccountRules::usernameProblem(std::string(20, 'x')), "");
    EXPECT_NE(AccountRules::usernameProblem(std::string(21, 'x')), "");
    EXPECT_NE(AccountRules::usernameProblem(""), "");
    for (const char* bad : {"a\"b", "a\\b", "a b", "a@b", "a.b", "\xc3\xa9t\xc3\xa9"}) {
        EXPECT_NE(AccountRules::usernameProblem(bad), "") << bad;
    }
    EXPECT_EQ(AccountRules::passwordProblem("123456"), "");
    EXPECT_EQ(AccountRules::passwordProblem("with spaces and ~!"), "");
    EXPECT_EQ(AccountRules::passwordProblem(std::string(72, 'p')), "");
    EXPECT_NE(AccountRules::passwordProblem("12345"), "");
    EXPECT_NE(AccountRules::passwordProblem(std::string(73, 'p')), "");
    EXPECT_NE(AccountRules::passwordProblem("tab\there"), "");
    EXPECT_TRUE(AccountRules::isPrintable(' '));
    EXPECT_TRUE(AccountRules::isPrintable('~'));
    EXPECT_FALSE(AccountRules::isPrintable(127));
    EXPECT_FALSE(AccountRules::isPrintable('\t'));
    EXPECT_FALSE(AccountRules::isPrintable(0xe9));
}

TEST(AccountErrors, ClientTextsBecomeWhatThePlayerReads) {
    const auto message = GameStateManager::accountErrorMessage;
    EXPECT_EQ(message("Network error", false), "Cannot reach the scores server");
    EXPECT_EQ(message("Network error", true), "Cannot reach the scores server");
    EXPECT_EQ(message("Username not found", false), "Invalid username or password");
    EXPECT_EQ(message("Authentication failed: {\"error_code\":\"invalid_credentials\"}", false),
              "Invalid username or password");
    EXPECT_EQ(message("Authentication failed: {\"msg\":\"User already registered\"}", true),
              "That name is taken");
    EXPECT_EQ(message("Authentication failed: {\"msg\":\"Database error saving new user\"}", true),
              "That name is taken");
    EXPECT_EQ(message("JSON parse error", false), "Login failed, please try again");
    EXPECT_EQ(message("JSON parse error", true), "Sign up failed, please try again");
}

} // namespace

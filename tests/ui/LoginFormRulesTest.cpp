#include "ui/LoginForm.h"

#include "online/AccountRules.h"

#include <gtest/gtest.h>

// The login form's rules without a window: focus, typing, the cursor's blink
// and which buttons count in each view.

TEST(LoginFormRules, TabGoesToTheNameFirstThenThroughTheFieldsAndButtons) {
    EXPECT_EQ(LoginForm::nextField(LoginForm::NoField), LoginForm::UsernameField);
    EXPECT_EQ(LoginForm::nextField(LoginForm::UsernameField), LoginForm::PasswordField);
    EXPECT_EQ(LoginForm::nextField(LoginForm::PasswordField), LoginForm::LoginButtonFocus);
    EXPECT_EQ(LoginForm::nextField(LoginForm::LoginButtonFocus), LoginForm::SignUpButtonFocus);
    EXPECT_EQ(LoginForm::nextField(LoginForm::SignUpButtonFocus), LoginForm::UsernameField);
    EXPECT_EQ(LoginForm::nextField(LoginForm::UsernameField, -1), LoginForm::SignUpButtonFocus);
    EXPECT_EQ(LoginForm::nextField(LoginForm::NoField, -1), LoginForm::UsernameField);
    // A button has the focus for the keys, but typing goes nowhere.
    EXPECT_FALSE(LoginForm::takesText(false, LoginForm::SignUpButtonFocus));
    EXPECT_EQ(LoginForm::buttonOf(LoginForm::SignUpButtonFocus), SignUpButton);
    EXPECT_EQ(LoginForm::buttonOf(LoginForm::PasswordField), NoButton);
    EXPECT_EQ(LoginForm::fieldOf(UsernameFieldButton), LoginForm::UsernameField);
    EXPECT_EQ(LoginForm::fieldOf(PasswordFieldButton), LoginForm::PasswordField);
    EXPECT_EQ(LoginForm::fieldOf(LoginButton), LoginForm::NoField);
    EXPECT_STREQ(LoginForm::focusLogLine(LoginForm::UsernameField),
                 "Username input field activated.");
    EXPECT_STREQ(LoginForm::focusLogLine(LoginForm::PasswordField),
                 "Password input field activated.");
}

TEST(LoginFormRules, TypingGoesToTheFocusedFieldOnlyAndClearsTheError) {
    std::string name, password, error = "That name is taken";
    EXPECT_FALSE(LoginForm::type('a', LoginForm::NoField, name, password, error));
    EXPECT_FALSE(LoginForm::type(8, LoginForm::UsernameField, name, password, error));
    EXPECT_EQ(error, "That name is taken"); // nothing changed, the error stands
    for (sf::Uint32 code :
         {sf::Uint32('a'), sf::Uint32('b'), 8u, sf::Uint32('c'), 9u, 10u, 13u, 127u, 200u}) {
        LoginForm::type(code, LoginForm::UsernameField, name, password, error);
    }
    EXPECT_EQ(name, "ac");
    EXPECT_EQ(password, "");
    EXPECT_EQ(error, "");
    EXPECT_TRUE(LoginForm::type(' ', LoginForm::PasswordField, name, password, error));
    EXPECT_EQ(password, " ");
}

TEST(LoginFormRules, EachFieldStopsAtItsLimit) {
    std::string name(AccountRules::USERNAME_MAX_LENGTH - 1, 'n');
    std::string password(AccountRules::PASSWORD_MAX_LENGTH, 'p');
    std::string error;
    EXPECT_TRUE(LoginForm::type('x', LoginForm::UsernameField, name, password, error));
    EXPECT_FALSE(LoginForm::type('y', LoginForm::UsernameField, name, password, error));
    EXPECT_EQ(name.size(), AccountRules::USERNAME_MAX_LENGTH);
    EXPECT_FALSE(LoginForm::type('q', LoginForm::PasswordField, name, password, error));
    EXPECT_TRUE(LoginForm::type(8, LoginForm::PasswordField, name, password, error));
    EXPECT_EQ(password.size(), AccountRules::PASSWORD_MAX_LENGTH - 1);
}

TEST(LoginFormRules, TheCursorBlinksOnlyWhileAFieldIsFocused) {
    float timer = 0.0f;
    bool visible = true;
    LoginForm::stepCursor(true, 0.3f, timer, visible);
    EXPECT_TRUE(visible);
    LoginForm::stepCursor(true, 0.2f, timer, visible); // 0.5 s reached
    EXPECT_FALSE(visible);
    EXPECT_EQ(timer, 0.0f);
    LoginForm::stepCursor(true, 0.25f, timer, visible);
    EXPECT_FALSE(visible);
    LoginForm::stepCursor(false, 0.1f, timer, visible); // focus gone: rests visible
    EXPECT_TRUE(visible);
    EXPECT_EQ(timer, 0.0f);
}

TEST(LoginFormRules, KeysAreTextOnlyWhenSignedOutWithAFocus) {
    EXPECT_TRUE(LoginForm::takesText(false, LoginForm::UsernameField));
    EXPECT_TRUE(LoginForm::takesText(false, LoginForm::PasswordField));
    EXPECT_FALSE(LoginForm::takesText(false, LoginForm::NoField));
    EXPECT_FALSE(LoginForm::takesText(true, LoginForm::UsernameField));
}

TEST(LoginFormRules, EachViewOffersOnlyItsOwnButtons) {
    EXPECT_EQ(LoginForm::buttons(true), std::vector<ButtonId>{SignOutButton});
    EXPECT_EQ(LoginForm::buttons(false),
              (std::vector<ButtonId>{LoginButton, SignUpButton, UsernameFieldButton,
                                     PasswordFieldButton}));
}

TEST(LoginFormRules, LayoutHangsFromTheWindowsMiddle) {
    const LoginForm form({1280, 720});
    EXPECT_EQ(form.title, sf::Vector2f(640.0f, 160.0f));
    EXPECT_EQ(form.usernameField, sf::Vector2f(640.0f, 310.0f));
    EXPECT_EQ(form.passwordField, sf::Vector2f(640.0f, 380.0f));
    EXPECT_EQ(form.login, sf::Vector2f(540.0f, 480.0f));
    EXPECT_EQ(form.signUp, sf::Vector2f(740.0f, 480.0f));
    EXPECT_EQ(form.signOut, sf::Vector2f(640.0f, 400.0f));
    EXPECT_EQ(form.hint, sf::Vector2f(640.0f, 670.0f));
    EXPECT_EQ(form.error, sf::Vector2f(640.0f, 545.0f));
    // The cursor sits 2 px after the text, or in the middle of an empty field.
    EXPECT_EQ(form.cursorCentre(LoginForm::PasswordField, {600.0f, 370.0f, 50.0f, 20.0f}),
              sf::Vector2f(653.0f, 380.0f));
    EXPECT_EQ(form.cursorCentre(LoginForm::UsernameField, {}), sf::Vector2f(643.0f, 310.0f));
}

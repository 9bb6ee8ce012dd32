#include "ui/LoginForm.h"

#include "online/AccountRules.h"
#include "ui/TypedCodes.h"

#include <algorithm>

namespace {
// Everything hangs from the heading, 200 px above the window's middle.
constexpr float TITLE_ABOVE_MIDDLE = 200.0f;
constexpr float HINT_ABOVE_BOTTOM = 50.0f;
// Below the heading.
constexpr float SIGNED_IN_LABEL_DOWN = 100.0f;
constexpr float SIGNED_IN_NAME_DOWN = 140.0f;
constexpr float SIGN_OUT_DOWN = 240.0f;
constexpr float USERNAME_DOWN = 150.0f;
constexpr float PASSWORD_DOWN = 220.0f;
constexpr float BUTTONS_DOWN = 320.0f;
constexpr float ERROR_DOWN = 385.0f;
constexpr float GAME_TITLE_TOP_MIN = 16.0f;
constexpr float GAME_TITLE_ABOVE_HEADING = 150.0f;
// Login left of the middle, Sign Up right of it.
constexpr float BUTTON_SIDE_OFFSET = 100.0f;
} // namespace

const sf::Vector2f LoginForm::SIGN_OUT_SIZE(200.0f, 50.0f);
const sf::Vector2f LoginForm::FORM_BUTTON_SIZE(150.0f, 50.0f);

LoginForm::Field LoginForm::openingFocus(const std::string& username) {
    return username.empty() ? UsernameField : PasswordField;
}

LoginForm::Field LoginForm::nextField(std::int32_t focus, int step) {
    constexpr std::int32_t FIRST = UsernameField;
    constexpr std::int32_t COUNT = SignUpButtonFocus - UsernameField + 1;
    if (focus < FIRST || focus > SignUpButtonFocus) {
        return UsernameField;
    }
    const std::int32_t index = ((focus - FIRST + step) % COUNT + COUNT) % COUNT;
    return static_cast<Field>(FIRST + index);
}

bool LoginForm::isTextField(std::int32_t focus) {
    return focus == UsernameField || focus == PasswordField;
}

ButtonId LoginForm::buttonOf(std::int32_t focus) {
    switch (focus) {
    case LoginButtonFocus:
        return LoginButton;
    case SignUpButtonFocus:
        return SignUpButton;
    default:
        return NoButton;
    }
}

LoginForm::Field LoginForm::fieldOf(ButtonId button) {
    switch (button) {
    case UsernameFieldButton:
        return UsernameField;
    case PasswordFieldButton:
        return PasswordField;
    default:
        return NoField;
    }
}

const char* LoginForm::focusLogLine(Field field) {
    return field == UsernameField ? "Username input field activated."
                                  : "Password input field activated.";
}

bool LoginForm::type(sf::Uint32 code, std::int32_t focus, std::string& username,
                     std::string& password, std::string& error) {
    std::string* field = focus == UsernameField   ? &username
                         : focus == PasswordField ? &password
                                                  : nullptr;
    if (field == nullptr) {
        return false;
    }
    const std::size_t limit = focus == UsernameField ? AccountRules::USERNAME_MAX_LENGTH
                                                     : AccountRules::PASSWORD_MAX_LENGTH;
    if (code == BACKSPACE_CODE) {
        if (field->empty()) {
            return false;
        }
        field->pop_back();
    } else if (AccountRules::isPrintable(code) && field->size() < limit) {
        field->push_back(static_cast<char>(code));
    } else {
        return false;
    }
    error.clear();
    return true;
}

const char* LoginForm::backHint(GameState openedFrom) {
    return openedFrom == Playing ? "Press ESC to resume" : "Press ESC to go back";
}

bool LoginForm::takesText(bool signedIn, std::int32_t focus) {
    return !signedIn && isTextField(focus);
}

void LoginForm::stepCursor(bool blinking, float dt, float& timer, bool& visible) {
    if (!blinking) {
        visible = true;
        timer = 0.0f;
        return;
    }
    timer += dt;
    if (timer >= CURSOR_BLINK_SECONDS) {
        visible = !visible;
        timer = 0.0f;
    }
}

const std::vector<ButtonId>& LoginForm::buttons(bool signedIn) {
    static const std::vector<ButtonId> signedInView{SignOutButton};
    static const std::vector<ButtonId> signedOutView{LoginButton, SignUpButton, UsernameFieldButton,
                                                     PasswordFieldButton};
    return signedIn ? signedInView : signedOutView;
}

LoginForm::LoginForm(sf::Vector2u windowSize) {
    const sf::Vector2f size(static_cast<float>(windowSize.x), static_cast<float>(windowSize.y));
    const float cx = size.x / 2.0f;
    const float top = size.y / 2.0f - TITLE_ABOVE_MIDDLE;
    title = {cx, top};
    // Well above the heading in a tall window, at the top edge in a short one.
    gameTitle = {cx, std::max(GAME_TITLE_TOP_MIN, top - GAME_TITLE_ABOVE_HEADING)};
    hint = {cx, size.y - HINT_ABOVE_BOTTOM};
    error = {cx, top + ERROR_DOWN};
    signedInLabel = {cx, top + SIGNED_IN_LABEL_DOWN};
    signedInName = {cx, top + SIGNED_IN_NAME_DOWN};
    signOut = {cx, top + SIGN_OUT_DOWN};
    usernameField = {cx, top + USERNAME_DOWN};
    passwordField = {cx, top + PASSWORD_DOWN};
    login = {cx - BUTTON_SIDE_OFFSET, top + BUTTONS_DOWN};
    signUp = {cx + BUTTON_SIDE_OFFSET, top + BUTTONS_DOWN};
}

sf::Vector2f LoginForm::fieldCentre(std::int32_t field) const {
    return field == PasswordField ? passwordField : usernameField;
}

sf::Vector2f LoginForm::cursorCentre(std::int32_t field, const sf::FloatRect& shownInk) const {
    const sf::Vector2f centre = fieldCentre(field);
    const float textRight = shownInk.width > 0.0f ? shownInk.left + shownInk.width : centre.x;
    return {textRight + CURSOR_GAP + CURSOR_WIDTH / 2.0f, centre.y};
}

#pragma once

#include "core/GameState.h"
#include "ui/ButtonId.h"

#include <SFML/Config.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <cstdint>
#include <string>
#include <vector>

// The login screen's own rules, in one place for the three that use them:
// its drawing (UIRenderer::drawLoginScreen), its input (InputHandler) and the
// frame's cursor step (Game::update). Which field has the focus and where
// Tab moves it, what a typed character does to a field, how the cursor
// blinks, which buttons count in each of the two views, and where everything
// sits in a window of a given size. What happens when a button is pressed
// (sign in, sign up, sign out) is the game flow's (GameStateManager).
class LoginForm {
public:
    // The values of loginFocus: a field, or (for the keys) one of the two
    // buttons of the signed-out view.
    enum Field : std::int32_t {
        NoField = 0,
        UsernameField = 1,
        PasswordField = 2,
        LoginButtonFocus = 3,
        SignUpButtonFocus = 4,
    };

    // The focused field's cursor shows and hides this often.
    static constexpr float CURSOR_BLINK_SECONDS = 0.5f;
    static constexpr float FIELD_WIDTH = 400.0f;
    static constexpr float FIELD_HEIGHT = 50.0f;
    // The bar after the text, and the gap between the two.
    static constexpr float CURSOR_WIDTH = 2.0f;
    static constexpr float CURSOR_HEIGHT = 24.0f;
    static constexpr float CURSOR_GAP = 2.0f;

    // ------------------------------------------------------------ rules

    // The field a freshly opened form types into: the user name, or the
    // password when the name is already there.
    static Field openingFocus(const std::string& username);
    // Tab and Down: the user name, the password, Login, Sign Up and round
    // again (from nothing yet: the user name); Up goes back (`step` -1).
    static Field nextField(std::int32_t focus, int step = 1);
    // A field that takes typed text (not a button, not nothing).
    static bool isTextField(std::int32_t focus);
    // The button a focus stands for, or NoButton.
    static ButtonId buttonOf(std::int32_t focus);
    // The field a click on this element focuses, or NoField.
    static Field fieldOf(ButtonId button);
    // The line the log gets when a field takes the focus.
    static const char* focusLogLine(Field field);
    // One typed character code into the focused field: a backspace removes
    // the last character, a printable ASCII character is appended while the
    // field is under its limit, anything else (Tab, Enter, Delete, beyond
    // ASCII) is ignored. A change clears `error`, which no longer applies.
    // Returns whether the field changed.
    static bool type(sf::Uint32 code, std::int32_t focus, std::string& username,
                     std::string& password, std::string& error);
    // What the hint at the bottom says Escape does: back to the game when
    // the form was opened from play ("Press ESC to resume"), else back to
    // the screen it was opened from ("Press ESC to go back").
    static const char* backHint(GameState openedFrom);
    // Whether key strokes are text for a field: signed out, with a focus.
    static bool takesText(bool signedIn, std::int32_t focus);
    // One frame of the text cursor. While `blinking` (the login screen with a
    // focused field) it turns every CURSOR_BLINK_SECONDS; otherwise it rests
    // visible with its timer at zero.
    static void stepCursor(bool blinking, float dt, float& timer, bool& visible);
    // The buttons of the view shown, in the order they are hit-tested. Only
    // these count: the slots of the other view keep old rectangles (the Sign
    // Out area overlaps the password field).
    static const std::vector<ButtonId>& buttons(bool signedIn);

    // ------------------------------------------------------------ geometry

    // Laid out for a window of this size, in window pixels.
    explicit LoginForm(sf::Vector2u windowSize);

    // Top centre of the game's name over the form, as on the menu.
    sf::Vector2f gameTitle;
    static constexpr unsigned int GAME_TITLE_SIZE = 48;
    sf::Vector2f title; // centre of the heading ("LOGIN or SIGN UP" / "LOGGED IN")
    sf::Vector2f hint;  // centre of the backHint
    sf::Vector2f error; // centre of the error line, below the buttons
    // Signed in: the two lines and the Sign Out button.
    sf::Vector2f signedInLabel;
    sf::Vector2f signedInName;
    sf::Vector2f signOut;
    static const sf::Vector2f SIGN_OUT_SIZE;
    // Signed out: the two fields and the two buttons.
    sf::Vector2f usernameField;
    sf::Vector2f passwordField;
    sf::Vector2f login;
    sf::Vector2f signUp;
    static const sf::Vector2f FORM_BUTTON_SIZE;

    // Centre of a field's box (NoField: the user name's).
    sf::Vector2f fieldCentre(std::int32_t field) const;
    // Centre of the text cursor in `field`, after the shown text's ink box
    // (empty while nothing is typed: then at the field's centre).
    sf::Vector2f cursorCentre(std::int32_t field, const sf::FloatRect& shownInk) const;
};

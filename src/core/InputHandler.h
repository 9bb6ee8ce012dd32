#pragma once

#include "ui/LoginForm.h"

#include <SFML/Graphics/View.hpp>
#include <SFML/Window/Event.hpp>

namespace sf {
class RenderWindow;
}
class Game;

// Turns window events into game actions, by the state current when each
// event arrives. processEvents drains the window; handleEvent takes one
// event, so tests and tools can feed input directly. The window's own events
// and the keys of every screen are handled here first; the rest goes to the
// handler ScreenTable names for the state. Button ids are ButtonId's, the
// login form's rules LoginForm's, the pause menu's entries PauseLayout's.
class InputHandler {
public:
    explicit InputHandler(Game& game);

    void processEvents(sf::RenderWindow& window);
    void handleEvent(const sf::Event& event);

    // True while a key stroke is text for a field (the login form, the
    // nickname): keys that act on every screen then stay letters.
    bool isTypingText() const;

private:
    // Its rows name the screens' handlers below.
    friend class ScreenTable;

    // M (mute) and F11 (fullscreen), on every screen; true when the event
    // was one of them.
    bool handleEveryScreenKey(const sf::Event& event);
    void handleMenu(const sf::Event& event);
    void handleLevelSelect(const sf::Event& event);
    void handleLevelSelectKey(sf::Keyboard::Key key, int count);
    void handlePlaying(const sf::Event& event);
    void handlePaused(const sf::Event& event);
    void handleLevelComplete(const sf::Event& event);
    void handleEnterNickname(const sf::Event& event);
    void handleHighScores(const sf::Event& event);
    void handleLogin(const sf::Event& event);
    void handleGameComplete(const sf::Event& event);
    void handleWatching(const sf::Event& event);

    void performPauseEntry(int index);
    void performMenuEntry(ButtonId button);
    void focusLoginField(LoginForm::Field field);

    // Mouse positions arrive in window pixels. Screens and the HUD are laid
    // out in the window view, one unit per pixel at any window size; aiming
    // maps through the camera (Game).
    sf::Vector2f toWindowView(int x, int y) const;

    Game& game;
};

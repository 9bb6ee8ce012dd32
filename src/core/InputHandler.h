#pragma once

#include "core/ControllerInput.h"
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

    // Reads the controller once (processEvents does, every frame) and hands
    // the keys it stands for to handleEvent.
    // Also moves the look around by the right stick, `dt` seconds' worth.
    void pollController(float dt = 1.0f / 60.0f);
    ControllerInput& controller() { return pad; }

    // Aiming by keys: the pull's length (window pixels of the field) and its
    // angle above the horizon, in degrees, with their steps and bounds.
    static constexpr float AIM_LENGTH_STEP = 6.0f;
    static constexpr float AIM_LENGTH_FINE_STEP = 1.0f;
    static constexpr float AIM_ANGLE_STEP = 2.0f;
    static constexpr float AIM_ANGLE_FINE_STEP = 0.25f;
    static constexpr float AIM_START_LENGTH = 60.0f;
    static constexpr float AIM_START_ANGLE = 20.0f;
    static constexpr float AIM_MIN_ANGLE = -80.0f;
    static constexpr float AIM_MAX_ANGLE = 85.0f;

private:
    // Its rows name the screens' handlers below.
    friend class ScreenTable;

    // M (mute) and F11 (fullscreen), on every screen; true when the event
    // was one of them.
    bool handleEveryScreenKey(const sf::Event& event);
    void handleMenu(const sf::Event& event);
    void handleLevelSelect(const sf::Event& event);
    void handleLevelSelectKey(sf::Keyboard::Key key, int count);
    // Starts the selected level unless its world is still locked.
    void startSelectedLevel();
    // Shows the world `direction` pages on (wrapping), its first level
    // selected. Nothing when the level list has no worlds.
    void turnLevelSelectPage(int direction);
    void handlePlaying(const sf::Event& event);
    // The keys of play: arrows aim, Space launches or uses the special,
    // Enter uses it. True when the key was one of them.
    bool handlePlayingKey(const sf::Event& event);
    void aimByKeys(float lengthChange, float angleChange);
    // The wheel, + and -, and dragging with the right button look around
    // the field; true when the event did.
    bool handleLookAround(const sf::Event& event);
    void handlePaused(const sf::Event& event);
    void handleLevelComplete(const sf::Event& event);
    void handleEnterNickname(const sf::Event& event);
    void handleHighScores(const sf::Event& event);
    void handleLogin(const sf::Event& event);
    void handleGameComplete(const sf::Event& event);
    void handleWatching(const sf::Event& event);
    void handleMyLevels(const sf::Event& event);
    void handleEditor(const sf::Event& event);
    void handleOptions(const sf::Event& event);

    void performPauseEntry(int index);
    void performMenuEntry(ButtonId button);
    void focusLoginField(LoginForm::Field field);

    // Mouse positions arrive in window pixels. Screens and the HUD are laid
    // out in the window view, one unit per pixel at any window size; aiming
    // maps through the camera (Game).
    sf::Vector2f toWindowView(int x, int y) const;

    Game& game;
    ControllerInput pad;
    float aimLength = AIM_START_LENGTH;
    float aimAngle = AIM_START_ANGLE;
    // Where the right button last was while it drags the look around.
    bool panning = false;
    sf::Vector2i panFrom;
};

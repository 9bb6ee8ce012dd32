#pragma once

#include <SFML/Window/Event.hpp>
#include <SFML/Window/Joystick.hpp>

#include <memory>
#include <vector>

// What the game reads of a game controller. The game reads SFML's joystick;
// a test hands in a source of its own and moves its sticks and buttons.
class JoystickSource {
public:
    virtual ~JoystickSource() = default;
    virtual bool connected() const = 0;
    // -100 to 100, as SFML gives it.
    virtual float axis(sf::Joystick::Axis axis) const = 0;
    virtual bool button(unsigned int index) const = 0;
};

// The first controller SFML knows of.
class SfmlJoystick : public JoystickSource {
public:
    bool connected() const override;
    float axis(sf::Joystick::Axis axis) const override;
    bool button(unsigned int index) const override;
};

// Turns a controller into the keys every screen already takes, so that one
// set of rules serves the keyboard and the controller alike: the d-pad (or
// the left stick) is the arrow keys, A is Enter on the screens and Space
// while playing (launch, then the bird's special), B is Escape (backs out),
// Start is Escape while playing or paused (pause, resume). While a bird is
// being aimed the left stick repeats its arrows every frame, so holding it
// keeps moving the aim; elsewhere a direction counts once per push. Aiming
// has fine steps, as Shift gives them on the keys: with a shoulder button
// held, or with the stick leaned only a little (FINE_ZONE to DEAD_ZONE).
class ControllerInput {
public:
    // The usual layout of a pad: A, B, the shoulder buttons, Start.
    static constexpr unsigned int BUTTON_A = 0;
    static constexpr unsigned int BUTTON_B = 1;
    static constexpr unsigned int BUTTON_LEFT_SHOULDER = 4;
    static constexpr unsigned int BUTTON_RIGHT_SHOULDER = 5;
    static constexpr unsigned int BUTTON_START = 7;
    // How far a stick must lean to count (out of 100).
    static constexpr float DEAD_ZONE = 50.0f;
    // While aiming, a lean from here up to DEAD_ZONE moves the aim in fine
    // steps.
    static constexpr float FINE_ZONE = 20.0f;

    ControllerInput();
    explicit ControllerInput(std::unique_ptr<JoystickSource> source);
    void setSource(std::unique_ptr<JoystickSource> source);

    // The key presses this frame's controller state adds. `playing`: the
    // field takes the input; `aiming`: a bird is on the slingshot.
    // The triggers are the zoom keys too: the left one '-' (out), the right
    // one '+' (back in), once per pull.
    std::vector<sf::Event> poll(bool playing, bool aiming);
    // The right stick's lean past the dead zone, each axis -1 to 1: how
    // fast the player looks around.
    sf::Vector2f lookLean() const;

private:
    struct State {
        bool up = false, down = false, left = false, right = false;
        bool a = false, b = false, start = false;
        bool zoomOut = false, zoomIn = false;
        bool shoulder = false;
        // The left stick and the d-pad together, -100 to 100 each way.
        float x = 0.0f, y = 0.0f;
    };
    State read() const;

    std::unique_ptr<JoystickSource> source;
    State previous;
};

#include "core/ControllerInput.h"

#include <cmath>
#include <utility>

namespace {

constexpr unsigned int FIRST_JOYSTICK = 0;

sf::Event keyPress(sf::Keyboard::Key key) {
    sf::Event event{};
    event.type = sf::Event::KeyPressed;
    event.key.code = key;
    return event;
}

} // namespace

bool SfmlJoystick::connected() const {
    return sf::Joystick::isConnected(FIRST_JOYSTICK);
}

float SfmlJoystick::axis(sf::Joystick::Axis axis) const {
    return sf::Joystick::hasAxis(FIRST_JOYSTICK, axis)
               ? sf::Joystick::getAxisPosition(FIRST_JOYSTICK, axis)
               : 0.0f;
}

bool SfmlJoystick::button(unsigned int index) const {
    return sf::Joystick::isButtonPressed(FIRST_JOYSTICK, index);
}

ControllerInput::ControllerInput() : source(std::make_unique<SfmlJoystick>()) {}

ControllerInput::ControllerInput(std::unique_ptr<JoystickSource> source)
    : source(std::move(source)) {}

void ControllerInput::setSource(std::unique_ptr<JoystickSource> replacement) {
    source = std::move(replacement);
    previous = State{};
}

ControllerInput::State ControllerInput::read() const {
    State state;
    if (!source || !source->connected()) {
        return state;
    }
    // The d-pad is the pad's POV hat on SFML's axes; the left stick is X/Y.
    const float x = source->axis(sf::Joystick::X) + source->axis(sf::Joystick::PovX);
    const float y = source->axis(sf::Joystick::Y) - source->axis(sf::Joystick::PovY);
    state.x = x;
    state.y = y;
    state.left = x <= -DEAD_ZONE;
    state.right = x >= DEAD_ZONE;
    state.up = y <= -DEAD_ZONE;
    state.down = y >= DEAD_ZONE;
    state.a = source->button(BUTTON_A);
    state.b = source->button(BUTTON_B);
    state.start = source->button(BUTTON_START);
    state.shoulder = source->button(BUTTON_LEFT_SHOULDER) || source->button(BUTTON_RIGHT_SHOULDER);
    // Triggers rest at -100 and read +100 fully pulled.
    state.zoomOut = source->axis(sf::Joystick::Z) >= DEAD_ZONE;
    state.zoomIn = source->axis(sf::Joystick::R) >= DEAD_ZONE;
    return state;
}

std::vector<sf::Event> ControllerInput::poll(bool playing, bool aiming) {
    const State now = read();
    std::vector<sf::Event> keys;
    // Held directions repeat only while aiming; elsewhere a push is one step.
    auto direction = [&](bool held, bool before, sf::Keyboard::Key key) {
        if (held && (!before || (playing && aiming))) {
            keys.push_back(keyPress(key));
        }
    };
    // While aiming, every frame the stick leans past FINE_ZONE; a small
    // lean, or a shoulder button, makes the step a fine one (Shift).
    auto aim = [&](float lean, sf::Keyboard::Key less, sf::Keyboard::Key more) {
        const float size = std::abs(lean);
        if (size < FINE_ZONE) {
            return;
        }
        sf::Event key = keyPress(lean < 0.0f ? less : more);
        key.key.shift = now.shoulder || size < DEAD_ZONE;
        keys.push_back(key);
    };
    if (playing && aiming) {
        aim(now.y, sf::Keyboard::Up, sf::Keyboard::Down);
        aim(now.x, sf::Keyboard::Left, sf::Keyboard::Right);
    } else {
        direction(now.up, previous.up, sf::Keyboard::Up);
        direction(now.down, previous.down, sf::Keyboard::Down);
        direction(now.left, previous.left, sf::Keyboard::Left);
        direction(now.right, previous.right, sf::Keyboard::Right);
    }
    if (now.a && !previous.a) {
        keys.push_back(keyPress(playing ? sf::Keyboard::Space : sf::Keyboard::Enter));
    }
    if ((now.b && !previous.b) || (now.start && !previous.start)) {
        keys.push_back(keyPress(sf::Keyboard::Escape));
    }
    if (playing && now.zoomOut && !previous.zoomOut) {
        keys.push_back(keyPress(sf::Keyboard::Subtract));
    }
    if (playing && now.zoomIn && !previous.zoomIn) {
        keys.push_back(keyPress(sf::Keyboard::Add));
    }
    previous = now;
    return keys;
}

sf::Vector2f ControllerInput::lookLean() const {
    if (!source || !source->connected()) {
        return {};
    }
    auto lean = [](float value) {
        if (value > -DEAD_ZONE && value < DEAD_ZONE) {
            return 0.0f;
        }
        return value / 100.0f;
    };
    return {lean(source->axis(sf::Joystick::U)), lean(source->axis(sf::Joystick::V))};
}

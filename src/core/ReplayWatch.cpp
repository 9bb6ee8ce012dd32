#include "core/ReplayWatch.h"

#include "assets/Renderer.h"

#include <SFML/Graphics/Color.hpp>
#include <utility>

namespace {
constexpr float STRIP_HEIGHT = 34.0f;
constexpr float STRIP_MARGIN = 12.0f;
constexpr unsigned TEXT_SIZE = 18;
const sf::Color STRIP_COLOR(0, 0, 0, 150);
const sf::Color OFFER_COLOR(255, 240, 160);
} // namespace

void ReplayWatch::begin(Replay replay) {
    watched = std::move(replay);
    speedFactor = 1;
    isPaused = false;
    owedSeconds = 0.0f;
}

ReplayWatch::Action ReplayWatch::handle(const sf::Event& event) {
    if (event.type != sf::Event::KeyPressed) {
        return Action::None;
    }
    switch (event.key.code) {
    case sf::Keyboard::Escape:
        return Action::Leave;
    case sf::Keyboard::R:
        owedSeconds = 0.0f;
        isPaused = false;
        return Action::Restart;
    case sf::Keyboard::Space:
        isPaused = !isPaused;
        owedSeconds = 0.0f;
        return Action::None;
    case sf::Keyboard::Num1:
    case sf::Keyboard::Numpad1:
        speedFactor = SPEEDS[0];
        return Action::None;
    case sf::Keyboard::Num2:
    case sf::Keyboard::Numpad2:
        speedFactor = SPEEDS[1];
        return Action::None;
    case sf::Keyboard::Num4:
    case sf::Keyboard::Numpad4:
        speedFactor = SPEEDS[2];
        return Action::None;
    default:
        return Action::None;
    }
}

int ReplayWatch::stepsFor(float seconds, float stepSeconds) {
    if (isPaused || seconds <= 0.0f) {
        return 0;
    }
    owedSeconds += seconds * static_cast<float>(speedFactor);
    int steps = 0;
    while (owedSeconds >= stepSeconds) {
        owedSeconds -= stepSeconds;
        ++steps;
    }
    return steps;
}

void ReplayWatch::draw(Renderer& renderer, sf::Vector2u windowSize, bool finished) const {
    const float width = static_cast<float>(windowSize.x);
    renderer.drawRect({width / 2.0f, STRIP_HEIGHT / 2.0f}, width, STRIP_HEIGHT, STRIP_COLOR);
    TextStyle style;
    style.size = TEXT_SIZE;
    std::string state = "REPLAY  level " + std::to_string(watched.levelNumber) + "  " +
                        std::to_string(speedFactor) + "x";
    if (finished) {
        state += "  (ended)";
    } else if (isPaused) {
        state += "  (paused)";
    }
    renderer.drawTextAt(state, {STRIP_MARGIN, STRIP_HEIGHT / 2.0f}, TextAnchor::CentreLeft, style);
    renderer.drawTextAt("Space pause   1 / 2 / 4 speed   R restart   Esc leave",
                        {width - STRIP_MARGIN, STRIP_HEIGHT / 2.0f}, TextAnchor::CentreRight,
                        style);
}

void ReplayWatch::drawOffer(Renderer& renderer, sf::Vector2u windowSize, const std::string& text) {
    TextStyle style;
    style.size = TEXT_SIZE;
    style.color = OFFER_COLOR;
    style.outlineThickness = 2.0f;
    renderer.drawTextAt(
        text,
        {static_cast<float>(windowSize.x) / 2.0f, static_cast<float>(windowSize.y) - STRIP_MARGIN},
        TextAnchor::Centre, style);
}

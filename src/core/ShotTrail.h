#pragma once

#include <SFML/System/Vector2.hpp>
#include <array>
#include <cstddef>

// Where the last launched bird of an attempt flew, kept as dots an even
// distance apart along its flight, so that the player can correct the next
// shot against it. A drawing aid only: no rule ever reads it. Its size is
// fixed, so following a flight never allocates.
class ShotTrail {
public:
    static constexpr std::size_t MAX_DOTS = 256;
    // Pixels between two dots along the flight.
    static constexpr float DOT_SPACING = 14.0f;

    // A new flight from position: the old one is forgotten.
    void start(sf::Vector2f position);
    // The bird's position after a step: dots are laid every DOT_SPACING
    // pixels of the way from the last dot, until the trail is full.
    void follow(sf::Vector2f position);
    void clear() { count = 0; }

    bool empty() const { return count == 0; }
    std::size_t size() const { return count; }
    sf::Vector2f dot(std::size_t index) const { return dots[index]; }

private:
    std::array<sf::Vector2f, MAX_DOTS> dots{};
    std::size_t count = 0;
};

#pragma once

#include <SFML/System/Vector2.hpp>
#include <cstdint>

// One input of the player that changes the world, as an attempt records it:
// what it was, where (world pixels; presses and pulls only) and how many
// fixed steps of the attempt had run when it came, so that a replay hands it
// in before the same step.
struct ReplayInput {
    enum class Kind : std::uint8_t { Press = 1, Pull = 2, Release = 3, Special = 4 };

    Kind kind = Kind::Press;
    std::uint32_t step = 0;
    sf::Vector2f point;

    static bool hasPoint(Kind kind) { return kind == Kind::Press || kind == Kind::Pull; }
    bool operator==(const ReplayInput&) const = default;
};

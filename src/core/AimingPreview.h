#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/System/Vector2.hpp>
#include <array>
#include <cstddef>

// The dotted flight path shown while pulling: where a bird launched now would
// be every tenth of a second, under the world's gravity, until it would reach
// the ground or leave the field sideways.
struct PreviewDot {
    sf::Vector2f position; // world pixels
    float radius = 0.0f;
    sf::Color color;
};

struct AimingPreview {
    static constexpr std::size_t MAX_DOTS = 30;

    std::array<PreviewDot, MAX_DOTS> dots{};
    std::size_t count = 0;

    // restPx: where the bird leaves from (pixels); velocity in m/s.
    static AimingPreview compute(sf::Vector2f restPx, sf::Vector2f velocity);

    // Hard mode: the dots of the first third of the path only, so the
    // player judges the rest of the flight; at least one shows.
    void cutToFirstThird();
};

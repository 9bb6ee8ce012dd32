#pragma once

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

// How much larger than designed the screens' text and buttons are drawn.
// The screens lay themselves out for a window `scale` times smaller than the
// real one and are drawn through a view that stretches that back over the
// whole window, so their drawing and their hit tests agree at any scale.
// A scale the window has no room for is cut back: the screens never lay
// themselves out for less than the smallest window they are made for.
class UiScale {
public:
    // The smallest window every screen is laid out for.
    static constexpr float MIN_LAYOUT_WIDTH = 1024.0f;
    static constexpr float MIN_LAYOUT_HEIGHT = 576.0f;

    // `percent`: the player's choice (100 to 200).
    UiScale(int percent, sf::Vector2u windowSize);

    // The factor used in this window: at least 1, at most the choice.
    float factor() const { return scale; }
    // The window as the screens see it, in their units.
    sf::Vector2u layoutSize() const { return layout; }
    // Maps the layout over the whole window.
    sf::View view() const;

private:
    float scale;
    sf::Vector2u layout;
};

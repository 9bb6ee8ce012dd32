#pragma once

#include <SFML/Graphics/Color.hpp>

// Which point of a text's ink box (the bounds of the glyphs themselves, not
// of the line they sit on) is placed on the position a text is drawn at.
enum class TextAnchor { TopLeft, TopCentre, TopRight, CentreLeft, Centre, CentreRight };

// How a text looks. An outline keeps light text readable over any picture.
struct TextStyle {
    unsigned int size = 16;
    sf::Color color = sf::Color::White;
    bool titleFont = false;
    float outlineThickness = 0.0f; // pixels
    sf::Color outlineColor = sf::Color::Black;
};

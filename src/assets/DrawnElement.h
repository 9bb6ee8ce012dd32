#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <string>

// One text or box as it landed in the window, in window pixels; kept by the
// renderer while recording, so that a screen's layout can be checked on what
// was really drawn.
struct DrawnElement {
    enum Kind { Text, Box };

    Kind kind = Text;
    std::string text; // the string of a text; empty for a box
    sf::FloatRect pixels;
};

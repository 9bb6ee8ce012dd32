#pragma once

#include "assets/SharedConstants.h"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>

// How the playing field's camera fills a window of any shape. The view keeps
// the field's height of 900 world pixels and takes its width from the
// window's aspect, so a world pixel is square on screen and round birds stay
// round (1600 x 900 in the 1280 x 720 window). A window narrower than 4:3
// would show less than the 1200 px every level is built to fit, so there the
// view stays 1200 x 900 and is letterboxed, centred between bars above and
// below.
class FieldViewLayout {
public:
    static constexpr float FIELD_HEIGHT = 900.0f;
    static constexpr float MIN_FIELD_WIDTH = 1200.0f;
    // Where the top of the ground lies, and the top of the view while the
    // camera rests at its home height: the field's pictures are painted with
    // their grass line at the same fraction of their height.
    static constexpr float GROUND_TOP = GROUND_TOP_Y_PX;
    static constexpr float HOME_VIEW_TOP = -100.0f;

    explicit FieldViewLayout(sf::Vector2u windowSize);

    sf::Vector2f size;      // world pixels shown
    sf::FloatRect viewport; // fractions of the window

    // Gives view this layout's size and viewport; its centre stays.
    void applyTo(sf::View& view) const;
    // The point of a field background that stays put when the picture is
    // cropped to the view: centred across, the grass line held on the ground.
    static sf::Vector2f backgroundFocus();
};

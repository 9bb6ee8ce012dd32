#include "ui/UiScale.h"

#include <algorithm>
#include <cmath>

UiScale::UiScale(int percent, sf::Vector2u windowSize) {
    const float wanted = static_cast<float>(percent) / 100.0f;
    const float room = std::min(static_cast<float>(windowSize.x) / MIN_LAYOUT_WIDTH,
                                static_cast<float>(windowSize.y) / MIN_LAYOUT_HEIGHT);
    scale = std::max(1.0f, std::min(wanted, room));
    // Whole units, so that the layouts' arithmetic stays as at 100 %.
    layout = {static_cast<unsigned int>(std::floor(static_cast<float>(windowSize.x) / scale)),
              static_cast<unsigned int>(std::floor(static_cast<float>(windowSize.y) / scale))};
}

sf::View UiScale::view() const {
    return sf::View(
        sf::FloatRect(0.0f, 0.0f, static_cast<float>(layout.x), static_cast<float>(layout.y)));
}

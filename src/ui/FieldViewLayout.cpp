#include "ui/FieldViewLayout.h"

#include <algorithm>

FieldViewLayout::FieldViewLayout(sf::Vector2u windowSize) : viewport(0.0f, 0.0f, 1.0f, 1.0f) {
    const float width = static_cast<float>(std::max(windowSize.x, 1u));
    const float height = static_cast<float>(std::max(windowSize.y, 1u));
    const float fieldWidth = FIELD_HEIGHT * width / height;
    if (fieldWidth >= MIN_FIELD_WIDTH) {
        size = {fieldWidth, FIELD_HEIGHT};
        return;
    }
    size = {MIN_FIELD_WIDTH, FIELD_HEIGHT};
    const float shownHeight = width * FIELD_HEIGHT / MIN_FIELD_WIDTH; // window pixels
    viewport.height = shownHeight / height;
    viewport.top = (1.0f - viewport.height) / 2.0f;
}

void FieldViewLayout::applyTo(sf::View& view) const {
    view.setSize(size);
    view.setViewport(viewport);
}

sf::Vector2f FieldViewLayout::backgroundFocus() {
    return {0.5f, (GROUND_TOP - HOME_VIEW_TOP) / FIELD_HEIGHT};
}

#include "ui/PauseLayout.h"

namespace {
// Offsets from the window's centre: the title above, the entries' rows
// (centre of the first) and the hint below.
constexpr float TITLE_OFFSET = -150.0f;
constexpr float FIRST_ENTRY_OFFSET = -34.0f;
constexpr float HINT_OFFSET = 150.0f;
} // namespace

PauseLayout::PauseLayout(sf::Vector2u windowSize)
    : veil(0.0f, 0.0f, static_cast<float>(windowSize.x), static_cast<float>(windowSize.y)),
      centre(veil.width / 2.0f, veil.height / 2.0f) {
    titleTop = {centre.x, centre.y + TITLE_OFFSET};
    hintTop = {centre.x, centre.y + HINT_OFFSET};
}

sf::FloatRect PauseLayout::entryRect(int index, sf::Vector2f inkSize) const {
    const float rowCentre = centre.y + FIRST_ENTRY_OFFSET + ENTRY_PITCH * static_cast<float>(index);
    return {centre.x - inkSize.x / 2.0f, rowCentre - inkSize.y / 2.0f, inkSize.x, inkSize.y};
}

sf::Vector2f PauseLayout::markerPoint(const sf::FloatRect& entry) {
    return {entry.left - MARKER_GAP, entry.top + entry.height / 2.0f};
}

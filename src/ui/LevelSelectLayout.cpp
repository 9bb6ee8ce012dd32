#include "ui/LevelSelectLayout.h"

#include <algorithm>

namespace {
// Vertical spacing of the panel: title band, gap between rows, hint band.
constexpr float ROW_GAP = 50.0f;
constexpr float FIXED_BANDS = 80.0f + 60.0f + 80.0f;
// Heights inside a cell, from its top, of the centres of its three lines.
constexpr float NUMBER_Y = 26.0f;
constexpr float BEST_SCORE_Y = 55.0f;
constexpr float STARS_Y = 80.0f;
} // namespace

LevelSelectLayout::LevelSelectLayout(sf::Vector2u windowSize, int count)
    : levelCount(std::max(count, 0)), rows((levelCount + COLUMNS - 1) / COLUMNS) {
    const float panelHeight = static_cast<float>(rows - 1) * ROW_GAP +
                              static_cast<float>(rows) * CELL_HEIGHT + FIXED_BANDS;
    panelSize = {PANEL_WIDTH, panelHeight};
    panelPosition = {(static_cast<float>(windowSize.x) - PANEL_WIDTH) * 0.5f,
                     (static_cast<float>(windowSize.y) - panelHeight) * 0.5f};
}

sf::Vector2f LevelSelectLayout::cellCentre(int index) const {
    const int column = index % COLUMNS;
    const int row = index / COLUMNS;
    return {panelPosition.x + SIDE_MARGIN + static_cast<float>(column) * COLUMN_PITCH +
                CELL_WIDTH * 0.5f,
            panelPosition.y + HEADER_HEIGHT + static_cast<float>(row) * ROW_PITCH +
                CELL_HEIGHT * 0.5f};
}

sf::FloatRect LevelSelectLayout::cellRect(int index) const {
    const sf::Vector2f centre = cellCentre(index);
    return {centre.x - CELL_WIDTH * 0.5f, centre.y - CELL_HEIGHT * 0.5f, CELL_WIDTH, CELL_HEIGHT};
}

int LevelSelectLayout::cellAt(sf::Vector2f point) const {
    for (int i = 0; i < levelCount; ++i) {
        const sf::FloatRect cell = cellRect(i);
        // Unlike the button slots, a cell includes its right and bottom edges.
        if (point.x >= cell.left && point.x <= cell.left + cell.width && point.y >= cell.top &&
            point.y <= cell.top + cell.height) {
            return i;
        }
    }
    return -1;
}

sf::Vector2f LevelSelectLayout::numberCentre(int index) const {
    const sf::FloatRect cell = cellRect(index);
    return {cell.left + CELL_WIDTH * 0.5f, cell.top + NUMBER_Y};
}

sf::Vector2f LevelSelectLayout::bestScoreCentre(int index) const {
    const sf::FloatRect cell = cellRect(index);
    return {cell.left + CELL_WIDTH * 0.5f, cell.top + BEST_SCORE_Y};
}

sf::Vector2f LevelSelectLayout::starCentre(int index, int star) const {
    const sf::FloatRect cell = cellRect(index);
    const float offset = static_cast<float>(star - (CELL_STARS - 1) / 2) * CELL_STAR_PITCH;
    return {cell.left + CELL_WIDTH * 0.5f + offset, cell.top + STARS_Y};
}

sf::Vector2f LevelSelectLayout::titlePosition() const {
    return {panelPosition.x + PANEL_WIDTH * 0.5f, panelPosition.y + 30.0f};
}

sf::Vector2f LevelSelectLayout::moveHintPosition() const {
    return {panelPosition.x + PANEL_WIDTH * 0.5f, panelPosition.y + panelSize.y - 55.0f};
}

sf::Vector2f LevelSelectLayout::backHintPosition() const {
    return {panelPosition.x + PANEL_WIDTH * 0.5f, panelPosition.y + panelSize.y - 30.0f};
}

sf::FloatRect LevelSelectLayout::myLevelsHint() const {
    // Centred on the back hint's line, so both read as one band.
    constexpr float LINE_HEIGHT = 16.0f;
    const float top = backHintPosition().y + LINE_HEIGHT * 0.5f - MY_LEVELS_HINT_HEIGHT * 0.5f;
    return {panelPosition.x + SIDE_MARGIN, top, MY_LEVELS_HINT_WIDTH, MY_LEVELS_HINT_HEIGHT};
}

sf::Vector2f LevelSelectLayout::worldNamePosition() const {
    return {panelPosition.x + PANEL_WIDTH * 0.5f, panelPosition.y + 80.0f};
}

sf::FloatRect LevelSelectLayout::pageButton(int direction) const {
    const float inset = 20.0f;
    const float left = direction < 0 ? panelPosition.x + inset
                                     : panelPosition.x + PANEL_WIDTH - inset - PAGE_BUTTON_SIZE;
    return {left, panelPosition.y + 36.0f, PAGE_BUTTON_SIZE, PAGE_BUTTON_SIZE};
}

int LevelSelectLayout::pageButtonAt(sf::Vector2f point) const {
    for (const int direction : {-1, 1}) {
        if (pageButton(direction).contains(point)) {
            return direction;
        }
    }
    return 0;
}

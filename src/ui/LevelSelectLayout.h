#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <string>

// The world one page of the level select shows.
struct WorldPage {
    // Empty: a plain list of levels, drawn without world or page buttons.
    std::string name;
    int number = 0; // 0-based
    int count = 1;  // pages in all
    // The first cell shows level firstLevel + 1.
    int firstLevel = 0;
    // Drawn greyed and barred; its levels cannot be started.
    bool locked = false;
    // What unlocks it, shown while it is locked.
    std::string lockedHint;
    // Texture key of the page's backdrop; empty: the level list's own.
    std::string background;
};

// Geometry of the level-select grid, in window pixels. The screen draws with
// it and the input handling hit-tests clicks with it, so a click always lands
// on the cell the player sees.
class LevelSelectLayout {
public:
    static constexpr int COLUMNS = 4;
    static constexpr float PANEL_WIDTH = 830.0f;
    static constexpr float CELL_WIDTH = 150.0f;
    static constexpr float CELL_HEIGHT = 100.0f;
    static constexpr float COLUMN_PITCH = 200.0f;
    static constexpr float ROW_PITCH = 150.0f;
    static constexpr float SIDE_MARGIN = 40.0f;
    // From the panel's top to the first row of cells (title band).
    static constexpr float HEADER_HEIGHT = 120.0f;
    // Inside a cell, from its top: the level's number, its best score, and a
    // row of small stars for the best rating.
    static constexpr int CELL_STARS = 3;
    static constexpr float CELL_STAR_RADIUS = 9.0f;
    static constexpr float CELL_STAR_PITCH = 26.0f;
    static constexpr float PAGE_BUTTON_SIZE = 48.0f;
    static constexpr float MY_LEVELS_HINT_WIDTH = 150.0f;
    static constexpr float MY_LEVELS_HINT_HEIGHT = 24.0f;

    LevelSelectLayout(sf::Vector2u windowSize, int levelCount);

    int levelCount;
    int rows;
    sf::Vector2f panelPosition; // top-left corner
    sf::Vector2f panelSize;

    sf::Vector2f cellCentre(int index) const;
    // The cell's drawn rectangle (150 x 100 around its centre).
    sf::FloatRect cellRect(int index) const;
    // The first cell whose rectangle contains point, both ends included; -1
    // when the point lies on no cell.
    int cellAt(sf::Vector2f point) const;
    sf::Vector2f numberCentre(int index) const;
    sf::Vector2f bestScoreCentre(int index) const;
    // Centre of star 0..2 of a cell, left to right.
    sf::Vector2f starCentre(int index, int star) const;

    sf::Vector2f titlePosition() const; // centre x, top y
    // The world's name, under the title (centre x, top y).
    sf::Vector2f worldNamePosition() const;
    // The buttons that turn to the previous (direction < 0) or the next page,
    // at the two ends of the title band.
    sf::FloatRect pageButton(int direction) const;
    // The page button under point: -1, +1, or 0 for none.
    int pageButtonAt(sf::Vector2f point) const;
    sf::Vector2f moveHintPosition() const; // centre x, top y
    sf::Vector2f backHintPosition() const; // centre x, top y
    // The line that tells of the player's own levels, at the lower left of
    // the panel on the back hint's line; a click on it opens them as Tab does.
    sf::FloatRect myLevelsHint() const;
};

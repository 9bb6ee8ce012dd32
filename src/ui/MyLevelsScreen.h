#pragma once

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Event.hpp>
#include <string>
#include <vector>

class Renderer;
namespace sf {
class Texture;
}

// The page of the level select that lists the player's own levels, a page
// of rows at a time: each level's name, what its proof said and its best
// score, or why it cannot be played. It lays itself out for a window size,
// turns events into a choice and draws what it is given; what a choice
// does is the flow's.
//   Up and Down move, Page Up and Page Down turn the page, Enter or a click
//   plays the level, Escape or Tab goes back to the shipped levels.
class MyLevelsScreen {
public:
    static constexpr int ROWS_PER_PAGE = 8;

    // One level as the page shows it.
    struct Row {
        std::string name;
        // "Proven, 3 stars", "Not proven: ...", "Not proven yet" or the
        // reason the file cannot be played.
        std::string verdict;
        // The best score on this computer; empty when never won.
        std::string best;
        bool playable = false;
    };

    enum class Action { None, Play, Back };

    explicit MyLevelsScreen(sf::Vector2u windowSize);

    // One event; `selection` is the row chosen (kept within `rowCount`).
    // Play: the selected row is to be played (only a playable one is).
    Action handle(const sf::Event& event, sf::Vector2f pointer, const std::vector<Row>& rows,
                  int& selection) const;

    // Draws the page holding `selection` over `backdrop` (may be null), in
    // window pixels; the window's view is left as it was. `folder` is where
    // the levels are kept, told when there are none.
    void draw(Renderer& renderer, const std::vector<Row>& rows, int selection,
              const std::string& folder, const sf::Texture* backdrop) const;

    // Where row `index` of its page sits, window pixels.
    sf::FloatRect rowBox(int indexOnPage) const;

private:
    sf::Vector2f size;
};

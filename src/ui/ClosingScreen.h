#pragma once

#include "online/ProgressTable.h"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Event.hpp>
#include <string>
#include <vector>

class Renderer;
namespace sf {
class Texture;
}

// The screen at the end of a world (or of a plain run of levels): the run's
// final score, the stars earned over the world's levels, each of its levels'
// best on this computer, and the two ways on (back to the menu; into the
// next world, or the world again from its first level). It lays itself out
// for a window size, turns events into a choice and draws itself from what
// it is given; what a choice does is the flow's.
class ClosingScreen {
public:
    // The ways on, in the order they sit from left to right; the selection
    // the keyboard moves holds one of them.
    enum Choice : int { BackToMenu = 0, PlayAgain = 1, NoChoice = -1 };
    static constexpr int CHOICE_COUNT = 2;

    // What the screen shows.
    struct Shown {
        int finalScore = 0;
        int starsEarned = 0;
        int starsPossible = 0;
        // Each level's best on this computer, in level order.
        std::vector<LevelBest> bests;
        // The world it closes; empty for a plain run of levels.
        std::string worldName;
        // The number of the first row's level, less one.
        int firstLevel = 0;
        // The second way on leads into the next world rather than again.
        bool nextWorld = false;
    };

    explicit ClosingScreen(sf::Vector2u windowSize);

    // One event: arrows move `selection`, Enter or Space take it, Escape is
    // the menu, a left click on a button takes that button. `pointer`: the
    // event's mouse position in window pixels (mouse events only).
    Choice handle(const sf::Event& event, sf::Vector2f pointer, int& selection) const;

    // Draws the whole screen over `backdrop` (may be null) in window pixels,
    // `selection` highlighted; the window's view is left as it was.
    void draw(Renderer& renderer, const Shown& shown, int selection,
              const sf::Texture* backdrop) const;

    // The button of a choice, in window pixels.
    sf::FloatRect button(int choice) const;
    // Room for the list of bests: from its heading to above the buttons.
    sf::FloatRect listArea() const;
    // The distance between two rows of the list for `rows` rows.
    float rowStep(int rows) const;

private:
    sf::Vector2f size;
};

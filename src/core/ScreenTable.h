#pragma once

#include "core/GameState.h"

#include <SFML/Window/Event.hpp>

class Game;
class InputHandler;

// Every screen in one row: for each GameState, which of InputHandler's
// handlers takes its events and which of Game's drawing functions shows it
// (gathering what the screen draws and handing it to UIRenderer). Adding a
// screen is a GameState value, its handler, its drawing and a row here, plus
// its buttons in UIRenderer's list when it has any.
class ScreenTable {
public:
    struct Screen {
        GameState state;
        // Null: the screen takes no input.
        void (InputHandler::*handleInput)(const sf::Event&);
        void (Game::*draw)();
    };

    // The row of `state`; a value outside the enum gets a row that neither
    // takes input nor draws.
    static const Screen& of(GameState state);
};

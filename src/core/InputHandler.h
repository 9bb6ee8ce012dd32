#pragma once

#include <SFML/Window/Event.hpp>

namespace sf {
class RenderWindow;
}
class Game;

// Turns window events into game actions. processEvents drains the window;
// handleEvent takes one event, so tests and tools can feed input directly.
class InputHandler {
public:
    explicit InputHandler(Game& game);

    void processEvents(sf::RenderWindow& window);
    void handleEvent(const sf::Event& event);

private:
    Game& game;
};

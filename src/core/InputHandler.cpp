#include "core/InputHandler.h"

#include "core/Game.h"

#include <iostream>

InputHandler::InputHandler(Game& game) : game(game) {}

void InputHandler::processEvents(sf::RenderWindow& window) {
    sf::Event event;
    while (window.pollEvent(event)) {
        handleEvent(event);
    }
}

void InputHandler::handleEvent(const sf::Event& event) {
    if (event.type == sf::Event::Closed) {
        game.window.close();
        std::cout << "processEvents: Window closed event." << std::endl;
        game.setRunning(false);
        return;
    }
}

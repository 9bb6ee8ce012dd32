#pragma once

#include "assets/ResourceManager.h"
#include "core/Game.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>

// One game (and so one 1280 x 720 window) shared by the screen tests: making
// a window per test is slow under a virtual display and proves nothing more.
inline Game& uiTestGame() {
    static Game game(1280, 720, "Skysling Clone");
    static const bool texturesLoaded = [] {
        ResourceManager::getInstance().loadGameTextures();
        return true;
    }();
    (void)texturesLoaded;
    return game;
}

// What the window shows right now, read before display() swaps it away.
inline sf::Image captureWindow(sf::RenderWindow& window) {
    sf::Texture texture;
    texture.create(window.getSize().x, window.getSize().y);
    texture.update(window);
    return texture.copyToImage();
}

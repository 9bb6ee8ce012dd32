#pragma once

#include "core/Game.h"
#include "entities/Bird.h"

#include <SFML/Window/Event.hpp>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

// A real game (and window, under the virtual display) past its loading phase.
inline std::unique_ptr<Game> makeLoadedGame() {
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
    game->update(Game::LOADING_SECONDS);
    return game;
}

// Writes a level file into the temp directory and returns its path.
inline std::string writeLevelFile(const std::string& name, const std::string& content) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("vollarin_core_" + std::to_string(::getpid()) + "_" + name + ".txt");
    std::ofstream(path) << content;
    return path.string();
}

// Replaces the game's level list with one file and starts it.
inline void playLevel(Game& game, const std::string& path) {
    game.levelFiles = {path};
    game.currentLevelIndex = 0;
    game.stateManager.startLevel();
}

inline sf::Event mouseButtonEvent(sf::Event::EventType type, int x, int y,
                                  sf::Mouse::Button button = sf::Mouse::Left) {
    sf::Event event;
    event.type = type;
    event.mouseButton.button = button;
    event.mouseButton.x = x;
    event.mouseButton.y = y;
    return event;
}

inline sf::Event mousePress(int x, int y, sf::Mouse::Button button = sf::Mouse::Left) {
    return mouseButtonEvent(sf::Event::MouseButtonPressed, x, y, button);
}

inline sf::Event mouseRelease(int x, int y, sf::Mouse::Button button = sf::Mouse::Left) {
    return mouseButtonEvent(sf::Event::MouseButtonReleased, x, y, button);
}

inline sf::Event mouseMove(int x, int y) {
    sf::Event event;
    event.type = sf::Event::MouseMoved;
    event.mouseMove.x = x;
    event.mouseMove.y = y;
    return event;
}

inline sf::Event keyPress(sf::Keyboard::Key key) {
    sf::Event event;
    event.type = sf::Event::KeyPressed;
    event.key.code = key;
    event.key.alt = event.key.control = event.key.shift = event.key.system = false;
    return event;
}

inline sf::Event textEntered(sf::Uint32 code) {
    sf::Event event;
    event.type = sf::Event::TextEntered;
    event.text.unicode = code;
    return event;
}

// The window pixel under a point of a view (views here map pixels exactly).
inline sf::Vector2i pixelOf(const Game& game, sf::Vector2f point, const sf::View& view) {
    return game.window.mapCoordsToPixel(point, view);
}

inline const char* THREE_BIRDS_ONE_ENEMY = "BIRD NORMAL 1\n"
                                           "BIRD NORMAL 2\n"
                                           "BIRD NORMAL 3\n"
                                           "ENEMY 900 540\n";

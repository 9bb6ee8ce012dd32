#pragma once

#include "core/GameState.h"

#include <SFML/Graphics/Rect.hpp>

class Game;
class Renderer;
class ResourceManager;
class HighScoreTable;

// Placeholder until the screens land.
class UIRenderer {
public:
    UIRenderer(Game& game, Renderer& renderer, ResourceManager& resources,
               HighScoreTable& localHighScores);

    void drawLoadingScreen(GameState state, float progress, float titleY);

    sf::FloatRect startButtonRect;
    sf::FloatRect nextLevelButtonRect;
    sf::FloatRect retryButtonRect;
    sf::FloatRect quitButtonRect;
    sf::FloatRect highScoreButtonRect;
    sf::FloatRect menuLoginButtonRect;
    sf::FloatRect hudLoginButtonRect;
    sf::FloatRect levelSelectLoginButtonRect;
    sf::FloatRect levelCompleteLoginButtonRect;
    sf::FloatRect usernameFieldRect;
    sf::FloatRect passwordFieldRect;
    sf::FloatRect loginButtonRect;
    sf::FloatRect signUpButtonRect;
    sf::FloatRect signOutButtonRect;

private:
    Game& game;
    Renderer& renderer;
    ResourceManager& resources;
    HighScoreTable& localHighScores;
};

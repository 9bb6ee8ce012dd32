#include "ui/UIRenderer.h"

UIRenderer::UIRenderer(Game& game, Renderer& renderer, ResourceManager& resources,
                       HighScoreTable& localHighScores)
    : game(game), renderer(renderer), resources(resources), localHighScores(localHighScores) {}

void UIRenderer::drawLoadingScreen(GameState, float, float) {}

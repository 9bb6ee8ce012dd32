#include "core/GameStateManager.h"

#include <iostream>

GameStateManager::GameStateManager(Game& game, SupabaseClient& supabase)
    : game(game), supabase(supabase) {}

void GameStateManager::transitionTo(GameState newState) {
    std::cout << "Transitioning from " << static_cast<int>(state) << " to "
              << static_cast<int>(newState) << std::endl;
    state = newState;
}

void GameStateManager::showMessage(const std::string& text, float seconds) {
    message = text;
    messageTimer = seconds;
}

#include "core/ScreenTable.h"

#include "core/Game.h"
#include "core/InputHandler.h"

#include <array>

const ScreenTable::Screen& ScreenTable::of(GameState state) {
    // Indexed by GameState. Playing and Paused show the same field; the
    // pause menu lays itself over it while paused.
    static const std::array<Screen, OptionsMenu + 1> screens{{
        {Loading, nullptr, &Game::drawLoadingScreen},
        {Menu, &InputHandler::handleMenu, &Game::drawMenuScreen},
        {LevelSelect, &InputHandler::handleLevelSelect, &Game::drawLevelSelectScreen},
        {Playing, &InputHandler::handlePlaying, &Game::drawPlayingField},
        {Paused, &InputHandler::handlePaused, &Game::drawPlayingField},
        {LevelComplete, &InputHandler::handleLevelComplete, &Game::drawLevelCompleteScreen},
        {EnterNickname, &InputHandler::handleEnterNickname, &Game::drawNicknameScreen},
        {HighScores, &InputHandler::handleHighScores, &Game::drawHighScoresScreen},
        {Login, &InputHandler::handleLogin, &Game::drawLoginScreen},
        {GameComplete, &InputHandler::handleGameComplete, &Game::drawClosingScreen},
        {Watching, &InputHandler::handleWatching, &Game::drawWatchingScreen},
        {MyLevels, &InputHandler::handleMyLevels, &Game::drawMyLevelsScreen},
        {Editor, &InputHandler::handleEditor, &Game::drawEditorScreen},
        {OptionsMenu, &InputHandler::handleOptions, &Game::drawOptionsScreen},
    }};
    static const Screen none{Loading, nullptr, nullptr};
    const auto index = static_cast<std::size_t>(state);
    return index < screens.size() ? screens[index] : none;
}

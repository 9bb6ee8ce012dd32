#pragma once

#include <cstdint>

// The screen being shown. The numbers appear in the transition log.
enum GameState : std::int32_t {
    Loading = 0,
    Menu = 1,
    LevelSelect = 2,
    Playing = 3,
    Paused = 4,
    LevelComplete = 5,
    EnterNickname = 6,
    HighScores = 7,
    Login = 8,
    // After the last level: the run's closing screen.
    GameComplete = 9,
    // A kept attempt played again over the field (ReplayWatch).
    Watching = 10,
    // The player's own levels, a page of the level select (MyLevelsScreen).
    MyLevels = 11,
    // The level editor (EditorScreen); its test play runs in Playing.
    Editor = 12,
    // The player's options, over the screen they were opened from.
    OptionsMenu = 13,
};

#include "core/ScreenTable.h"

#include "core/Game.h"
#include "core/InputHandler.h"

#include <gtest/gtest.h>

// Every state has its own row, each screen draws, and all but the loading
// screen take input.
TEST(ScreenTable, EveryStateHasItsRow) {
    for (const GameState state :
         {Loading, Menu, LevelSelect, Playing, Paused, LevelComplete, EnterNickname, HighScores,
          Login, GameComplete, Watching, MyLevels}) {
        const ScreenTable::Screen& screen = ScreenTable::of(state);
        EXPECT_EQ(screen.state, state);
        EXPECT_NE(screen.draw, nullptr) << state;
        EXPECT_EQ(screen.handleInput == nullptr, state == Loading) << state;
    }
    // Playing and Paused show the same field.
    EXPECT_EQ(ScreenTable::of(Playing).draw, ScreenTable::of(Paused).draw);
    EXPECT_NE(ScreenTable::of(Playing).handleInput, ScreenTable::of(Paused).handleInput);
    const ScreenTable::Screen& outside = ScreenTable::of(static_cast<GameState>(42));
    EXPECT_EQ(outside.draw, nullptr);
    EXPECT_EQ(outside.handleInput, nullptr);
}

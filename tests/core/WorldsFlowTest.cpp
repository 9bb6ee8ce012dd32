// Three worlds of seven levels through the real game: the level select's
// pages, the worlds that open as the one before is won, and the closing
// screen at the end of each world.

#include "TemporaryDirectory.h"
#include "e2e/FlowTestSupport.h"
#include "level/ShippedLevels.h"
#include "level/WorldsFixture.h"
#include "ui/ClosingScreen.h"
#include "ui/LevelSelectLayout.h"
#include "ui/ScreenChecks.h"

#include <gtest/gtest.h>

namespace {

class WorldsFlow : public FlowTest {
protected:
    void SetUp() override {
        ShippedLevels::use(writeWorlds(levelsDir.path, 3, 7, THREE_BIRDS_ONE_ENEMY));
        FlowTest::SetUp();
        game->progress = ProgressTable((tempDir / "progress.txt").string(), 21);
    }
    void TearDown() override {
        FlowTest::TearDown();
        ShippedLevels::use(shipped);
    }

    void openLevelSelect() {
        game->stateManager.transitionTo(LevelSelect);
        game->stateManager.selectedLevel = 0;
    }
    void startAt(int level) {
        game->currentLevelIndex = level;
        game->stateManager.startLevel();
    }
    // Wins the level in play and takes the results' Next.
    void winAndGoOn() {
        winCurrentLevel(1500);
        handle(keyPress(sf::Keyboard::Enter));
        if (game->stateManager.state == EnterNickname) {
            handle(keyPress(sf::Keyboard::Escape));
        }
    }
    bool shows(const std::string& text) {
        return findText(drawRecordedFrame(*game), text) != nullptr;
    }

    const LevelManifest shipped = ShippedLevels::manifest();
    TemporaryDirectory levelsDir;
};

TEST_F(WorldsFlow, TheLevelSelectPagesByWorldAndKeepsLockedWorldsShut) {
    ASSERT_EQ(game->levelFiles.size(), 21u) << "the game lists every world's levels";
    EXPECT_EQ(game->progress.possibleStars(), 63) << "the menu's tally counts every level";
    openLevelSelect();
    EXPECT_TRUE(shows("World 1: World 1"));
    handle(keyPress(sf::Keyboard::PageDown));
    EXPECT_EQ(game->stateManager.selectedLevel, 7);
    const DrawnFrame second = drawRecordedFrame(*game);
    keepScreenshot(second, "level_select_locked_world");
    EXPECT_TRUE(findText(second, "World 2: World 2 (locked)"));
    EXPECT_TRUE(findText(second, "8")) << "the page numbers its levels on from world one's";
    EXPECT_FALSE(findText(second, "1"));

    handle(keyPress(sf::Keyboard::Enter));
    const LevelSelectLayout layout(game->window.getSize(), 7);
    clickCentreOf(layout.cellRect(3));
    EXPECT_EQ(game->stateManager.state, LevelSelect) << "a locked world's level does not start";

    handle(keyPress(sf::Keyboard::PageUp));
    handle(keyPress(sf::Keyboard::PageUp));
    EXPECT_EQ(game->stateManager.selectedLevel, 14) << "turning back from the first wraps";
    // The page buttons follow the window.
    resizeWindow(*game, {1920, 1080});
    const LevelSelectLayout wide(game->window.getSize(), 7);
    keepScreenshot(drawRecordedFrame(*game), "level_select_third_world_wide");
    clickCentreOf(wide.pageButton(1));
    EXPECT_EQ(game->stateManager.selectedLevel, 0);
    for (int cell = 0; cell < 7; ++cell) {
        EXPECT_FALSE(wide.cellRect(cell).intersects(wide.pageButton(1)));
        EXPECT_FALSE(wide.cellRect(cell).intersects(wide.pageButton(-1)));
    }
    clickCentreOf(wide.cellRect(2));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 2);
}

TEST_F(WorldsFlow, WinningAWorldThroughoutClosesItOnceAndOpensTheNext) {
    startAt(0);
    for (int level = 0; level < 7; ++level) {
        ASSERT_EQ(game->currentLevelIndex, level);
        winAndGoOn();
    }
    ASSERT_EQ(game->stateManager.state, GameComplete);
    const DrawnFrame closing = drawRecordedFrame(*game);
    EXPECT_TRUE(findText(closing, "WORLD 1 COMPLETE"));
    EXPECT_TRUE(findText(closing, "Next World"));
    EXPECT_TRUE(findText(closing, "Level 7"));
    EXPECT_FALSE(findText(closing, "Level 8")) << "only the closed world's levels are listed";
    const WorldProgress worlds = game->worldProgress();
    EXPECT_TRUE(worlds.finished(0));
    EXPECT_TRUE(worlds.unlocked(1));
    EXPECT_FALSE(worlds.unlocked(2));
    EXPECT_TRUE(findText(closing, UIRenderer::starTallyText(worlds.starsEarned(0), 21)));

    clickCentreOf(ClosingScreen(game->window.getSize()).button(ClosingScreen::PlayAgain));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 7) << "Next World starts the next world";

    // Winning the world's last level again goes straight on.
    startAt(6);
    winAndGoOn();
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 7);
}

TEST_F(WorldsFlow, AWorldWithALevelNotWonLeavesTheNextShut) {
    startAt(6);
    winAndGoOn();
    EXPECT_EQ(game->stateManager.state, LevelSelect);
    EXPECT_EQ(game->stateManager.selectedLevel, 7);
    EXPECT_TRUE(shows("World 2: World 2 (locked)"));
}

TEST_F(WorldsFlow, TheLastWorldsClosingScreenPlaysItAgain) {
    for (int level = 0; level < 14; ++level) {
        game->progress.record(level, 1000, 3);
    }
    startAt(14);
    for (int level = 14; level < 21; ++level) {
        winAndGoOn();
    }
    ASSERT_EQ(game->stateManager.state, GameComplete);
    EXPECT_TRUE(shows("WORLD 3 COMPLETE"));
    EXPECT_TRUE(shows("Play Again"));
    handle(keyPress(sf::Keyboard::Right));
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 14);
}

} // namespace

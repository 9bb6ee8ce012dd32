// The player's progress through real games: what a completed level keeps,
// what the results, the level select and the menu then show.

#include "assets/DataPaths.h"
#include "e2e/FlowTestSupport.h"
#include "level/ShippedLevels.h"
#include "ui/LevelSelectLayout.h"
#include "ui/ScreenChecks.h"

#include <SFML/Graphics/Font.hpp>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

const sf::Color GOLD(255, 215, 0);
const sf::Color EMPTY_STAR(150, 150, 150);

class ProgressFlow : public FlowTest {
protected:
    void SetUp() override {
        FlowTest::SetUp();
        progressPath = (tempDir / "progress.txt").string();
        game->progress = ProgressTable(progressPath, ShippedLevels::count());
    }

    void retryAndWin(int score) {
        game->restartLevel();
        game->stateManager.resumePlaying();
        winCurrentLevel(score);
    }

    bool showsNewBest() { return findText(drawRecordedFrame(*game), "New best!") != nullptr; }

    std::string progressPath;
};

} // namespace

TEST_F(ProgressFlow, TheGameKeepsProgressInThePlayersDataFolder) {
    const std::string expected =
        std::string(std::getenv("XDG_DATA_HOME")) + "/vollarin/progress.txt";
    EXPECT_EQ(makeLoadedGame()->progress.getPath(), expected);
}

TEST_F(ProgressFlow, ACompletedLevelWritesItsBestAndALowerScoreLeavesIt) {
    winLevel(1200);
    const GameStateManager& flow = game->stateManager;
    EXPECT_TRUE(flow.newBest) << "the first completion beats no best";
    const std::string first = readWholeFile(progressPath).value_or("");
    EXPECT_NE(first.find("\n0,1200,3\n"), std::string::npos) << first;
    EXPECT_TRUE(showsNewBest());

    retryAndWin(800);
    EXPECT_FALSE(flow.newBest);
    EXPECT_EQ(readWholeFile(progressPath).value_or(""), first);
    EXPECT_FALSE(showsNewBest());

    retryAndWin(1200); // equal is not better
    EXPECT_FALSE(flow.newBest);

    retryAndWin(2500);
    EXPECT_TRUE(flow.newBest);
    EXPECT_TRUE(showsNewBest());
    EXPECT_NE(readWholeFile(progressPath).value_or("").find("\n0,2500,3\n"), std::string::npos);
    // The next level starts with no best of its own.
    game->stateManager.nextLevel();
    winCurrentLevel(100);
    EXPECT_TRUE(flow.newBest);
    EXPECT_EQ(game->progress.best(1).score, 100);
    EXPECT_EQ(game->progress.best(0).score, 2500);
}

// A game started over the player's saved progress shows it on the menu and
// in the level select, read back from the window's pixels.
TEST(ProgressShown, TheMenuAndTheLevelSelectDrawTheStarsEarned) {
    const std::string saved = DataPaths::forThisProcess().playerDataFile(ProgressTable::FILE_NAME);
    ASSERT_FALSE(saved.empty());
    std::ofstream(saved) << "0,1200,3\n1,800,1\nnot a line\n";
    const std::unique_ptr<Game> game = makeLoadedGame();
    std::filesystem::remove(saved);
    ASSERT_EQ(game->progress.totalStars(), 4);

    game->stateManager.transitionTo(Menu);
    const DrawnFrame menu = drawRecordedFrame(*game);
    keepScreenshot(menu, "progress_menu");
    const std::string tally = "\u2605 4 / " + std::to_string(game->progress.possibleStars());
    const DrawnElement* line = findText(menu, tally);
    ASSERT_NE(line, nullptr);
    // The star glyph is drawn as a star (the font has it), in gold: its
    // middle is filled, which the hollow box of a missing glyph is not.
    const sf::Font& font = game->renderer.getFont();
    const sf::Glyph star = font.getGlyph(0x2605, 32, false);
    const sf::Glyph missing = font.getGlyph(0x10FFFD, 32, false);
    EXPECT_NE(star.textureRect, missing.textureRect);
    const sf::Text measured(sf::String(sf::Uint32(0x2605)), font, 32);
    const sf::FloatRect glyph = measured.getLocalBounds();
    const unsigned int middleX =
        static_cast<unsigned int>(line->pixels.left + 2.0f + glyph.width / 2);
    const unsigned int middleY = static_cast<unsigned int>(centreOf(line->pixels).y);
    int gold = 0;
    for (unsigned int dy = 0; dy < 3; ++dy) {
        for (unsigned int dx = 0; dx < 3; ++dx) {
            gold += menu.image.getPixel(middleX - 1 + dx, middleY - 1 + dy) == GOLD ? 1 : 0;
        }
    }
    EXPECT_GE(gold, 7) << "no gold star at the start of \"" << tally << "\"";

    game->stateManager.transitionTo(LevelSelect);
    game->stateManager.selectedLevel = 6;
    const DrawnFrame select = drawRecordedFrame(*game);
    keepScreenshot(select, "progress_level_select");
    const LevelSelectLayout layout(game->window.getSize(), 7);
    auto starPixel = [&](int level, int star) {
        const sf::Vector2f centre = layout.starCentre(level, star);
        return select.image.getPixel(static_cast<unsigned int>(centre.x),
                                     static_cast<unsigned int>(centre.y));
    };
    for (int star = 0; star < 3; ++star) {
        EXPECT_EQ(starPixel(0, star), GOLD) << "level 1, star " << star;
        EXPECT_EQ(starPixel(1, star), star < 1 ? GOLD : EMPTY_STAR) << "level 2, star " << star;
        EXPECT_EQ(starPixel(2, star), EMPTY_STAR) << "level 3, star " << star;
    }
    const DrawnElement* best = findText(select, "1200");
    ASSERT_NE(best, nullptr);
    EXPECT_TRUE(contains(layout.cellRect(0), best->pixels, 2.0f));
    EXPECT_NE(findText(select, "800"), nullptr);
    // Every level can still be started, completed or not.
    for (int level : {0, 2, 6}) {
        game->stateManager.transitionTo(LevelSelect);
        game->render();
        const sf::Vector2f centre = layout.cellCentre(level);
        game->input.handleEvent(mousePress(static_cast<int>(centre.x), static_cast<int>(centre.y)));
        EXPECT_EQ(game->stateManager.state, Playing) << level;
        EXPECT_EQ(game->currentLevelIndex, level);
    }
}

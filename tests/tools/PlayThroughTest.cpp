#include "PlayThrough.h"
#include "core/ShotDriver.h"

#include "TemporaryDirectory.h"
#include "core/Game.h"
#include "core/QuietOutput.h"

#include <gtest/gtest.h>
#include <sstream>
#include <string>

// A person's play of the first level in the real game, from the menu's
// Start: tried until it is won, each try reported, and what the run adds
// up agreeing with what the game itself kept (the run's total, the stars
// the results screen gave, the level's best on this computer). The level
// checker's --play-through does the same for whole worlds.
namespace {

TEST(PlayThroughTest, FirstLevelIsTriedUntilWonAndTheSummaryAgreesWithTheGame) {
    const TemporaryDirectory dir;
    const QuietOutput quiet;
    const std::unique_ptr<Game> game = ShotDriver::makeGame();
    game->localHighScores = HighScoreTable((dir.path / "highscores.txt").string());
    std::ostringstream log;
    PlayThrough run(*game, 1, FrameSequence::steady(1.0f / 30.0f, "30 Hz"), log);
    const PlayThrough::Summary summary = run.run(1, 1);

    ASSERT_TRUE(summary.started) << log.str();
    ASSERT_EQ(summary.levels.size(), 1u) << log.str();
    const PlayThrough::LevelResult& level = summary.levels.front();
    EXPECT_EQ(level.level, 1);
    ASSERT_TRUE(level.won) << log.str();
    EXPECT_GE(level.stars, 1);
    EXPECT_LE(level.stars, 3);
    ASSERT_EQ(summary.tries.size(), static_cast<std::size_t>(level.tries));
    for (std::size_t i = 0; i < summary.tries.size(); ++i) {
        const PlayThrough::Try& attempt = summary.tries[i];
        EXPECT_EQ(attempt.number, static_cast<int>(i) + 1);
        EXPECT_EQ(attempt.won, i + 1 == summary.tries.size()) << "try " << i + 1;
        EXPECT_NE(log.str().find("level 1, try " + std::to_string(i + 1) + ": "), std::string::npos)
            << log.str();
    }

    // The game is on the results screen of the level, and kept the win.
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(game->currentLevelIndex, 0);
    EXPECT_EQ(game->stateManager.stars, level.stars);
    EXPECT_EQ(summary.totalScore, level.score);
    EXPECT_EQ(summary.gameTotal, summary.totalScore) << "the lost tries' points were kept";
    EXPECT_EQ(game->progress.best(0).score, level.score);
    EXPECT_EQ(game->progress.best(0).stars, level.stars);
}

} // namespace

#include "PlayThrough.h"
#include "SolutionFile.h"
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

// Drawing every frame and taking the window's events, as the play-through
// does, must leave the world exactly as update(dt) alone leaves it.
TEST(PlayThroughTest, WholeFramesPlayStoredShotsAsUpdateAloneDoes) {
    const QuietOutput quiet;
    const std::unique_ptr<Game> game = ShotDriver::makeGame();
    ShotDriver driver(*game);
    const std::vector<Shot> shots =
        SolutionFile::read(SolutionFile::pathFor(3)).value_or(std::vector<Shot>{});
    ASSERT_FALSE(shots.empty());
    const FrameSequence uneven =
        FrameSequence::uneven(11, 1.0f / 240.0f, 1.0f / 20.0f, 40, 0.4f, "uneven");

    driver.startLevel(2);
    const Outcome updated = driver.play(shots, uneven);
    const std::vector<BodyPose> updatedPoses = driver.bodyPoses();
    driver.runWholeFrames(true);
    driver.startLevel(2);
    const Outcome framed = driver.play(shots, uneven);

    EXPECT_TRUE(updated.won);
    EXPECT_EQ(framed.won, updated.won);
    EXPECT_EQ(framed.steps, updated.steps);
    EXPECT_EQ(framed.score, updated.score);
    EXPECT_EQ(driver.bodyPoses(), updatedPoses);
}

} // namespace

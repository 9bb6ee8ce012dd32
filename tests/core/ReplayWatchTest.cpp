#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "TemporaryDirectory.h"
#include "core/Game.h"
#include "core/GameTestSupport.h"
#include "core/QuietOutput.h"
#include "core/ReplayWatch.h"

#include <gtest/gtest.h>

// Watching a kept attempt in the game: the replay's inputs go into the
// game's own attempt, at the speed the watcher picks.
namespace {

sf::Event key(sf::Keyboard::Key code) {
    sf::Event event{};
    event.type = sf::Event::KeyPressed;
    event.key.code = code;
    return event;
}

TEST(ReplayWatchTest, OwesStepsByTheChosenSpeedAndNoneWhilePaused) {
    ReplayWatch watch;
    watch.begin(Replay{});
    // Times a float holds exactly, so the counts are exact.
    const float step = 1.0f / 16.0f;
    EXPECT_EQ(watch.stepsFor(0.5f, step), 8);
    watch.handle(key(sf::Keyboard::Num4));
    EXPECT_EQ(watch.stepsFor(0.5f, step), 32);
    watch.handle(key(sf::Keyboard::Space));
    EXPECT_EQ(watch.stepsFor(0.5f, step), 0);
    watch.handle(key(sf::Keyboard::Space));
    watch.handle(key(sf::Keyboard::Num2));
    EXPECT_EQ(watch.stepsFor(0.25f, step), 8);
    // A part of a step is owed to the next frame.
    EXPECT_EQ(watch.stepsFor(1.0f / 64.0f, step), 0);
    EXPECT_EQ(watch.stepsFor(1.0f / 64.0f, step), 1);
    EXPECT_EQ(watch.handle(key(sf::Keyboard::R)), ReplayWatch::Action::Restart);
    EXPECT_EQ(watch.handle(key(sf::Keyboard::Escape)), ReplayWatch::Action::Leave);
}

class WatchInGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QuietOutput quiet;
        game = ShotDriver::makeGame();
        game->replays = ReplayShelf(folder.path / "replays");
        ShotDriver driver(*game);
        driver.startLevel(0);
        const Outcome played =
            driver.play(SolutionFile::read(SolutionFile::pathFor(1)).value_or(std::vector<Shot>{}),
                        FrameSequence::steady(Game::STEP_SECONDS, "60 Hz"));
        ASSERT_TRUE(played.won);
        playedScore = played.score;
        playedSteps = game->attempt.stepsTaken();
        // The attempt is kept off the frame loop; the tests read its files.
        game->keeper.waitIdle();
    }

    // Frames of the watching screen until the replay has ended (or far too long).
    void watchToTheEnd() {
        const QuietOutput quiet;
        for (int frame = 0;
             frame < 10000 && game->watchPlayer != nullptr && !game->watchPlayer->finished();
             ++frame) {
            game->update(Game::STEP_SECONDS);
        }
    }

    TemporaryDirectory folder;
    std::unique_ptr<Game> game;
    int playedScore = 0;
    std::uint64_t playedSteps = 0;
};

TEST_F(WatchInGameTest, TheResultsScreenReplaysTheAttemptToTheSameEnd) {
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    game->input.handleEvent(key(sf::Keyboard::W));
    ASSERT_EQ(game->stateManager.state, Watching);
    watchToTheEnd();
    EXPECT_EQ(game->stateManager.state, Watching);
    EXPECT_TRUE(game->attempt.won());
    EXPECT_EQ(game->attempt.score(), playedScore);
    EXPECT_EQ(game->attempt.stepsTaken(), playedSteps);

    // Restart plays it again from its start; paused, no frame moves it.
    game->input.handleEvent(key(sf::Keyboard::R));
    EXPECT_EQ(game->attempt.stepsTaken(), 0u);
    game->input.handleEvent(key(sf::Keyboard::Space));
    game->update(0.2f);
    EXPECT_EQ(game->attempt.stepsTaken(), 0u);
    game->input.handleEvent(key(sf::Keyboard::Space));
    game->update(0.1f);
    const std::uint64_t atOneX = game->attempt.stepsTaken();
    game->input.handleEvent(key(sf::Keyboard::Num4));
    game->update(0.1f);
    const std::uint64_t atFourX = game->attempt.stepsTaken() - atOneX;
    EXPECT_GE(atOneX, 5u);
    EXPECT_GE(atFourX + 1, 4 * atOneX);
    EXPECT_LE(atFourX, 4 * atOneX + 1);

    game->input.handleEvent(key(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, LevelSelect);
    EXPECT_EQ(game->watchPlayer, nullptr);
}

TEST_F(WatchInGameTest, TheLevelSelectOffersTheKeptBestAndTheWatchKeepsNothing) {
    game->stateManager.leaveToLevelSelect();
    game->stateManager.selectedLevel = 0;
    game->input.handleEvent(key(sf::Keyboard::W));
    ASSERT_EQ(game->stateManager.state, Watching);
    const std::string best = game->replays.bestPath(1);
    const auto keptBefore = std::filesystem::last_write_time(best);
    watchToTheEnd();
    EXPECT_TRUE(game->attempt.won());
    // A watched win is not a new attempt of the player's.
    EXPECT_EQ(std::filesystem::last_write_time(best), keptBefore);
    EXPECT_EQ(game->stateManager.state, Watching);
    game->drawFrame();

    // A level with nothing kept has nothing to watch.
    game->input.handleEvent(key(sf::Keyboard::Escape));
    game->stateManager.selectedLevel = 5;
    game->input.handleEvent(key(sf::Keyboard::W));
    EXPECT_EQ(game->stateManager.state, LevelSelect);
}

TEST_F(WatchInGameTest, RefusesAReplayOfAnotherBuild) {
    std::string why;
    Replay replay = *Replay::readFile(game->replays.lastPath(1), why);
    replay.fingerprint ^= 1;
    EXPECT_FALSE(game->watchReplay(replay));
    EXPECT_EQ(game->stateManager.state, LevelComplete);
}

} // namespace

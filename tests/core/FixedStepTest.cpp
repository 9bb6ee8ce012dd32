#include "GameTestSupport.h"

#include "entities/Enemy.h"

#include <functional>
#include <gtest/gtest.h>

// Play advances in whole steps of Game::STEP_SECONDS fed by the frame times,
// so what happens in the world depends on the number of steps, never on how
// the time arrived.
class FixedStep : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile("fixed_step", THREE_BIRDS_ONE_ENEMY));
    }

    std::uint64_t stepsDuring(const std::function<void()>& action) {
        const std::uint64_t before = game->stepCount;
        action();
        return game->stepCount - before;
    }

    void killAllEnemies() {
        for (const auto& entity : game->currentLevel->entities) {
            if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
                enemy->takeDamage(enemy->health + 100.0f);
            }
        }
    }

    // Steps from killing the last enemy to the level-complete screen, with
    // frames of the given length.
    std::uint64_t stepsToCompletion(float frameSeconds) {
        game->restartLevel();
        game->stateManager.resumePlaying();
        killAllEnemies();
        return stepsDuring([&] {
            for (int i = 0; i < 10000 && game->stateManager.state == Playing; ++i) {
                game->update(frameSeconds);
            }
        });
    }

    std::unique_ptr<Game> game;
};

TEST_F(FixedStep, FrameTimeIsCarriedIntoWholeSteps) {
    // A second of 144 Hz frames is a second of steps, however it was sliced.
    const std::uint64_t steps = stepsDuring([&] {
        for (int i = 0; i < 144; ++i) {
            game->update(1.0f / 144.0f);
        }
    });
    EXPECT_NEAR(static_cast<double>(steps), 60.0, 1.0);
    EXPECT_LT(game->stepAccumulator, Game::STEP_SECONDS);
}

TEST_F(FixedStep, AFrameLongerThanAQuarterSecondCountsAsAQuarterSecond) {
    const std::uint64_t stalled = stepsDuring([&] { game->update(0.4f); });
    game->restartLevel();
    game->stateManager.resumePlaying();
    const std::uint64_t quarter = stepsDuring([&] { game->update(0.25f); });
    EXPECT_EQ(stalled, quarter);
    EXPECT_NEAR(static_cast<double>(stalled), 15.0, 1.0);
}

TEST_F(FixedStep, PausingAndRestartingOweTheWorldNoTime) {
    game->update(0.6f * Game::STEP_SECONDS);
    game->input.handleEvent(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, Paused);
    game->update(1.0f);
    game->input.handleEvent(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, Playing);
    // Together with the time before the pause this would be a whole step.
    EXPECT_EQ(stepsDuring([&] { game->update(0.6f * Game::STEP_SECONDS); }), 0u);

    game->restartLevel();
    game->stateManager.resumePlaying();
    EXPECT_EQ(stepsDuring([&] { game->update(0.6f * Game::STEP_SECONDS); }), 0u);
}

TEST_F(FixedStep, TheCompletionDelayCountsStepsNotFrames) {
    const std::uint64_t at144 = stepsToCompletion(1.0f / 144.0f);
    const std::uint64_t at30 = stepsToCompletion(1.0f / 30.0f);
    const std::uint64_t uneven = stepsToCompletion(0.05f);
    EXPECT_EQ(at144, at30);
    EXPECT_EQ(at144, uneven);
    // More than the 2 s delay, and not a step more than it takes.
    EXPECT_GT(static_cast<double>(at144) * Game::STEP_SECONDS, 2.0);
    EXPECT_LT(static_cast<double>(at144) * Game::STEP_SECONDS, 2.0 + 3 * Game::STEP_SECONDS);
}

TEST_F(FixedStep, TheBannerFollowsFrameTimeWhileTheWorldWaits) {
    game->stateManager.showMessage("BOOST ACTIVATED!", 2.0f);
    const std::uint64_t steps = stepsDuring([&] { game->update(0.5f * Game::STEP_SECONDS); });
    EXPECT_EQ(steps, 0u);
    EXPECT_FLOAT_EQ(game->stateManager.messageTimer, 2.0f - 0.5f * Game::STEP_SECONDS);
}

// A block resting on the bird in the slingshot touches it every step; that
// must not run down the bird's lifetime before it has flown.
TEST(SeatedBird, StillLaunchesAfterFifteenSecondsUnderARestingBlock) {
    auto game = makeLoadedGame();
    // Metal, so the bird's contact damage cannot break it off in the meantime.
    playLevel(*game, writeLevelFile("seated_under_block", "BIRD NORMAL 1\nBIRD NORMAL 2\n"
                                                          "ENEMY 900 540\n"
                                                          "BLOCK LONG_METAL 48 470 40 20\n"));
    Bird* bird = game->birdOnSlingshot;
    ASSERT_NE(bird, nullptr);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 15 * 60; ++i) {
        game->update(1.0f / 60.0f);
    }
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(game->birdOnSlingshot, bird);
    EXPECT_TRUE(bird->alive);
    EXPECT_FALSE(bird->collided);

    const sf::Vector2i grab = pixelOf(*game, game->bandRestPos, game->gameView);
    const sf::Vector2i pull =
        pixelOf(*game, game->slingshotPos - sf::Vector2f(120.0f, -30.0f), game->gameView);
    testing::internal::CaptureStdout();
    game->input.handleEvent(mousePress(grab.x, grab.y));
    game->input.handleEvent(mouseMove(pull.x, pull.y));
    game->input.handleEvent(mouseRelease(pull.x, pull.y));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Drag: ("), std::string::npos);
    EXPECT_NE(log.find("Bird 1 launched with velocity"), std::string::npos);
    EXPECT_TRUE(bird->launched);
    EXPECT_TRUE(game->turnActive);
}

TEST(SeatedBird, ABirdThatCannotFlyIsNotLaunched) {
    auto game = makeLoadedGame();
    playLevel(*game, writeLevelFile("seated_dead", THREE_BIRDS_ONE_ENEMY));
    Bird* bird = game->birdOnSlingshot;
    ASSERT_NE(bird, nullptr);
    bird->alive = false;
    game->dragPos = game->slingshotPos - sf::Vector2f(100.0f, 0.0f);
    testing::internal::CaptureStdout();
    game->launchBird();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FALSE(bird->launched);
    EXPECT_FALSE(game->turnActive);
    EXPECT_EQ(game->birdOnSlingshot, bird);
}

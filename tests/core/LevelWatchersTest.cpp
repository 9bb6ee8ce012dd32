#include "core/LevelWatchers.h"

#include "entities/Bird.h"
#include "entities/Enemy.h"
#include "level/Level.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>

// The rules that decide an attempt, on a level in a bare world: no window,
// no game. The verdicts do to the flags what the game's do.
namespace {

constexpr float STEP = 1.0f / 60.0f;

class LevelWatchersTest : public ::testing::Test {
protected:
    LevelWatchersTest() : world(b2Vec2(0.0f, 0.0f)) { level.world = &world; }

    Enemy& addEnemy() {
        auto enemy = std::make_shared<Enemy>(100.0f);
        enemy->initPhysics(&world, {800.0f, 500.0f}, 20.0f);
        level.entities.push_back(enemy);
        return *enemy;
    }

    Bird& addBird(bool launched) {
        auto bird = std::make_shared<Bird>(static_cast<int>(level.entities.size()) + 1, 1.0f);
        bird->launched = launched;
        level.entities.push_back(bird);
        return *bird;
    }

    // One step; the verdicts taken are appended to `log`, one letter each.
    void step(bool turnActive = false) {
        LevelWatchers watchers({levelEnded, enemiesCleared, clearTimer, gameOverPending,
                                gameOverTimer, outOfBirdsPending, outOfBirdsTimer},
                               {[this] {
                                    // As the completed level does.
                                    log += 'C';
                                    levelEnded = true;
                                    gameOverPending = outOfBirdsPending = false;
                                },
                                [this] {
                                    log += 'L';
                                    gameOverPending = true;
                                    gameOverTimer = LevelWatchers::GAME_OVER_DELAY;
                                },
                                [this] {
                                    log += 'S';
                                    gameOverPending = false;
                                },
                                [this] { log += 'X'; }});
        watchers.step(STEP, level, turnActive);
    }

    // Steps until a verdict is taken (at most `limit`); returns the count.
    int stepsUntilVerdict(int limit, bool turnActive = false) {
        const std::size_t before = log.size();
        for (int i = 1; i <= limit; ++i) {
            step(turnActive);
            if (log.size() > before) {
                return i;
            }
        }
        return -1;
    }

    b2World world;
    Level level;
    bool levelEnded = false;
    bool enemiesCleared = false;
    float clearTimer = 0.0f;
    bool gameOverPending = false;
    float gameOverTimer = 0.0f;
    bool outOfBirdsPending = false;
    float outOfBirdsTimer = 0.0f;
    std::string log;
};

TEST_F(LevelWatchersTest, ACleanedFieldCompletesAfterItsDelayEvenWithBirdsInFlight) {
    addEnemy().takeDamage(1000.0f);
    addBird(true);
    addBird(false);
    const int steps = stepsUntilVerdict(200, /*turnActive=*/true);
    // Just over 2 s of steps, not one step sooner.
    EXPECT_GE(steps, 120);
    EXPECT_LE(steps, 121);
    EXPECT_EQ(log, "C");
    EXPECT_TRUE(enemiesCleared);
}

TEST_F(LevelWatchersTest, OutOfBirdsWithAnEnemyAliveLosesAfterTheGraceAndStartsOver) {
    addEnemy();
    addBird(true);
    const int graceSteps = stepsUntilVerdict(200);
    EXPECT_GE(graceSteps, 60);
    EXPECT_LE(graceSteps, 61);
    EXPECT_EQ(log, "L");
    // The countdown of the loss already ran in the step that announced it.
    EXPECT_FLOAT_EQ(gameOverTimer, LevelWatchers::GAME_OVER_DELAY - STEP);
    EXPECT_FALSE(outOfBirdsPending);

    const int countdownSteps = stepsUntilVerdict(400);
    EXPECT_GE(countdownSteps, 178);
    EXPECT_LE(countdownSteps, 180);
    EXPECT_EQ(log, "LS");
}

TEST_F(LevelWatchersTest, TheGraceIsCalledOffByATurnOrByTheLastEnemyDying) {
    Enemy& enemy = addEnemy();
    Bird& bird = addBird(false);
    // A bird still waits: no grace at all.
    for (int i = 0; i < 120; ++i) {
        step();
    }
    EXPECT_FALSE(outOfBirdsPending);

    // It flies: a running turn holds the grace off.
    bird.launched = true;
    step(/*turnActive=*/true);
    EXPECT_FALSE(outOfBirdsPending);

    // The turn ends; the grace runs, and the enemy dies within it.
    for (int i = 0; i < 30; ++i) {
        step();
    }
    EXPECT_TRUE(outOfBirdsPending);
    enemy.takeDamage(1000.0f);
    step();
    EXPECT_FALSE(outOfBirdsPending);
    const int clearSteps = stepsUntilVerdict(200);
    EXPECT_GE(clearSteps, 119);
    EXPECT_LE(clearSteps, 120);
    EXPECT_EQ(log, "C");
}

TEST_F(LevelWatchersTest, ALevelCompletedDuringTheLossCountdownIsNotStartedOver) {
    Enemy& enemy = addEnemy();
    addBird(true);
    ASSERT_GT(stepsUntilVerdict(200), 0);
    ASSERT_EQ(log, "L");
    // The last enemy falls a moment after the loss was announced.
    enemy.takeDamage(1000.0f);
    ASSERT_GT(stepsUntilVerdict(400), 0);
    EXPECT_EQ(log, "LX") << "the loss is called off";
    ASSERT_GT(stepsUntilVerdict(400), 0);
    EXPECT_EQ(log, "LXC");
    for (int i = 0; i < 400; ++i) {
        step();
    }
    // Completion ends the watching in the game (it stops calling); here the
    // completed flags alone must not bring a restart or a second loss.
    EXPECT_EQ(log.find('S'), std::string::npos) << log;
    EXPECT_EQ(log.find('L', 1), std::string::npos) << log;
}

TEST_F(LevelWatchersTest, TheLastEnemyDyingLateInTheCountdownStillWinsTheLevel) {
    Enemy& enemy = addEnemy();
    addBird(true);
    ASSERT_GT(stepsUntilVerdict(200), 0);
    ASSERT_EQ(log, "L");
    // 2.5 s into the 3 s countdown: the clear delay would end after it.
    for (int i = 0; i < 150; ++i) {
        step();
    }
    ASSERT_EQ(log, "L");
    enemy.takeDamage(1000.0f);
    step();
    EXPECT_EQ(log, "LX") << "the loss is called off the step the field clears";
    EXPECT_FALSE(gameOverPending);
    const int clearSteps = stepsUntilVerdict(400);
    EXPECT_GE(clearSteps, 119);
    EXPECT_LE(clearSteps, 120);
    EXPECT_EQ(log, "LXC") << "completed, never started over nor lost again";

    // With an enemy left standing the countdown keeps its full length.
    log.clear();
    levelEnded = enemiesCleared = false;
    addEnemy();
    ASSERT_GT(stepsUntilVerdict(200), 0);
    const int countdownSteps = stepsUntilVerdict(400);
    EXPECT_GE(countdownSteps, 178);
    EXPECT_LE(countdownSteps, 180);
    EXPECT_EQ(log, "LS");
}

TEST_F(LevelWatchersTest, UnlaunchedBirdsCountOnlyBirdsNotYetThrown) {
    addEnemy();
    addBird(true);
    addBird(false);
    addBird(false);
    EXPECT_EQ(LevelWatchers::unlaunchedBirds(level), 2);
}

} // namespace

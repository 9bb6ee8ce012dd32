#include "level/Level.h"

#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"

#include <box2d/box2d.h>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace {

class LevelTest : public ::testing::Test {
protected:
    LevelTest() { level.world = &world; }

    std::shared_ptr<Block> addBlock(sf::Vector2f position) {
        auto block = std::make_shared<Block>(WOOD, 40.0f, 40.0f);
        block->initPhysics(&world, position, 40.0f, 40.0f);
        level.entities.push_back(block);
        return block;
    }
    std::shared_ptr<Enemy> addEnemy(sf::Vector2f position) {
        auto enemy = makeEnemy(Basic, 100.0f);
        enemy->initPhysics(&world, position, 20.0f);
        level.entities.push_back(enemy);
        return enemy;
    }
    std::shared_ptr<Bird> addLaunchedBird(sf::Vector2f position) {
        auto bird = std::make_shared<Bird>(1, 1.0f);
        bird->initPhysics(&world, position);
        ::testing::internal::CaptureStdout();
        bird->launch({1.0f, 0.0f});
        ::testing::internal::GetCapturedStdout();
        level.entities.push_back(bird);
        return bird;
    }
    // One level update with the default frame time; returns what it printed.
    std::string updateOnce() {
        ::testing::internal::CaptureStdout();
        level.update(1.0f / 60.0f);
        return ::testing::internal::GetCapturedStdout();
    }
    static void quietly(const std::function<void()>& action) {
        ::testing::internal::CaptureStdout();
        action();
        ::testing::internal::GetCapturedStdout();
    }

    b2World world{b2Vec2(0.0f, 5.0f)};
    Level level;
};

TEST_F(LevelTest, QuietFrameLogsNothingAndKeepsEverything) {
    addBlock({100.0f, 100.0f});
    addEnemy({300.0f, 100.0f});
    EXPECT_EQ(updateOnce(), "");
    EXPECT_EQ(level.entities.size(), 2u);
}

TEST_F(LevelTest, BlockDestroyedInTheStepLosesBodyAndLeavesWithoutBreaking) {
    auto block = addBlock({100.0f, 100.0f});
    quietly([&] { block->applyDamage(1000.0f); });

    EXPECT_EQ(updateOnce(), "Level::update: Removing destroyed block.\n"
                            "Level::update: Removed 1 entities.\n");
    EXPECT_TRUE(level.entities.empty());
    EXPECT_EQ(world.GetBodyCount(), 0);
}

TEST_F(LevelTest, DestroyedBlockStillHoldingItsBodyIsBrokenThenRemoved) {
    auto block = addBlock({100.0f, 100.0f});
    block->destroyed = true; // destroyed without the block's own removal step

    EXPECT_EQ(updateOnce(), "Level::update: Block detected as destroyed. Breaking into pieces.\n"
                            "Level::update: Original block body destroyed.\n"
                            "Level::update: Removing destroyed block.\n"
                            "Level::update: Removed 1 entities.\n");
    EXPECT_EQ(block->body, nullptr);
    EXPECT_TRUE(level.entities.empty());
    EXPECT_EQ(world.GetBodyCount(), 0);
}

TEST_F(LevelTest, EnemyBelowThePlayingFieldIsBrokenAndRemovedInTheSameUpdate) {
    auto enemy = addEnemy({300.0f, 750.0f});
    EXPECT_EQ(updateOnce(), "Enemy fell off screen and died!\n"
                            "Level::update: Enemy detected as dead. Breaking into pieces.\n"
                            "Level::update: Original enemy body destroyed.\n"
                            "Level::update: Removing dead enemy.\n"
                            "Level::update: Removed 1 entities.\n");
    EXPECT_EQ(enemy->body, nullptr);
    EXPECT_TRUE(level.entities.empty());
    EXPECT_EQ(world.GetBodyCount(), 0);
}

TEST_F(LevelTest, TwoRemovalsInOneFrameAreCountedOnceAndKeepTheOthersInOrder) {
    auto first = addBlock({100.0f, 100.0f});
    auto keptBlock = addBlock({200.0f, 100.0f});
    auto enemy = addEnemy({300.0f, 100.0f});
    auto keptEnemy = addEnemy({400.0f, 100.0f});
    quietly([&] { first->applyDamage(1000.0f); });
    enemy->takeDamage(500.0f);

    EXPECT_EQ(updateOnce(), "Level::update: Removing destroyed block.\n"
                            "Level::update: Removing dead enemy.\n"
                            "Level::update: Removed 2 entities.\n");
    ASSERT_EQ(level.entities.size(), 2u);
    EXPECT_EQ(level.entities[0], keptBlock);
    EXPECT_EQ(level.entities[1], keptEnemy);
    EXPECT_EQ(world.GetBodyCount(), 2);
}

TEST_F(LevelTest, AllEnemiesDeadLooksAtHealthOnly) {
    EXPECT_TRUE(level.allEnemiesDead());
    addBlock({100.0f, 100.0f});
    addLaunchedBird({0.0f, 0.0f});
    EXPECT_TRUE(level.allEnemiesDead());

    auto enemy = addEnemy({300.0f, 100.0f});
    enemy->destroyBody();
    EXPECT_FALSE(level.allEnemiesDead()); // bodiless but healthy still counts
    enemy->takeDamage(100.0f);
    EXPECT_TRUE(level.allEnemiesDead()); // exactly 0 is dead
}

TEST_F(LevelTest, ClearDestroysBodiesAndKeepsWorldAndBackground) {
    level.background = "game_bg_1";
    level.clear();
    EXPECT_TRUE(level.entities.empty());

    addBlock({100.0f, 100.0f});
    addEnemy({300.0f, 100.0f});
    level.entities.push_back(std::make_shared<Bird>(2, 1.0f)); // never seated: no body
    level.clear();
    EXPECT_TRUE(level.entities.empty());
    EXPECT_EQ(world.GetBodyCount(), 0);
    EXPECT_EQ(level.background, "game_bg_1");
    EXPECT_EQ(level.world, &world);
}

TEST_F(LevelTest, BirdThatIsNoLongerAliveLosesItsBodyButStaysListed) {
    auto flying = addLaunchedBird({100.0f, 100.0f});
    auto finished = addLaunchedBird({200.0f, 100.0f});
    finished->alive = false;

    EXPECT_EQ(updateOnce(), "");
    EXPECT_EQ(finished->body, nullptr);
    EXPECT_NE(flying->body, nullptr);
    EXPECT_EQ(level.entities.size(), 2u);
    EXPECT_EQ(world.GetBodyCount(), 1);

    // A bird that leaves the playing area goes the same way in its own update.
    flying->body->SetTransform(b2Vec2(3000.0f / 30.0f, 0.0f), 0.0f);
    EXPECT_EQ(updateOnce(), "");
    EXPECT_FALSE(flying->alive);
    EXPECT_EQ(flying->body, nullptr);
    EXPECT_EQ(world.GetBodyCount(), 0);
    EXPECT_EQ(level.entities.size(), 2u);
}

} // namespace

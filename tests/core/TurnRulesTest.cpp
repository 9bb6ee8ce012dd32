#include "GameTestSupport.h"

#include "entities/Enemy.h"
#include "entities/SplitBird.h"

#include <gtest/gtest.h>

// The turn and camera rules, driven through updatePlaying without stepping
// the world, so every velocity and position stays exactly as the test sets it.
class TurnRules : public testing::Test {
protected:
    void SetUp() override { game = makeLoadedGame(); }

    void play(const std::string& name, const std::string& content) {
        playLevel(*game, writeLevelFile(name, content));
    }

    Bird* launchSeatedBird(sf::Vector2f velocity = {10.0f, 0.0f}) {
        game->dragPos = game->slingshotPos - velocity / 0.15f;
        Bird* bird = game->birdOnSlingshot;
        game->launchBird();
        return bird;
    }

    void setSpeed(Bird& bird, float pixelsPerSecond) {
        bird.body->SetLinearVelocity({pixelsPerSecond / PIXELS_PER_METER, 0.0f});
    }

    std::unique_ptr<Game> game;
};

TEST_F(TurnRules, ABirdAtRestForHalfASecondEndsTheTurnAndSeatsTheNext) {
    play("turn", THREE_BIRDS_ONE_ENEMY);
    Bird* bird = launchSeatedBird();
    setSpeed(*bird, 0.0f);
    game->updatePlaying(0.25f);
    game->updatePlaying(0.25f);
    EXPECT_TRUE(game->turnActive); // exactly 0.5 s is not yet more than 0.5 s
    testing::internal::CaptureStdout();
    game->updatePlaying(0.01f);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Bird turn finished!"),
              std::string::npos);
    EXPECT_FALSE(game->turnActive);
    EXPECT_EQ(game->currentBird, nullptr);
    ASSERT_NE(game->birdOnSlingshot, nullptr);
    EXPECT_EQ(game->birdOnSlingshot->id, 2);
    EXPECT_NE(bird->body, nullptr); // the launched bird stays in the level
}

TEST_F(TurnRules, ABirdRollingAtTheSettleSpeedKeepsTheTurnGoing) {
    play("rolling", THREE_BIRDS_ONE_ENEMY);
    Bird* bird = launchSeatedBird();
    for (int i = 0; i < 100; ++i) {
        setSpeed(*bird, 15.0f);
        game->updatePlaying(0.1f);
    }
    EXPECT_TRUE(game->turnActive);
    EXPECT_FLOAT_EQ(game->turnSettleTimer, 0.0f);
}

TEST_F(TurnRules, ASplitTurnLastsUntilTheWholeFamilyIsSlow) {
    play("split", "BIRD SPLIT 2\nBIRD NORMAL 3\nENEMY 900 540\n");
    Bird* parent = launchSeatedBird();
    game->activateSpecial();
    ASSERT_EQ(game->extraBirds.size(), 3u);
    setSpeed(*parent, 0.0f);
    for (auto& child : game->extraBirds) {
        setSpeed(*child, 0.0f);
    }
    setSpeed(*game->extraBirds[2], 100.0f);
    for (int i = 0; i < 10; ++i) {
        game->updatePlaying(0.1f);
    }
    EXPECT_TRUE(game->turnActive);
    auto family = game->extraBirds;
    setSpeed(*family[2], 0.0f);
    for (int i = 0; i < 6; ++i) {
        game->updatePlaying(0.1f);
    }
    EXPECT_FALSE(game->turnActive);
    EXPECT_TRUE(game->extraBirds.empty());
    for (auto& child : family) {
        EXPECT_EQ(child->body, nullptr);
    }
}

TEST_F(TurnRules, TheLastBirdSettlingWithAnEnemyAliveLosesAndRestarts) {
    play("last_bird", "BIRD NORMAL 1\nENEMY 900 540\n");
    Bird* bird = launchSeatedBird();
    setSpeed(*bird, 0.0f);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 6; ++i) {
        game->updatePlaying(0.1f);
    }
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Game Over! No birds left."), std::string::npos);
    EXPECT_TRUE(game->stateManager.gameOverPending);
    EXPECT_EQ(game->stateManager.message, "Game Over! Restarting...");
    EXPECT_FLOAT_EQ(game->stateManager.messageTimer, 3.0f);

    game->contactListener.levelScore = 700;
    testing::internal::CaptureStdout();
    for (int i = 0; i < 31; ++i) {
        game->updatePlaying(0.1f);
    }
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Restarted level 1\n"), std::string::npos);
    EXPECT_FALSE(game->stateManager.gameOverPending);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    ASSERT_NE(game->birdOnSlingshot, nullptr);
    EXPECT_FALSE(game->birdOnSlingshot->launched);
}

TEST_F(TurnRules, AnEnemyDyingUnderTheLossBannerTurnsTheLossIntoAWin) {
    play("late_win", "BIRD NORMAL 1\nENEMY 900 540\n");
    Bird* bird = launchSeatedBird();
    setSpeed(*bird, 0.0f);
    testing::internal::CaptureStdout();
    for (int i = 0; i < 6; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_TRUE(game->stateManager.gameOverPending);
    // Still falling two seconds later, the enemy dies: the 3 s restart would
    // come before the 2 s clear delay ends.
    for (int i = 0; i < 20; ++i) {
        game->updatePlaying(0.1f);
    }
    for (const auto& entity : game->currentLevel->entities) {
        if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
            enemy->takeDamage(enemy->health + 100.0f);
        }
    }
    game->updatePlaying(0.1f);
    EXPECT_FALSE(game->stateManager.gameOverPending);
    EXPECT_LE(game->stateManager.messageTimer, 0.0f) << "the loss banner is taken back";
    for (int i = 0; i < 30 && game->stateManager.state == Playing; ++i) {
        game->updatePlaying(0.1f);
    }
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(log.find("Restarted level"), std::string::npos) << log;
}

TEST_F(TurnRules, TheCameraEasesTowardAFastBirdAndStopsAtItsLimit) {
    play("camera", THREE_BIRDS_ONE_ENEMY);
    Bird* bird = launchSeatedBird();
    bird->body->SetTransform({601.0f / PIXELS_PER_METER, 10.0f}, 0.0f);
    game->updatePlaying(0.01f);
    EXPECT_NEAR(game->gameView.getCenter().x, 505.05f, 1e-3f);
    EXPECT_FLOAT_EQ(game->gameView.getCenter().y, 350.0f);

    bird->body->SetTransform({2000.0f / PIXELS_PER_METER, 10.0f}, 0.0f);
    for (int i = 0; i < 50; ++i) {
        game->updatePlaying(0.1f);
    }
    EXPECT_FLOAT_EQ(game->gameView.getCenter().x, 1600.0f);
}

TEST_F(TurnRules, TheCameraDriftsHomeWhenTheBirdIsGone) {
    play("camera_home", THREE_BIRDS_ONE_ENEMY);
    Bird* bird = launchSeatedBird();
    game->gameView.setCenter(900.0f, 450.0f);
    bird->alive = false;
    game->updatePlaying(0.1f);
    EXPECT_EQ(game->currentBird, nullptr);
    EXPECT_NEAR(game->gameView.getCenter().x, 900.0f + (500.0f - 900.0f) * 0.2f, 1e-3f);
    EXPECT_NEAR(game->gameView.getCenter().y, 450.0f + (350.0f - 450.0f) * 0.2f, 1e-3f);
}

TEST_F(TurnRules, ALongFrameDoesNotLetABirdTunnelThroughAWall) {
    play("wall", "BLOCK TALL_METAL 300 460 20 200\nBIRD NORMAL 1\nBIRD NORMAL 2\n"
                 "ENEMY 900 540\n");
    Bird* bird = launchSeatedBird({22.5f, -3.0f});
    game->update(2.0f);
    game->update(2.0f);
    EXPECT_LT(bird->body->GetPosition().x * PIXELS_PER_METER, 300.0f);
}

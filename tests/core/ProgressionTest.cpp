#include "GameTestSupport.h"

#include "entities/Bird.h"
#include "entities/Enemy.h"

#include <gtest/gtest.h>

TEST(StarRating, FollowsTheScoreTheEnemiesAndTheBirdsLeft) {
    // One enemy at the start, killed by the first of three birds with 1500
    // points: 1500 / 1500 x 0.7 + 2/3 x 0.3 = 0.9
    EXPECT_EQ(GameStateManager::rateStars(1500, 1, 2, 3), 3);
    // 500 / 1500 x 0.7 = 0.23; 1100 / 1500 x 0.7 = 0.51
    EXPECT_EQ(GameStateManager::rateStars(500, 1, 0, 3), 1);
    EXPECT_EQ(GameStateManager::rateStars(1100, 1, 0, 3), 2);
    // Every enemy raises the par: 1500 / 2000 x 0.7 = 0.525
    EXPECT_EQ(GameStateManager::rateStars(1500, 2, 0, 3), 2);
    // A level without birds: the bird term is not a number.
    EXPECT_EQ(GameStateManager::rateStars(100000, 0, 0, 0), 1);
}

class Progression : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile("progression", THREE_BIRDS_ONE_ENEMY));
    }

    // Kills every enemy of the level the way a contact would.
    void killAllEnemies() {
        for (const auto& entity : game->currentLevel->entities) {
            if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
                enemy->takeDamage(enemy->health + 100.0f);
            }
        }
    }

    std::unique_ptr<Game> game;
};

TEST_F(Progression, KillingTheLastEnemyCompletesTheLevelTwoSecondsLater) {
    game->contactListener.levelScore = 1500;
    killAllEnemies();
    game->updatePlaying(1.0f);
    game->updatePlaying(1.0f);
    EXPECT_EQ(game->stateManager.state, Playing); // exactly 2 s is not more than 2 s
    testing::internal::CaptureStdout();
    game->updatePlaying(0.01f);
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Level completed! Score: 1500 Stars: 3"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_TRUE(game->stateManager.levelEnded);
    EXPECT_EQ(game->totalScore, 1500);
    EXPECT_EQ(game->stateManager.stars, 3);
}

TEST_F(Progression, StarsCountTheEnemiesTheLevelStartedWith) {
    // Two enemies; by the time the level completes both have left the list.
    playLevel(*game, writeLevelFile("two_enemies", "BIRD NORMAL 1\nBIRD NORMAL 2\n"
                                                   "BIRD NORMAL 3\nENEMY 800 540\n"
                                                   "ENEMY 900 540\n"));
    EXPECT_EQ(game->stateManager.totalEnemies, 2);
    for (const auto& entity : game->currentLevel->entities) {
        if (auto* bird = dynamic_cast<Bird*>(entity.get())) {
            bird->launched = true; // every bird used
        }
    }
    game->contactListener.levelScore = 1500;
    killAllEnemies();
    for (int i = 0; i < 25 && game->stateManager.state == Playing; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    // 1500 / ((2 + 2) x 500) x 0.7 = 0.525: two stars, not the three an
    // enemy count of zero would give.
    EXPECT_EQ(game->stateManager.stars, 2);
}

TEST_F(Progression, RetryReplacesTheCompletedAttemptInTheTotal) {
    game->totalScore = 900; // banked from earlier levels of the run
    game->contactListener.levelScore = 1200;
    killAllEnemies();
    for (int i = 0; i < 25 && game->stateManager.state == Playing; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(game->totalScore, 2100);

    game->restartLevel(); // Retry on the results screen
    game->stateManager.resumePlaying();
    EXPECT_EQ(game->totalScore, 900);
    game->contactListener.levelScore = 700;
    killAllEnemies();
    for (int i = 0; i < 25 && game->stateManager.state == Playing; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(game->totalScore, 900 + 700);
}

TEST_F(Progression, StartingTheNextLevelOverKeepsTheLevelBefore) {
    game->levelFiles.assign(2, writeLevelFile("progression", THREE_BIRDS_ONE_ENEMY));
    game->contactListener.levelScore = 1200;
    killAllEnemies();
    for (int i = 0; i < 25 && game->stateManager.state == Playing; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    game->stateManager.nextLevel();
    game->restartLevel(); // Start Over from the pause menu
    game->stateManager.resumePlaying();
    EXPECT_EQ(game->totalScore, 1200);
}

TEST_F(Progression, AWonLevelIsNotRestartedByALossPendingFromBefore) {
    // The loss is announced, then the last enemy dies within the countdown.
    game->stateManager.gameOverPending = true;
    game->stateManager.gameOverTimer = 3.0f;
    killAllEnemies();
    for (int i = 0; i < 21; ++i) {
        game->updatePlaying(0.1f);
    }
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_FALSE(game->stateManager.gameOverPending);

    game->restartLevel();
    game->stateManager.resumePlaying();
    testing::internal::CaptureStdout();
    for (int i = 0; i < 20; ++i) {
        game->updatePlaying(0.1f);
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("Restarted level"), std::string::npos);
}

TEST_F(Progression, StartOverDuringTheCountdownRestartsOnlyOnce) {
    game->stateManager.gameOverPending = true;
    game->stateManager.gameOverTimer = 1.0f;
    game->restartLevel();
    EXPECT_FALSE(game->stateManager.gameOverPending);
    EXPECT_FALSE(game->stateManager.outOfBirdsPending);
}

TEST_F(Progression, NextLevelAfterTheSeventhClosesTheRunOnItsOwnScreen) {
    game->levelFiles.assign(7, writeLevelFile("progression", THREE_BIRDS_ONE_ENEMY));
    game->currentLevelIndex = 6;
    game->totalScore = 4321;
    testing::internal::CaptureStdout();
    game->stateManager.nextLevel();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("All levels completed! Final score: 4321\n"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, GameComplete);
    EXPECT_EQ(game->stateManager.finalScore, 4321) << "the closing screen shows the total";
    EXPECT_EQ(game->currentLevelIndex, 0);
    EXPECT_EQ(game->totalScore, 0);
}

TEST_F(Progression, NextLevelKeepsTheBankedTotalAndLoadsTheFollowingLevel) {
    game->levelFiles.assign(2, writeLevelFile("progression", THREE_BIRDS_ONE_ENEMY));
    game->totalScore = 900;
    game->contactListener.levelScore = 300;
    game->stateManager.nextLevel();
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 1);
    EXPECT_EQ(game->totalScore, 900);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    EXPECT_NE(game->birdOnSlingshot, nullptr);
}

TEST_F(Progression, QuitToMenuDiscardsTheRun) {
    game->totalScore = 900;
    game->currentLevelIndex = 0;
    game->stateManager.quitToMenu();
    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_EQ(game->totalScore, 0);
    EXPECT_TRUE(game->currentLevel->entities.empty());
    EXPECT_EQ(game->birdOnSlingshot, nullptr);
}

TEST_F(Progression, SpecialsShowTheirBannerAndEveryKindLogs) {
    playLevel(*game, writeLevelFile("specials", "BIRD BOOST 1\nBIRD NORMAL 2\nENEMY 900 540\n"));
    game->dragPos = {-50.0f, 540.0f};
    game->launchBird();
    testing::internal::CaptureStdout();
    game->activateSpecial();
    game->activateSpecial(); // a second click does nothing
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(game->stateManager.message, "BOOST ACTIVATED!");
    EXPECT_FLOAT_EQ(game->stateManager.messageTimer, 2.0f);
    std::size_t first = log.find("Special ability activated!");
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(log.find("Special ability activated!", first + 1), std::string::npos);
}

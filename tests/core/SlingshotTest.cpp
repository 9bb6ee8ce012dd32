#include "GameTestSupport.h"

#include "core/AimingPreview.h"

#include <gtest/gtest.h>

// In a 1280 x 720 window the game view (1600 x 900 around (500, 350)) maps
// window pixel (px, py) to world (px * 1.25 - 300, py * 1.25 - 100), so the
// pixels below land on exact world points.
class Slingshot : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile("slingshot", THREE_BIRDS_ONE_ENEMY));
    }

    void handle(const sf::Event& event) { game->input.handleEvent(event); }

    std::unique_ptr<Game> game;
};

TEST_F(Slingshot, APullStartsOnlyStrictlyInsideTwoHundredPixels) {
    handle(mousePress(280, 352)); // world (50, 340): exactly 200 px above the anchor
    EXPECT_FALSE(game->isDragging);
    handle(mousePress(280, 353)); // world (50, 341.25): 198.75 px
    EXPECT_TRUE(game->isDragging);
    EXPECT_EQ(game->dragStart, game->bandRestPos);
    EXPECT_EQ(game->birdOnSlingshot->position, game->bandRestPos);
}

TEST_F(Slingshot, PullIsClampedToOneHundredFiftyPixels) {
    handle(mousePress(240, 512)); // world (0, 540): close to the anchor
    ASSERT_TRUE(game->isDragging);
    handle(mouseMove(40, 512)); // world (-250, 540): 300 px to the left
    EXPECT_FLOAT_EQ(game->dragPos.x, -100.0f);
    EXPECT_FLOAT_EQ(game->dragPos.y, 540.0f);
    EXPECT_EQ(game->birdOnSlingshot->position, game->dragPos);

    Bird* bird = game->birdOnSlingshot;
    testing::internal::CaptureStdout();
    handle(mouseRelease(40, 512));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Drag: (150, 0) \u2192 Velocity: (22.5, 0) m/s"), std::string::npos);
    EXPECT_FALSE(game->isDragging);
    EXPECT_TRUE(bird->launched);
    EXPECT_EQ(bird->body->GetType(), b2_dynamicBody);
    EXPECT_NEAR(bird->body->GetLinearVelocity().x, 22.5f, 1e-4f);
    EXPECT_NEAR(bird->body->GetLinearVelocity().y, 0.0f, 1e-4f);
    EXPECT_EQ(game->currentBird, bird);
    EXPECT_EQ(game->birdOnSlingshot, nullptr);
    EXPECT_TRUE(game->turnActive);
}

TEST_F(Slingshot, AReleaseWithoutMovingLaunchesFromThePressPoint) {
    handle(mousePress(136, 512)); // world (-130, 540): 180 px left, beyond the clamp
    Bird* bird = game->birdOnSlingshot;
    handle(mouseRelease(136, 512));
    ASSERT_TRUE(bird->launched);
    EXPECT_NEAR(bird->body->GetLinearVelocity().x, 27.0f, 1e-4f);
    EXPECT_NEAR(bird->body->GetLinearVelocity().y, 0.0f, 1e-4f);
}

TEST_F(Slingshot, APressWithNoSeatedBirdSeatsTheNextAndPulls) {
    game->birdOnSlingshot->destroyBody();
    game->birdOnSlingshot = nullptr;
    handle(mousePress(240, 512));
    ASSERT_NE(game->birdOnSlingshot, nullptr);
    EXPECT_EQ(game->birdOnSlingshot->id, 1);
    EXPECT_TRUE(game->isDragging);
}

TEST_F(Slingshot, APressDuringATurnTriggersTheSpecialInsteadOfAPull) {
    handle(mousePress(240, 512));
    handle(mouseRelease(240, 512));
    ASSERT_TRUE(game->turnActive);
    Bird* flying = game->currentBird;
    handle(mousePress(240, 512));
    EXPECT_TRUE(flying->specialUsed);
    EXPECT_FALSE(game->isDragging);
}

TEST_F(Slingshot, ARightPressNeverTriggersTheSpecial) {
    handle(mousePress(240, 512));
    handle(mouseRelease(240, 512));
    handle(mousePress(600, 300, sf::Mouse::Right));
    handle(mousePress(600, 300, sf::Mouse::Middle));
    EXPECT_FALSE(game->currentBird->specialUsed);
}

TEST(AimingPreviewRules, DotsStopAtTheGroundAndFade) {
    // A flat, fast shot: it leaves the field to the right before landing.
    const AimingPreview flat = AimingPreview::compute({48.0f, 495.0f}, {22.5f, -3.0f});
    ASSERT_GT(flat.count, 0u);
    for (std::size_t i = 0; i < flat.count; ++i) {
        EXPECT_LE(flat.dots[i].position.y, 580.0f);
        EXPECT_LE(flat.dots[i].position.x, 1500.0f);
        EXPECT_GE(flat.dots[i].color.a, 50);
        EXPECT_GE(flat.dots[i].radius, 2.0f);
    }
    EXPECT_EQ(flat.dots[0].color.a, 248);
    EXPECT_FLOAT_EQ(flat.dots[0].radius, 3.9f);

    // Straight down: the first dot is already below y = 580.
    const AimingPreview down = AimingPreview::compute({48.0f, 495.0f}, {0.0f, 40.0f});
    EXPECT_EQ(down.count, 0u);

    // A high lob keeps all thirty dots, the last ones no fainter than 50.
    const AimingPreview lob = AimingPreview::compute({48.0f, 495.0f}, {3.0f, -20.0f});
    EXPECT_EQ(lob.count, AimingPreview::MAX_DOTS);
    EXPECT_EQ(lob.dots[29].color.a, 50);
}

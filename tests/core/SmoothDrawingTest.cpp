#include "GameTestSupport.h"

#include "core/Attempt.h"
#include "entities/Bird.h"
#include "entities/Block.h"

#include <box2d/box2d.h>
#include <gtest/gtest.h>

// Bodies drawn between the last two fixed steps: the rules see whole steps
// only, and the picture is the last step's at blend 1 and the one before at 0.
namespace {

void expectPose(const Entity::Pose& pose, sf::Vector2f position, float angle) {
    EXPECT_FLOAT_EQ(pose.position.x, position.x);
    EXPECT_FLOAT_EQ(pose.position.y, position.y);
    EXPECT_FLOAT_EQ(pose.angle, angle);
}

TEST(EntityPoseTest, DrawsTheLastStepAtOneThePreviousAtZeroAndStillBodiesWhereTheyAre) {
    b2World world({0.0f, 10.0f});
    Block falling(WOOD, 40.0f, 20.0f);
    falling.initPhysics(&world, {100.0f, 100.0f}, 40.0f, 20.0f);
    falling.body->SetAngularVelocity(2.0f);
    falling.update(0.0f);
    // Nothing remembered yet: drawn where it is at any blend.
    expectPose(falling.drawnPose(0.0f), falling.position, falling.body->GetAngle());

    const sf::Vector2f before = falling.position;
    const float angleBefore = falling.body->GetAngle();
    falling.rememberPose();
    for (int i = 0; i < 5; ++i) {
        world.Step(Attempt::STEP_SECONDS, 8, 3);
    }
    falling.update(Attempt::STEP_SECONDS);
    ASSERT_GT(falling.position.y, before.y);
    expectPose(falling.drawnPose(0.0f), before, angleBefore);
    expectPose(falling.drawnPose(1.0f), falling.position, falling.body->GetAngle());
    const Entity::Pose half = falling.drawnPose(0.5f);
    EXPECT_NEAR(half.position.y, (before.y + falling.position.y) / 2.0f, 1e-3f);
    EXPECT_NEAR(half.angle, (angleBefore + falling.body->GetAngle()) / 2.0f, 1e-5f);

    // A bird on the slingshot is placed by the pull, not moved by steps.
    Bird seated(1, 1.0f);
    seated.initPhysics(&world, {50.0f, 500.0f});
    seated.rememberPose();
    seated.position = {20.0f, 520.0f};
    expectPose(seated.drawnPose(0.0f), {20.0f, 520.0f}, seated.body->GetAngle());
}

class SmoothDrawing : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile("smooth_drawing", THREE_BIRDS_ONE_ENEMY));
        game->update(0.0f);
        Attempt& attempt = game->attempt;
        attempt.press(attempt.bandRestPos);
        attempt.pull(attempt.slingshotPos + sf::Vector2f(-120.0f, 40.0f));
        attempt.release();
        bird = game->currentBird;
        ASSERT_NE(bird, nullptr);
        for (int i = 0; i < 20; ++i) {
            game->update(Game::STEP_SECONDS);
        }
    }

    std::unique_ptr<Game> game;
    Bird* bird = nullptr;
};

TEST_F(SmoothDrawing, AFrameBetweenStepsDrawsBetweenThemAndTheRulesTakeWholeSteps) {
    const sf::Vector2f before = bird->position;
    const std::uint64_t steps = game->stepCount;
    game->update(1.25f * Game::STEP_SECONDS);
    EXPECT_EQ(game->stepCount, steps + 1);
    EXPECT_NEAR(game->stepBlend(), 0.25f, 1e-3f);
    // The rules saw the whole step; the picture lags a quarter of it behind.
    const b2Vec2 body = bird->body->GetPosition();
    EXPECT_FLOAT_EQ(bird->position.x, body.x * PIXELS_PER_METER);
    const Entity::Pose drawn = bird->drawnPose(game->stepBlend());
    EXPECT_NEAR(drawn.position.x, before.x + 0.25f * (bird->position.x - before.x), 1e-2f);
    EXPECT_GT(bird->position.x, before.x);

    // Another three quarters of a step: a whole one, drawn as it is.
    game->update(0.75f * Game::STEP_SECONDS);
    EXPECT_EQ(game->stepCount, steps + 2);
    EXPECT_NEAR(game->stepBlend(), 0.0f, 1e-3f);

    // Paused, the field is the last step as it stands.
    game->input.handleEvent(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, Paused);
    EXPECT_EQ(game->stepBlend(), 1.0f);
    EXPECT_EQ(game->drawnView().getCenter(), game->gameView.getCenter());
}

TEST_F(SmoothDrawing, TheCameraIsDrawnBetweenItsLastTwoPlacesUnlessMovedSince) {
    // Long enough for the camera to follow the bird.
    for (int i = 0; i < 60; ++i) {
        game->update(Game::STEP_SECONDS);
    }
    const sf::Vector2f before = game->gameView.getCenter();
    game->update(1.5f * Game::STEP_SECONDS);
    const sf::Vector2f after = game->gameView.getCenter();
    ASSERT_NE(before, after) << "the camera should be following the bird";
    const sf::Vector2f drawn = game->drawnView().getCenter();
    EXPECT_NEAR(drawn.x, (before.x + after.x) / 2.0f, 1e-2f);
    EXPECT_NEAR(drawn.y, (before.y + after.y) / 2.0f, 1e-2f);

    game->gameView.setCenter(after + sf::Vector2f(50.0f, 0.0f));
    EXPECT_EQ(game->drawnView().getCenter(), game->gameView.getCenter());
}

} // namespace

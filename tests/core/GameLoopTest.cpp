#include "GameTestSupport.h"

#include "entities/Entity.h"
#include "entities/EntityBody.h"

#include <gtest/gtest.h>

namespace {

b2Body* findGround(b2World& world) {
    for (b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        if (body->GetType() == b2_staticBody && entityOf(body) == nullptr) {
            return body;
        }
    }
    return nullptr;
}

} // namespace

TEST(GameLoop, LoadingEndsInTheFirstFrameThatReachesThreeSeconds) {
    Game game(1280, 720, "Skysling Clone");
    game.update(1.0f);
    game.update(1.0f);
    game.update(0.999f);
    EXPECT_EQ(game.stateManager.state, Loading);
    EXPECT_TRUE(game.levelFiles.empty());
    game.update(0.001f);
    EXPECT_EQ(game.stateManager.state, Menu);
    ASSERT_EQ(static_cast<int>(game.levelFiles.size()), ShippedLevels::count());
    EXPECT_EQ(game.levelFiles.front(), "resources/levels/level1.txt");
    EXPECT_EQ(game.levelFiles.back(),
              "resources/levels/level" + std::to_string(ShippedLevels::count()) + ".txt");
    EXPECT_NE(game.currentLevel, nullptr);
}

TEST(GameLoop, ALongFirstFrameEndsLoadingAtOnce) {
    Game game(1280, 720, "Skysling Clone");
    game.update(3.5f);
    EXPECT_EQ(game.stateManager.state, Menu);
    EXPECT_FLOAT_EQ(game.stateManager.loadingProgress, 1.0f);
    // The field keeps its height and takes the 16:9 window's shape.
    EXPECT_FLOAT_EQ(game.gameView.getSize().x, 1600.0f);
    EXPECT_FLOAT_EQ(game.gameView.getSize().y, 900.0f);
}

TEST(GameLoop, ClosingTheWindowDuringLoadingLoadsNoLevel) {
    Game game(1280, 720, "Skysling Clone");
    sf::Event closed;
    closed.type = sf::Event::Closed;
    game.input.handleEvent(closed);
    EXPECT_FALSE(game.isRunning());
    EXPECT_FALSE(game.window.isOpen());
    game.run(); // returns at once: nothing left to run
    EXPECT_TRUE(game.levelFiles.empty());
    EXPECT_EQ(game.currentLevel, nullptr);
}

TEST(GameLoop, TheGroundHasItsFixtureValues) {
    auto game = makeLoadedGame();
    b2Body* ground = findGround(*game->world);
    ASSERT_NE(ground, nullptr);
    EXPECT_NEAR(ground->GetPosition().x, 20.0f, 1e-5f);
    EXPECT_NEAR(ground->GetPosition().y, 19.333334f, 1e-5f);
    const b2Fixture* fixture = ground->GetFixtureList();
    ASSERT_NE(fixture, nullptr);
    EXPECT_EQ(fixture->GetNext(), nullptr);
    EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.2f);
    EXPECT_FLOAT_EQ(fixture->GetRestitution(), 0.0f);
    EXPECT_FLOAT_EQ(fixture->GetDensity(), 0.0f);
    EXPECT_EQ(fixture->GetFilterData().categoryBits, 0x0008);
    EXPECT_EQ(fixture->GetFilterData().maskBits, 0x0007);
    const auto* box = dynamic_cast<const b2PolygonShape*>(fixture->GetShape());
    ASSERT_NE(box, nullptr);
    // Top surface at y = 560 px, edges at x = -200 and 1400 px.
    const b2AABB bounds = [&] {
        b2AABB aabb;
        fixture->GetShape()->ComputeAABB(&aabb, ground->GetTransform(), 0);
        return aabb;
    }();
    EXPECT_NEAR(bounds.lowerBound.y * PIXELS_PER_METER, 560.0f - 0.01f * 30.0f, 0.01f);
    EXPECT_NEAR(bounds.lowerBound.x * PIXELS_PER_METER, -200.0f - 0.3f, 0.01f);
    EXPECT_NEAR(bounds.upperBound.x * PIXELS_PER_METER, 1400.0f + 0.3f, 0.01f);
    EXPECT_EQ(game->world->GetContactManager().m_contactListener,
              static_cast<b2ContactListener*>(&game->contactListener));
}

TEST(GameLoop, BandAnchorsDeriveFromTheSlingshot) {
    Game game(1280, 720, "Skysling Clone");
    EXPECT_EQ(game.slingshotPos, sf::Vector2f(50.0f, 540.0f));
    EXPECT_EQ(game.rightBandAnchor, sf::Vector2f(68.0f, 495.0f));
    EXPECT_EQ(game.leftBandAnchor, sf::Vector2f(28.0f, 495.0f));
    EXPECT_EQ(game.bandRestPos, sf::Vector2f(48.0f, 495.0f));
    EXPECT_TRUE(game.isRunning());
    EXPECT_EQ(game.stateManager.state, Loading);
    EXPECT_EQ(game.stateManager.previousState, Menu);
    EXPECT_TRUE(game.stateManager.cursorVisible);
}

TEST(GameLoop, LoadingALevelSeatsTheFirstBirdAndLinesUpTheRest) {
    auto game = makeLoadedGame();
    playLevel(*game, writeLevelFile("three_birds", THREE_BIRDS_ONE_ENEMY));
    EXPECT_EQ(game->stateManager.totalBirds, 3);
    ASSERT_NE(game->birdOnSlingshot, nullptr);
    EXPECT_EQ(game->birdOnSlingshot->id, 1);
    ASSERT_NE(game->birdOnSlingshot->body, nullptr);
    EXPECT_EQ(game->birdOnSlingshot->body->GetType(), b2_staticBody);
    EXPECT_EQ(game->birdOnSlingshot->position, game->bandRestPos);
    std::vector<sf::Vector2f> waiting;
    for (const auto& entity : game->currentLevel->entities) {
        auto* bird = dynamic_cast<Bird*>(entity.get());
        if (bird != nullptr && bird != game->birdOnSlingshot) {
            EXPECT_EQ(bird->body, nullptr);
            waiting.push_back(bird->position);
        }
    }
    ASSERT_EQ(waiting.size(), 2u);
    EXPECT_EQ(waiting[0], sf::Vector2f(-10.0f, 580.0f));
    EXPECT_EQ(waiting[1], sf::Vector2f(-35.0f, 580.0f));
    EXPECT_EQ(game->gameView.getCenter(), sf::Vector2f(500.0f, 350.0f));
}

TEST(GameLoop, ALevelWithoutBirdsSeatsNothing) {
    auto game = makeLoadedGame();
    playLevel(*game, writeLevelFile("no_birds", "ENEMY 900 540\n"));
    EXPECT_EQ(game->birdOnSlingshot, nullptr);
    EXPECT_EQ(game->stateManager.totalBirds, 0);
}

TEST(GameLoop, LoadingPastTheLastLevelChangesNothing) {
    auto game = makeLoadedGame();
    Level* before = game->currentLevel;
    const std::size_t entities = before->entities.size();
    game->currentLevelIndex = static_cast<int>(game->levelFiles.size());
    testing::internal::CaptureStdout();
    game->loadCurrentLevel();
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "Game constructor: finished.\n");
    EXPECT_EQ(game->currentLevel, before);
    EXPECT_EQ(game->currentLevel->entities.size(), entities);
}

TEST(GameLoop, TheLoginCursorBlinksOnlyWithAFocusedField) {
    auto game = makeLoadedGame();
    GameStateManager& flow = game->stateManager;
    flow.state = Login;
    flow.loginFocus = 1;
    game->update(0.3f);
    EXPECT_TRUE(flow.cursorVisible);
    game->update(0.2f);
    EXPECT_FALSE(flow.cursorVisible);
    EXPECT_FLOAT_EQ(flow.cursorBlinkTimer, 0.0f);
    flow.loginFocus = 0;
    game->update(0.1f);
    EXPECT_TRUE(flow.cursorVisible);
}

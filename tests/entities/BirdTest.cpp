#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/BoostBird.h"
#include "entities/ExplosionBird.h"
#include "entities/PhysicsTestSupport.h"
#include "entities/SplitBird.h"

#include <SFML/Graphics/Texture.hpp>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace physics_test;

namespace {
constexpr float EPS = 1e-4f;

b2Body* makeDynamicBox(b2World& world, b2Vec2 centre, float halfSide, float density) {
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.position = centre;
    b2Body* body = world.CreateBody(&def);
    b2PolygonShape box;
    box.SetAsBox(halfSide, halfSide);
    body->CreateFixture(&box, density);
    return body;
}
} // namespace

TEST(BirdTest, SeatedBodyIsStaticCircleThatNeverHitsOtherBirds) {
    auto world = makeWorld();
    Bird bird(1, 1.0f);
    bird.initPhysics(world.get(), {300.0f, 200.0f});
    ASSERT_NE(bird.body, nullptr);
    EXPECT_EQ(bird.body->GetType(), b2_staticBody);
    EXPECT_EQ(bird.position, sf::Vector2f(300.0f, 200.0f));
    const b2Fixture* fixture = bird.body->GetFixtureList();
    EXPECT_NEAR(fixture->GetShape()->m_radius, 0.5f, EPS);
    EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.3f);
    EXPECT_FLOAT_EQ(fixture->GetRestitution(), 0.4f);
    EXPECT_EQ(fixture->GetFilterData().categoryBits, 0x0001);
    EXPECT_EQ(fixture->GetFilterData().maskBits, 0x000E);
    EXPECT_EQ(entityOf(bird.body), &bird);

    Bird nullWorldBird(2, 1.0f);
    nullWorldBird.initPhysics(nullptr, {10.0f, 10.0f});
    EXPECT_EQ(nullWorldBird.body, nullptr);
    EXPECT_EQ(nullWorldBird.position, sf::Vector2f(0.0f, 0.0f));
}

TEST(BirdTest, TwoOverlappingFlyingBirdsPassThroughEachOther) {
    auto world = makeWorld();
    Bird left(1, 1.0f);
    Bird right(2, 1.0f);
    left.initPhysics(world.get(), {300.0f, 200.0f});
    right.initPhysics(world.get(), {310.0f, 200.0f});
    left.launch({1.0f, 0.0f});
    right.launch({-1.0f, 0.0f});
    for (int i = 0; i < 30; ++i) {
        world->Step(1.0f / 60.0f, 8, 3);
    }
    EXPECT_EQ(world->GetContactCount(), 0);
    EXPECT_FLOAT_EQ(left.body->GetLinearVelocity().x, 1.0f);
    EXPECT_FLOAT_EQ(right.body->GetLinearVelocity().x, -1.0f);
}

TEST(BirdTest, LaunchHappensOnceAndNeedsABody) {
    auto world = makeWorld();
    Bird bird(4, 1.0f);
    bird.launch({5.0f, 0.0f});
    EXPECT_FALSE(bird.launched);

    bird.initPhysics(world.get(), {100.0f, 100.0f});
    testing::internal::CaptureStdout();
    bird.launch({3.5f, -2.0f});
    bird.launch({9.0f, 9.0f});
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log, "Bird 4 launched with velocity: (3.5, -2) m/s\n");
    EXPECT_TRUE(bird.launched);
    EXPECT_EQ(bird.body->GetType(), b2_dynamicBody);
    EXPECT_TRUE(bird.body->IsAwake());
    EXPECT_FLOAT_EQ(bird.getVelocity().x, 3.5f * 30.0f);
    EXPECT_FLOAT_EQ(bird.getVelocity().y, -2.0f * 30.0f);
}

TEST(BirdTest, CollisionTimerEndsTheBirdAfterTenSeconds) {
    auto world = makeWorld();
    Bird bird(1, 1.0f);
    bird.initPhysics(world.get(), {100.0f, 100.0f});
    bird.markCollided();
    bird.update(20.0f);
    EXPECT_TRUE(bird.alive) << "a contact in the slingshot starts no timer";
    EXPECT_FALSE(bird.collided);
    bird.launch({0.0f, 0.0f});
    bird.update(20.0f);
    EXPECT_TRUE(bird.alive) << "no timer runs before the first contact";
    bird.markCollided();
    bird.update(5.0f);
    bird.markCollided(); // a later contact does not restart the timer
    bird.update(5.0f);
    EXPECT_TRUE(bird.alive) << "exactly 10 s is not yet past the limit";
    bird.update(0.01f);
    EXPECT_FALSE(bird.alive);
}

TEST(BirdTest, FlyingBirdDiesOnlyOutsideThePlayingArea) {
    auto world = makeWorld();
    Bird edge(1, 1.0f);
    edge.initPhysics(world.get(), {100.0f, 300.0f});
    edge.launch({0.0f, 0.0f});
    edge.body->SetTransform(b2Vec2(2000.0f / 30.0f, 10.0f), 0.0f);
    edge.update(0.0f);
    EXPECT_LE(edge.position.x, 2000.0f);
    EXPECT_TRUE(edge.alive);

    edge.body->SetTransform(b2Vec2(2001.0f / 30.0f, 10.0f), 0.0f);
    edge.update(0.0f);
    EXPECT_FALSE(edge.alive);

    Bird seated(2, 1.0f);
    seated.initPhysics(world.get(), {5000.0f, 300.0f});
    seated.update(0.0f);
    EXPECT_TRUE(seated.alive) << "a seated bird is not followed";
    EXPECT_EQ(seated.position, sf::Vector2f(5000.0f, 300.0f));
}

TEST(BirdTest, DestroyBodyTwiceIsHarmless) {
    auto world = makeWorld();
    Bird bird(1, 1.0f);
    bird.initPhysics(world.get(), {100.0f, 100.0f});
    bird.destroyBody();
    EXPECT_EQ(bird.body, nullptr);
    EXPECT_EQ(world->GetBodyCount(), 0);
    bird.destroyBody();
    EXPECT_EQ(bird.getVelocity(), sf::Vector2f(0.0f, 0.0f));
}

TEST(BirdSpecialTest, PlainBirdOnlyMarksItsSpecialUsed) {
    Bird bird(1, 1.0f);
    testing::internal::CaptureStdout();
    bird.useSpecial();
    bird.useSpecial();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Bird::useSpecial() base - no effect\n");
    EXPECT_TRUE(bird.specialUsed);
}

TEST(BirdSpecialTest, BoostMultipliesVelocityOnceInFlight) {
    auto world = makeWorld();
    BoostBird bird(1, 1.0f);
    bird.initPhysics(world.get(), {300.0f, 200.0f});
    bird.useSpecial();
    EXPECT_FALSE(bird.specialUsed) << "not before launch";

    bird.launch({3.0f, -4.0f});
    bird.useSpecial();
    EXPECT_TRUE(bird.specialUsed);
    EXPECT_NEAR(bird.body->GetLinearVelocity().x, 5.4f, EPS);
    EXPECT_NEAR(bird.body->GetLinearVelocity().y, -7.2f, EPS);
    bird.useSpecial();
    EXPECT_NEAR(bird.body->GetLinearVelocity().x, 5.4f, EPS);
}

TEST(BirdSpecialTest, BoostOnANearlyStillBirdIsSpentWithoutEffect) {
    auto world = makeWorld();
    BoostBird bird(1, 1.0f);
    bird.initPhysics(world.get(), {300.0f, 200.0f});
    bird.launch({0.05f, 0.05f});
    bird.useSpecial();
    EXPECT_TRUE(bird.specialUsed);
    EXPECT_FLOAT_EQ(bird.body->GetLinearVelocity().x, 0.05f);
}

TEST(BirdSpecialTest, SplitChildIdsStayWithinIntForAnyParentId) {
    constexpr int highest = std::numeric_limits<int>::max();
    constexpr int lowest = std::numeric_limits<int>::min();
    EXPECT_EQ(SplitBird::childId(2, 1), 201);
    EXPECT_EQ(SplitBird::childId(-3, 2), -298);
    EXPECT_EQ(SplitBird::childId(21474836, 2), 2147483602);
    EXPECT_EQ(SplitBird::childId(21474836, 47), highest); // one past the top
    EXPECT_EQ(SplitBird::childId(highest, 2), highest);
    EXPECT_EQ(SplitBird::childId(lowest, 0), lowest);

    // The id a level file once overflowed with, split for real.
    auto world = makeWorld();
    SplitBird bird(24748375, 1.0f);
    bird.initPhysics(world.get(), {300.0f, 200.0f});
    bird.launch({10.0f, 0.0f});
    testing::internal::CaptureStdout();
    bird.useSpecial();
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(bird.spawnedBirds.size(), 3u);
    for (const auto& child : bird.spawnedBirds) {
        EXPECT_EQ(child->id, highest);
    }
}

TEST(BirdSpecialTest, SplitReleasesThreeLaunchedBirdsInAFan) {
    auto world = makeWorld();
    SplitBird bird(2, 1.0f);
    sf::Texture texture;
    bird.texture = &texture;
    bird.initPhysics(world.get(), {300.0f, 200.0f});
    bird.launch({10.0f, 0.0f});
    testing::internal::CaptureStdout();
    bird.useSpecial();
    const std::string log = testing::internal::GetCapturedStdout();

    ASSERT_EQ(bird.spawnedBirds.size(), 3u);
    EXPECT_TRUE(bird.hasSplit);
    const sf::Vector2f positions[] = {{275.0f, 185.0f}, {300.0f, 200.0f}, {325.0f, 215.0f}};
    const b2Vec2 velocities[] = {{10.0f * std::cos(0.4f), -10.0f * std::sin(0.4f)},
                                 {10.0f, 0.0f},
                                 {10.0f * std::cos(0.4f), 10.0f * std::sin(0.4f)}};
    for (int i = 0; i < 3; ++i) {
        const Bird& child = *bird.spawnedBirds[static_cast<std::size_t>(i)];
        SCOPED_TRACE(i);
        EXPECT_EQ(child.id, 200 + i);
        EXPECT_EQ(birdKindOf(child), Normal);
        EXPECT_NEAR(child.position.x, positions[i].x, 1e-3f);
        EXPECT_NEAR(child.position.y, positions[i].y, 1e-3f);
        EXPECT_FLOAT_EQ(child.density, 0.7f);
        EXPECT_FLOAT_EQ(child.body->GetFixtureList()->GetDensity(), 0.7f);
        EXPECT_EQ(child.body->GetFixtureList()->GetFilterData().maskBits, 0x000E);
        EXPECT_TRUE(child.launched);
        EXPECT_EQ(child.body->GetType(), b2_dynamicBody);
        EXPECT_NEAR(child.body->GetLinearVelocity().x, velocities[i].x, EPS);
        EXPECT_NEAR(child.body->GetLinearVelocity().y, velocities[i].y, EPS);
        EXPECT_EQ(child.texture, &texture);
    }
    EXPECT_NE(log.find("Bird 201 launched with velocity: (10, 0) m/s\n"), std::string::npos);
    EXPECT_NE(log.find("SplitBird SPLIT! Created 3 birds\n"), std::string::npos);
    EXPECT_TRUE(bird.alive);
    EXPECT_FLOAT_EQ(bird.body->GetLinearVelocity().x, 10.0f);

    bird.specialUsed = false; // even so, a bird splits only once
    bird.useSpecial();
    EXPECT_EQ(bird.spawnedBirds.size(), 3u);
}

TEST(BirdSpecialTest, ExplosionPushesDynamicBodiesWithinItsRadiusOnly) {
    auto world = makeWorld();
    ExplosionBird bird(1, 1.0f);
    bird.initPhysics(world.get(), {300.0f, 300.0f}); // (10, 10) m
    bird.launch({0.0f, 0.0f});
    const b2Vec2 centre = bird.body->GetPosition();

    b2Body* near = makeDynamicBox(*world, centre + b2Vec2(1.5f, 0.0f), 0.5f, 2.0f);
    ASSERT_NEAR(near->GetMass(), 2.0f, EPS);
    b2Body* atRadius = makeDynamicBox(*world, centre + b2Vec2(0.0f, 3.0f), 0.5f, 1.0f);
    b2Body* tooClose = makeDynamicBox(*world, centre + b2Vec2(0.005f, 0.0f), 0.5f, 1.0f);
    b2BodyDef kinematicDef;
    kinematicDef.type = b2_kinematicBody;
    kinematicDef.position = centre + b2Vec2(-1.0f, 0.0f);
    world->CreateBody(&kinematicDef);

    testing::internal::CaptureStdout();
    bird.useSpecial();
    const std::string log = testing::internal::GetCapturedStdout();

    EXPECT_NEAR(near->GetLinearVelocity().x, 12.5f, 1e-3f);
    EXPECT_NEAR(near->GetLinearVelocity().y, 0.0f, 1e-3f);
    EXPECT_EQ(atRadius->GetLinearVelocity(), b2Vec2(0.0f, 0.0f));
    EXPECT_EQ(tooClose->GetLinearVelocity(), b2Vec2(0.0f, 0.0f));
    EXPECT_EQ(log, "Bird::useSpecial() base - no effect\n"
                   "ExplosionBird EXPLODE at (10, 10)!\n"
                   "  Explosion hit body at distance 1.5m with force 25\n");
    EXPECT_FALSE(bird.alive);
    EXPECT_NE(bird.body, nullptr) << "the bird's body stays in the world";
}

TEST(BirdKindsTest, WordsTexturesAndFactoryAgree) {
    EXPECT_EQ(birdKindFromWord("BOOST"), Boost);
    EXPECT_EQ(birdKindFromWord("SPLIT"), Split);
    EXPECT_EQ(birdKindFromWord("EXPLOSION"), Explosion);
    EXPECT_EQ(birdKindFromWord("RED"), Normal);
    EXPECT_EQ(birdKindFromWord("boost"), Normal);
    for (BirdKind kind : {Normal, Boost, Split, Explosion}) {
        auto bird = makeBird(kind, 7, 1.0f);
        EXPECT_EQ(birdKindOf(*bird), kind);
        EXPECT_EQ(bird->id, 7);
        EXPECT_FLOAT_EQ(bird->radius, 15.0f);
    }
}

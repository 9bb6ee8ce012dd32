#include "entities/Enemy.h"
#include "entities/ArmedEnemy.h"
#include "entities/EnemyKinds.h"
#include "entities/PhysicsTestSupport.h"
#include "entities/PuppetEnemy.h"

#include <gtest/gtest.h>

using namespace physics_test;

TEST(EnemyTest, BodyFollowsTheKindsConventions) {
    auto world = makeWorld();
    Enemy enemy(100.0f);
    EXPECT_FLOAT_EQ(enemy.radius, 30.0f);
    enemy.initPhysics(world.get(), {30.0f, 60.0f}, 25.0f);
    ASSERT_NE(enemy.body, nullptr);
    EXPECT_FLOAT_EQ(enemy.radius, 25.0f);
    const b2Fixture* fixture = enemy.body->GetFixtureList();
    EXPECT_NEAR(fixture->GetShape()->m_radius, 25.0f / 30.0f, 1e-5f);
    EXPECT_FLOAT_EQ(fixture->GetDensity(), 1.0f);
    EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.5f);
    EXPECT_FLOAT_EQ(fixture->GetRestitution(), 0.2f);
    EXPECT_EQ(fixture->GetFilterData().categoryBits, 0x0004);
    EXPECT_EQ(fixture->GetFilterData().maskBits, 0x000F);
    enemy.body->SetTransform(b2Vec2(1.0f, 2.0f), 0.5f);
    enemy.update(0.0f);
    EXPECT_FLOAT_EQ(enemy.position.x, 30.0f);
    EXPECT_FLOAT_EQ(enemy.position.y, 60.0f);
    EXPECT_FLOAT_EQ(enemy.angle, 0.5f);

    Enemy noWorld(100.0f);
    noWorld.initPhysics(nullptr, {0.0f, 0.0f}, 20.0f);
    EXPECT_FLOAT_EQ(noWorld.radius, 30.0f);
}

TEST(EnemyTest, ExactlyZeroHealthIsDeadAndTheBodyGoesAtTheNextUpdate) {
    auto world = makeWorld();
    Enemy enemy(30.0f);
    enemy.initPhysics(world.get(), {100.0f, 100.0f}, 20.0f);
    enemy.takeDamage(30.0f);
    EXPECT_TRUE(enemy.isDead());
    EXPECT_TRUE(enemy.deathPending);
    EXPECT_EQ(world->GetBodyCount(), 1);
    enemy.update(0.0f);
    EXPECT_EQ(enemy.body, nullptr);
    EXPECT_FALSE(enemy.deathPending);
    EXPECT_EQ(world->GetBodyCount(), 0);
    enemy.takeDamage(5.0f);
    EXPECT_FLOAT_EQ(enemy.health, -5.0f) << "damage without a body still counts";
}

TEST(EnemyTest, SinkingBelowTheFieldKillsOnlyPastY700) {
    auto world = makeWorld();
    Enemy atLine(100.0f);
    atLine.initPhysics(world.get(), {400.0f, 700.0f}, 20.0f);
    Enemy below(100.0f);
    below.initPhysics(world.get(), {500.0f, 701.0f}, 20.0f);

    testing::internal::CaptureStdout();
    atLine.update(0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FLOAT_EQ(atLine.health, 100.0f);

    testing::internal::CaptureStdout();
    below.update(0.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "Enemy fell off screen and died!\n");
    EXPECT_FLOAT_EQ(below.health, -100.0f);
    EXPECT_TRUE(below.deathPending);
    EXPECT_NE(below.body, nullptr) << "the level destroys it";
}

TEST(EnemyKindsTest, FactoryAndRunTimeKindAgree) {
    for (EnemyKind kind : {Basic, Armed, Puppet}) {
        auto enemy = makeEnemy(kind, 42.0f);
        EXPECT_EQ(enemyKindOf(*enemy), kind);
        EXPECT_FLOAT_EQ(enemy->maxHealth, 42.0f);
        EXPECT_EQ(enemyKindFromKeyword(enemyKindInfo(kind).keyword), kind);
    }
    EXPECT_FALSE(enemyKindFromKeyword("BOSS").has_value());
}

TEST(EnemyPiecesTest, OnlyALivingEnemyWithABodyBreaks) {
    auto world = makeWorld();
    Enemy dead(100.0f);
    dead.initPhysics(world.get(), {100.0f, 100.0f}, 20.0f);
    dead.takeDamage(200.0f);
    EXPECT_TRUE(dead.breakIntoPieces(world.get()).empty());
    Enemy withoutBody(100.0f);
    EXPECT_TRUE(withoutBody.breakIntoPieces(world.get()).empty());

    ArmedEnemy armed(120.0f);
    armed.initPhysics(world.get(), {400.0f, 300.0f}, 25.0f);
    armed.update(0.0f);
    auto pieces = armed.breakIntoPieces(world.get());
    ASSERT_GE(pieces.size(), 2u);
    ASSERT_LE(pieces.size(), 6u);
    for (const auto& entity : pieces) {
        const auto* piece = dynamic_cast<const Enemy*>(entity.get());
        ASSERT_NE(piece, nullptr);
        EXPECT_EQ(enemyKindOf(*piece), Basic);
        EXPECT_FLOAT_EQ(piece->health, 120.0f / static_cast<float>(pieces.size()));
        EXPECT_EQ(piece->texture, nullptr);
        EXPECT_GE(piece->radius, 2.0f);
        ASSERT_NE(piece->body, nullptr);
    }
}

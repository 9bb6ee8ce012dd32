#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/PhysicsTestSupport.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <vector>

using namespace physics_test;

namespace {
// One of each kind, each with its body in world.
std::vector<std::shared_ptr<Entity>> oneOfEachKind(b2World& world) {
    auto bird = std::make_shared<Bird>(1, 1.0f);
    bird->initPhysics(&world, {100.0f, 200.0f});
    auto block = std::make_shared<Block>(WOOD, 60.0f, 20.0f);
    block->initPhysics(&world, {300.0f, 200.0f}, 60.0f, 20.0f);
    auto enemy = std::make_shared<Enemy>(50.0f);
    enemy->initPhysics(&world, {500.0f, 200.0f}, 20.0f);
    return {bird, block, enemy};
}
} // namespace

TEST(EntityBodyTest, EveryKindHandsOutItsBodyAndDestroysItOnce) {
    auto world = makeWorld();
    const std::vector<std::shared_ptr<Entity>> entities = oneOfEachKind(*world);
    for (const auto& entity : entities) {
        b2Body* body = entity->physicsBody();
        ASSERT_NE(body, nullptr);
        EXPECT_EQ(entityOf(body), entity.get());
    }
    ASSERT_EQ(world->GetBodyCount(), 3);
    for (const auto& entity : entities) {
        entity->destroyBody();
        EXPECT_EQ(entity->physicsBody(), nullptr);
        entity->destroyBody(); // a second call must not touch the world again
    }
    EXPECT_EQ(world->GetBodyCount(), 0);
}

TEST(EntityBodyTest, EveryKindFollowsItsBodyInPixels) {
    auto world = makeWorld();
    const std::vector<std::shared_ptr<Entity>> entities = oneOfEachKind(*world);
    auto* bird = dynamic_cast<Bird*>(entities[0].get());
    bird->launch({0.0f, 0.0f}); // a seated bird keeps the slingshot's place
    for (const auto& entity : entities) {
        entity->physicsBody()->SetTransform(b2Vec2(1.0f, 2.0f), 0.5f);
        entity->update(0.0f);
        EXPECT_FLOAT_EQ(entity->position.x, 30.0f);
        EXPECT_FLOAT_EQ(entity->position.y, 60.0f);
        EXPECT_FLOAT_EQ(entity->angle, 0.5f);
    }
}

TEST(EntityBodyTest, PendingRemovalDestroysTheBodyAtTheNextUpdateOnly) {
    auto world = makeWorld();
    Block block(GLASS, 40.0f, 40.0f);
    block.initPhysics(world.get(), {200.0f, 200.0f}, 40.0f, 40.0f);
    Enemy enemy(10.0f);
    enemy.initPhysics(world.get(), {400.0f, 200.0f}, 20.0f);
    block.applyDamage(100.0f);
    enemy.takeDamage(100.0f);
    // Still there: the damage came from inside the step.
    EXPECT_EQ(world->GetBodyCount(), 2);
    block.update(0.0f);
    enemy.update(0.0f);
    EXPECT_EQ(block.body, nullptr);
    EXPECT_EQ(enemy.body, nullptr);
    EXPECT_FALSE(block.bodyRemovalPending);
    EXPECT_FALSE(enemy.deathPending);
    EXPECT_EQ(world->GetBodyCount(), 0);
}

TEST(BreakBodyTest, PiecesTakeTheBrokenBodysMotionAndLandNearItsCentre) {
    auto world = makeWorld();
    Block broken(STONE, 80.0f, 40.0f);
    broken.initPhysics(world.get(), {600.0f, 300.0f}, 80.0f, 40.0f);
    broken.body->SetTransform(broken.body->GetPosition(), 0.3f);
    broken.body->SetLinearVelocity(b2Vec2(4.0f, -2.0f));
    broken.body->SetAngularVelocity(1.5f);

    std::set<int> indices;
    int counted = 0;
    const auto pieces = breakBody(*broken.body, {600.0f, 300.0f}, 80.0f, [&](PieceCut& cut) {
        indices.insert(cut.index);
        counted = cut.count;
        const float share = cut.sizeShare();
        EXPECT_GE(share, 0.2f);
        EXPECT_LE(share, 0.8f);
        auto piece = std::make_shared<Enemy>(1.0f);
        piece->initPhysics(world.get(), cut.centre(), 5.0f);
        return piece;
    });
    ASSERT_GE(pieces.size(), 2u);
    ASSERT_LE(pieces.size(), 6u);
    EXPECT_EQ(static_cast<int>(pieces.size()), counted);
    EXPECT_EQ(indices.size(), pieces.size()) << "each piece is made once, in turn";
    for (const auto& piece : pieces) {
        const b2Body* body = piece->physicsBody();
        ASSERT_NE(body, nullptr);
        // Within a quarter of the span of the broken centre on each axis.
        EXPECT_LE(std::abs(body->GetPosition().x * 30.0f - 600.0f), 20.0f + 1e-3f);
        EXPECT_LE(std::abs(body->GetPosition().y * 30.0f - 300.0f), 20.0f + 1e-3f);
        EXPECT_FLOAT_EQ(body->GetAngle(), 0.3f);
        EXPECT_TRUE(body->IsAwake());
    }
}

TEST(BreakBodyTest, EachPieceMovesAsTheBrokenBodyDidPlusItsKick) {
    auto world = makeWorld();
    Enemy broken(30.0f);
    broken.initPhysics(world.get(), {300.0f, 300.0f}, 20.0f);
    broken.body->SetLinearVelocity(b2Vec2(4.0f, -2.0f));
    broken.body->SetAngularVelocity(1.5f);

    // The kicks come from rand(), three a piece: x, y, then the spin.
    constexpr unsigned SEED = 4242;
    std::srand(SEED);
    std::vector<float> kicks;
    for (int i = 0; i < 3 * 6; ++i) {
        kicks.push_back(static_cast<float>(std::rand() % 10 - 5));
    }
    std::srand(SEED);
    const auto pieces = breakBody(*broken.body, {300.0f, 300.0f}, 20.0f, [&](PieceCut& cut) {
        auto piece = std::make_shared<Enemy>(1.0f);
        piece->initPhysics(world.get(), cut.centre(), 6.0f);
        return piece;
    });
    ASSERT_GE(pieces.size(), 2u);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        SCOPED_TRACE(i);
        const b2Body* body = pieces[i]->physicsBody();
        const b2Vec2 velocity = body->GetLinearVelocity();
        EXPECT_NEAR(velocity.x, 4.0f + kicks[3 * i] / body->GetMass(), 1e-3f);
        EXPECT_NEAR(velocity.y, -2.0f + kicks[3 * i + 1] / body->GetMass(), 1e-3f);
        EXPECT_NEAR(body->GetAngularVelocity(), 1.5f + kicks[3 * i + 2] / body->GetInertia(),
                    1e-2f);
    }
}

TEST(BreakBodyTest, APieceTheKindDeclinesIsSkipped) {
    auto world = makeWorld();
    Enemy broken(30.0f);
    broken.initPhysics(world.get(), {300.0f, 300.0f}, 20.0f);
    int asked = 0;
    const auto pieces = breakBody(*broken.body, {300.0f, 300.0f}, 20.0f, [&](PieceCut& cut) {
        ++asked;
        std::shared_ptr<Entity> piece;
        if (cut.isLast()) {
            auto last = std::make_shared<Enemy>(1.0f);
            last->initPhysics(world.get(), cut.centre(), 4.0f);
            piece = last;
        }
        return piece;
    });
    EXPECT_GE(asked, 2);
    ASSERT_EQ(pieces.size(), 1u) << "only the last piece was made";
    EXPECT_EQ(world->GetBodyCount(), 2);
}

#include "assets/SharedConstants.h"
#include "assets/SoundManager.h"
#include "entities/ArmedEnemy.h"
#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/GameContactListener.h"
#include "entities/ParticleSystem.h"
#include "entities/PhysicsTestSupport.h"
#include "entities/PuppetEnemy.h"

#include <gtest/gtest.h>
#include <vector>

using namespace physics_test;

namespace {
// A contact between two chosen fixtures in a chosen A/B order, for the
// rules whose outcome depends on the order Box2D happens to pick.
class OrderedContact : public b2Contact {
public:
    OrderedContact(b2Body* a, b2Body* b)
        : b2Contact(a->GetFixtureList(), 0, b->GetFixtureList(), 0) {}
    void Evaluate(b2Manifold*, const b2Transform&, const b2Transform&) override {}
};

// Forwards every solved contact to the game's listener and remembers the
// impulses it reported, so a test can recompute what the rules should do.
class RecordingListener : public b2ContactListener {
public:
    explicit RecordingListener(GameContactListener& inner) : inner(inner) {}
    void PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) override {
        impulses.push_back(impulse->normalImpulses[0]);
        inner.PostSolve(contact, impulse);
    }
    GameContactListener& inner;
    std::vector<float> impulses;
};

class ContactRulesTest : public testing::Test {
protected:
    b2Contact* touching(b2Body* first, b2Body* second) {
        findContacts(*world);
        return contactBetween(*world, first, second);
    }

    void post(b2Contact* contact, float impulse) {
        const b2ContactImpulse record = impulseOf(impulse);
        listener.PostSolve(contact, &record);
    }

    std::string postLogged(b2Contact* contact, float impulse) {
        testing::internal::CaptureStdout();
        post(contact, impulse);
        return testing::internal::GetCapturedStdout();
    }

    std::shared_ptr<Block> block(MaterialType material, sf::Vector2f at) {
        auto made = std::make_shared<Block>(material, 40.0f, 40.0f);
        made->initPhysics(world.get(), at, 40.0f, 40.0f);
        made->update(0.0f);
        return made;
    }

    std::shared_ptr<Bird> launchedBird(sf::Vector2f at) {
        auto bird = std::make_shared<Bird>(1, 1.0f);
        bird->initPhysics(world.get(), at);
        bird->launch({0.0f, 0.0f});
        return bird;
    }

    std::size_t countParticles(sf::Color color) const {
        std::size_t count = 0;
        for (const Particle& particle : particles.particles) {
            count += particle.color.r == color.r && particle.color.g == color.g ? 1 : 0;
        }
        return count;
    }

    std::unique_ptr<b2World> world = makeWorld();
    ParticleSystem particles{[] { return 99u; }};
    GameContactListener listener{&particles};
};

const sf::Color WOOD_CHIPS(139, 69, 19);
const sf::Color STONE_CHIPS(128, 128, 128);
const sf::Color GLASS_CHIPS(173, 216, 230);
} // namespace

TEST_F(ContactRulesTest, BirdOnWoodDamagesFivefoldAtAnyImpact) {
    auto wood = block(WOOD, {300.0f, 300.0f});
    auto bird = launchedBird({300.0f, 270.0f});
    b2Contact* contact = touching(wood->body, bird->body);
    ASSERT_NE(contact, nullptr);

    const std::string log = postLogged(contact, 3.0f);
    EXPECT_TRUE(bird->collided);
    EXPECT_FLOAT_EQ(wood->hitPoints, 35.0f);
    EXPECT_EQ(listener.levelScore, 0);
    EXPECT_EQ(log.find(" points\n"), std::string::npos);
    ASSERT_EQ(particles.particles.size(), 12u);
    EXPECT_EQ(countParticles(WOOD_CHIPS), 12u);
    EXPECT_NE(particles.particles[0].shape, CIRCLE);
    EXPECT_EQ(particles.particles[0].position, wood->position);

    post(contact, 0.1f);
    EXPECT_FLOAT_EQ(wood->hitPoints, 34.5f) << "no threshold for birds";
    EXPECT_EQ(particles.particles.size(), 12u) << "0.4 chips round down to none";
}

TEST_F(ContactRulesTest, BirdDestroyingABlockScoresOnceWhicheverSideItIsOn) {
    auto glass = block(GLASS, {300.0f, 300.0f});
    auto bird = launchedBird({300.0f, 270.0f});
    OrderedContact birdFirst(bird->body, glass->body);
    EXPECT_EQ(postLogged(&birdFirst, 2.0f).find(" points\n"), std::string::npos);
    const std::string log = postLogged(&birdFirst, 4.0f);
    EXPECT_NE(log.find("Block destroyed! +50 points\n"), std::string::npos);
    EXPECT_EQ(listener.levelScore, 50);

    OrderedContact blockFirst(glass->body, bird->body);
    EXPECT_EQ(postLogged(&blockFirst, 4.0f).find(" points\n"), std::string::npos);
    EXPECT_EQ(listener.levelScore, 50) << "an already destroyed block earns nothing";
    EXPECT_EQ(countParticles(GLASS_CHIPS), 16u + 32u + 32u);
}

TEST_F(ContactRulesTest, MetalHitByABirdNeverScoresNorThrowsDebris) {
    auto metal = block(METAL, {300.0f, 300.0f});
    auto bird = launchedBird({300.0f, 270.0f});
    b2Contact* contact = touching(metal->body, bird->body);
    ASSERT_NE(contact, nullptr);
    post(contact, 500.0f);
    EXPECT_TRUE(bird->collided);
    EXPECT_FALSE(metal->isDestroyed());
    EXPECT_TRUE(particles.particles.empty());
    EXPECT_EQ(listener.levelScore, 0);
}

TEST_F(ContactRulesTest, BirdKillsAnEnemyAtTheLightestTouch) {
    auto enemy = std::make_shared<Enemy>(200.0f);
    enemy->initPhysics(world.get(), {300.0f, 300.0f}, 20.0f);
    auto bird = launchedBird({300.0f, 270.0f});
    b2Contact* contact = touching(enemy->body, bird->body);
    ASSERT_NE(contact, nullptr);

    // The death is heard through the listener's hook, once.
    std::vector<int> heard;
    listener.sounds.play = [&](int sound) { heard.push_back(sound); };
    EXPECT_EQ(postLogged(contact, 0.01f), "Enemy killed by bird! +500 points\n");
    EXPECT_EQ(heard, std::vector<int>{EnemyDeath});
    EXPECT_FLOAT_EQ(enemy->health, -100.0f);
    EXPECT_TRUE(bird->collided);
    EXPECT_EQ(listener.levelScore, 500);

    EXPECT_EQ(postLogged(contact, 5.0f), "");
    EXPECT_FLOAT_EQ(enemy->health, -100.0f);
    EXPECT_EQ(listener.levelScore, 500);
    EXPECT_EQ(heard, std::vector<int>{EnemyDeath});
}

TEST_F(ContactRulesTest, KindDecidesPointsAndKillLine) {
    auto armed = std::make_shared<ArmedEnemy>(50.0f);
    armed->initPhysics(world.get(), {300.0f, 300.0f}, 25.0f);
    auto puppet = std::make_shared<PuppetEnemy>(50.0f);
    puppet->initPhysics(world.get(), {600.0f, 300.0f}, 15.0f);
    auto bird = launchedBird({300.0f, 270.0f});
    OrderedContact enemyFirst(armed->body, bird->body);
    EXPECT_EQ(postLogged(&enemyFirst, 1.0f), "Armed Enemy killed by bird! +1000 points\n");

    auto wood = block(WOOD, {600.0f, 270.0f});
    b2Contact* crush = touching(wood->body, puppet->body);
    ASSERT_NE(crush, nullptr);
    puppet->health = 5.0f;
    EXPECT_EQ(postLogged(crush, 3.0f).rfind("Puppet Enemy crushed by block! +100 points\n", 0), 0u)
        << "the kill line comes before the debris";
    EXPECT_EQ(listener.levelScore, 1100);
}

TEST_F(ContactRulesTest, TwoGlassBlocksBreakingTogetherScoreSilently) {
    auto lower = block(GLASS, {300.0f, 300.0f});
    auto upper = block(GLASS, {300.0f, 265.0f});
    b2Contact* contact = touching(lower->body, upper->body);
    ASSERT_NE(contact, nullptr);

    EXPECT_EQ(postLogged(contact, 13.0f).find(" points\n"), std::string::npos);
    EXPECT_TRUE(lower->isDestroyed());
    EXPECT_TRUE(upper->isDestroyed());
    EXPECT_EQ(listener.levelScore, 100);
    EXPECT_EQ(countParticles(GLASS_CHIPS), 208u);

    post(contact, 13.0f);
    EXPECT_EQ(listener.levelScore, 100);
    EXPECT_EQ(countParticles(GLASS_CHIPS), 416u) << "debris flies even from broken blocks";
}

TEST_F(ContactRulesTest, BlockPairsNeedMoreThanTwoAndDamageBothSides) {
    auto wood = block(WOOD, {300.0f, 300.0f});
    auto stone = block(STONE, {300.0f, 265.0f});
    OrderedContact woodFirst(wood->body, stone->body);
    post(&woodFirst, 2.0f);
    EXPECT_FLOAT_EQ(wood->hitPoints, 50.0f);
    EXPECT_FLOAT_EQ(stone->hitPoints, 100.0f);
    EXPECT_TRUE(particles.particles.empty());

    post(&woodFirst, 5.0f);
    EXPECT_FLOAT_EQ(wood->hitPoints, 40.0f);
    EXPECT_FLOAT_EQ(stone->hitPoints, 90.0f);
    ASSERT_EQ(particles.particles.size(), 20u + 10u);
    EXPECT_EQ(particles.particles.front().color.r, WOOD_CHIPS.r) << "block A's debris first";
    EXPECT_EQ(particles.particles.back().color.r, STONE_CHIPS.r);
}

TEST_F(ContactRulesTest, BlockOnEnemyHurtsOnlyTheEnemyWhicheverSideItIsOn) {
    auto stone = block(STONE, {300.0f, 265.0f});
    auto enemy = std::make_shared<Enemy>(100.0f);
    enemy->initPhysics(world.get(), {300.0f, 300.0f}, 20.0f);

    OrderedContact enemyFirst(enemy->body, stone->body);
    post(&enemyFirst, 2.0f);
    EXPECT_FLOAT_EQ(enemy->health, 100.0f);
    EXPECT_TRUE(particles.particles.empty());

    post(&enemyFirst, 3.0f);
    EXPECT_FLOAT_EQ(enemy->health, 94.0f);
    EXPECT_FLOAT_EQ(stone->hitPoints, 100.0f);
    EXPECT_EQ(countParticles(STONE_CHIPS), 6u);

    OrderedContact blockFirst(stone->body, enemy->body);
    post(&blockFirst, 10.0f);
    EXPECT_FLOAT_EQ(enemy->health, 74.0f);
    EXPECT_FLOAT_EQ(stone->hitPoints, 100.0f);
    EXPECT_EQ(listener.levelScore, 0);
}

TEST_F(ContactRulesTest, StoneFallsHardOnlyAboveTwo) {
    b2Body* ground = makeGround(*world, {300.0f, 340.0f}, 400.0f, 40.0f);
    auto stone = block(STONE, {300.0f, 305.0f});
    b2Contact* contact = touching(stone->body, ground);
    ASSERT_NE(contact, nullptr);

    EXPECT_EQ(postLogged(contact, 2.0f), "");
    EXPECT_FLOAT_EQ(stone->hitPoints, 100.0f);
    post(contact, 2.5f);
    EXPECT_FLOAT_EQ(stone->hitPoints, 92.5f);
    EXPECT_EQ(countParticles(STONE_CHIPS), 5u);

    // Only the first manifold point counts.
    const b2ContactImpulse twoPoints = impulseOf(1.5f, 4.0f, 2);
    listener.PostSolve(contact, &twoPoints);
    EXPECT_FLOAT_EQ(stone->hitPoints, 92.5f);

    const std::string log = postLogged(contact, 40.0f);
    EXPECT_NE(log.find("Block destroyed by fall! +200 points\n"), std::string::npos);
    EXPECT_EQ(listener.levelScore, 200);
}

TEST_F(ContactRulesTest, ArmedEnemyFallingToItsDeathScoresWithoutSoundOrDebris) {
    b2Body* ground = makeGround(*world, {300.0f, 340.0f}, 400.0f, 40.0f);
    auto armed = std::make_shared<ArmedEnemy>(100.0f);
    armed->initPhysics(world.get(), {300.0f, 305.0f}, 25.0f);
    b2Contact* contact = touching(armed->body, ground);
    ASSERT_NE(contact, nullptr);

    post(contact, 3.0f);
    EXPECT_FLOAT_EQ(armed->health, 70.0f);
    armed->health = 30.0f;
    int heard = 0;
    listener.sounds.play = [&](int) { ++heard; };
    listener.sounds.impact = [&](int, float) { ++heard; };
    EXPECT_EQ(postLogged(contact, 3.0f), "Armed Enemy fell to death! +1000 points\n");
    EXPECT_EQ(listener.levelScore, 1000);
    EXPECT_EQ(heard, 0);
    EXPECT_TRUE(particles.particles.empty());
    post(contact, 1.0f);
    EXPECT_FLOAT_EQ(armed->health, 0.0f) << "no damage at or below 2";
}

TEST_F(ContactRulesTest, BirdOnTheGroundOnlyCollidesAndEnemiesIgnoreEachOther) {
    b2Body* ground = makeGround(*world, {300.0f, 340.0f}, 400.0f, 40.0f);
    auto bird = launchedBird({300.0f, 310.0f});
    b2Contact* contact = touching(bird->body, ground);
    ASSERT_NE(contact, nullptr);
    post(contact, 50.0f);
    EXPECT_TRUE(bird->collided);

    auto first = std::make_shared<Enemy>(100.0f);
    first->initPhysics(world.get(), {600.0f, 300.0f}, 20.0f);
    auto second = std::make_shared<Enemy>(100.0f);
    second->initPhysics(world.get(), {600.0f, 270.0f}, 20.0f);
    b2Contact* enemies = touching(first->body, second->body);
    ASSERT_NE(enemies, nullptr);
    post(enemies, 50.0f);
    EXPECT_FLOAT_EQ(first->health, 100.0f);
    EXPECT_FLOAT_EQ(second->health, 100.0f);
    EXPECT_EQ(listener.levelScore, 0);
}

TEST_F(ContactRulesTest, ASeatedBirdIsAnObstacleLikeTheGroundNotAWeapon) {
    auto seated = std::make_shared<Bird>(1, 1.0f);
    seated->initPhysics(world.get(), {300.0f, 300.0f}); // on the slingshot, never launched
    auto armed = std::make_shared<ArmedEnemy>(100.0f);
    armed->initPhysics(world.get(), {300.0f, 265.0f}, 25.0f);
    b2Contact* rolledInto = touching(armed->body, seated->body);
    ASSERT_NE(rolledInto, nullptr);

    // A touch that would kill at once were the bird thrown does nothing.
    EXPECT_EQ(postLogged(rolledInto, 1.0f), "");
    EXPECT_FLOAT_EQ(armed->health, 100.0f);
    EXPECT_EQ(listener.levelScore, 0);
    // A hard knock counts as against the ground, whichever side the bird is on.
    OrderedContact birdFirst(seated->body, armed->body);
    post(&birdFirst, 3.0f);
    EXPECT_FLOAT_EQ(armed->health, 70.0f);

    auto wood = block(WOOD, {340.0f, 300.0f});
    OrderedContact onWood(seated->body, wood->body);
    post(&onWood, 3.0f);
    EXPECT_FLOAT_EQ(wood->hitPoints, 41.0f) << "a block falling on it, not a bird strike";
    EXPECT_FALSE(seated->collided);

    // A thrown bird that lands on the seated one has touched down.
    auto thrown = launchedBird({300.0f, 330.0f});
    OrderedContact landing(thrown->body, seated->body);
    post(&landing, 0.5f);
    EXPECT_TRUE(thrown->collided);
    EXPECT_FALSE(seated->collided);
    EXPECT_EQ(listener.levelScore, 0);
}

TEST_F(ContactRulesTest, SteppedFallDamagesByTheImpulsesTheSolverReports) {
    world->SetGravity(b2Vec2(0.0f, WORLD_GRAVITY_MPS2));
    makeGround(*world, {GROUND_CENTRE_X_PX, GROUND_CENTRE_Y_PX}, GROUND_WIDTH_PX, GROUND_HEIGHT_PX);
    auto stone = block(STONE, {300.0f, 300.0f});
    RecordingListener recorder(listener);
    world->SetContactListener(&recorder);

    testing::internal::CaptureStdout();
    for (int i = 0; i < 180; ++i) {
        world->Step(1.0f / 60.0f, 8, 3);
    }
    testing::internal::GetCapturedStdout();

    float expectedDamage = 0.0f;
    std::size_t expectedChips = 0;
    for (float impulse : recorder.impulses) {
        if (impulse > 2.0f) {
            expectedDamage += impulse * 3.0f;
            expectedChips += static_cast<std::size_t>(impulse * 2.0f);
        }
    }
    ASSERT_GT(expectedDamage, 0.0f) << "the landing should be hard";
    EXPECT_NEAR(stone->hitPoints, 100.0f - expectedDamage, 1e-3f);
    EXPECT_EQ(countParticles(STONE_CHIPS), expectedChips);
}

TEST_F(ContactRulesTest, SteppedBirdStrikeMarksTheBirdAndDamagesTheBlock) {
    auto wood = block(WOOD, {400.0f, 300.0f});
    auto bird = std::make_shared<Bird>(1, 1.0f);
    bird->initPhysics(world.get(), {300.0f, 300.0f});
    bird->launch({15.0f, 0.0f});
    RecordingListener recorder(listener);
    world->SetContactListener(&recorder);

    testing::internal::CaptureStdout();
    for (int i = 0; i < 30; ++i) {
        world->Step(1.0f / 60.0f, 8, 3);
    }
    testing::internal::GetCapturedStdout();

    ASSERT_FALSE(recorder.impulses.empty());
    float expectedDamage = 0.0f;
    for (float impulse : recorder.impulses) {
        expectedDamage += impulse * 5.0f;
    }
    EXPECT_TRUE(bird->collided);
    EXPECT_NEAR(wood->hitPoints, 50.0f - expectedDamage, 1e-3f);
    EXPECT_LT(wood->hitPoints, 50.0f);
}

TEST(DebrisProfileTest, CountsTruncateAndShapesFollowTheMaterial) {
    EXPECT_EQ(GameContactListener::debrisProfileFor(WOOD, 3.9f).count, 15);
    EXPECT_EQ(GameContactListener::debrisProfileFor(STONE, 2.5f).count, 5);
    EXPECT_EQ(GameContactListener::debrisProfileFor(GLASS, 13.0f).count, 104);
    EXPECT_EQ(GameContactListener::debrisProfileFor(METAL, 100.0f).count, 0);

    bool sawStoneShape[3] = {false, false, false};
    for (int i = 0; i < 200; ++i) {
        EXPECT_NE(GameContactListener::debrisProfileFor(WOOD, 1.0f).shape, CIRCLE);
        EXPECT_NE(GameContactListener::debrisProfileFor(GLASS, 1.0f).shape, CIRCLE);
        sawStoneShape[GameContactListener::debrisProfileFor(STONE, 1.0f).shape] = true;
    }
    EXPECT_TRUE(sawStoneShape[0] && sawStoneShape[1] && sawStoneShape[2]);
}

TEST_F(ContactRulesTest, EveryPointEarnedIsRecordedWhereItWasEarnedAndBounded) {
    auto glass = block(GLASS, {300.0f, 300.0f});
    auto enemy = std::make_shared<Enemy>(200.0f);
    enemy->initPhysics(world.get(), {600.0f, 300.0f}, 20.0f);
    enemy->update(0.0f);
    auto metal = block(METAL, {900.0f, 300.0f});
    auto bird = launchedBird({300.0f, 270.0f});
    OrderedContact onGlass(bird->body, glass->body);
    OrderedContact onEnemy(enemy->body, bird->body);
    OrderedContact onMetal(bird->body, metal->body);
    post(&onGlass, 1.0f); // damage, no points: nothing to show
    EXPECT_EQ(listener.earnedCount(), 0u);
    post(&onGlass, 10.0f);
    postLogged(&onEnemy, 0.5f);
    post(&onMetal, 500.0f);
    ASSERT_EQ(listener.earnedCount(), 2u);
    EXPECT_EQ(listener.earned(0).points, 50);
    EXPECT_EQ(listener.earned(0).position, glass->position);
    EXPECT_EQ(listener.earned(1).points, 500);
    EXPECT_EQ(listener.earned(1).position, enemy->position);
    listener.clearEarned();
    EXPECT_EQ(listener.earnedCount(), 0u);
    EXPECT_EQ(listener.levelScore, 550) << "clearing the spots leaves the score alone";

    // A step that breaks more than the record holds keeps the first spots,
    // and the score still counts every block.
    std::vector<std::shared_ptr<Block>> many;
    for (std::size_t i = 0; i < GameContactListener::MAX_POINTS_EARNED + 5; ++i) {
        many.push_back(block(GLASS, {100.0f + 50.0f * static_cast<float>(i), 600.0f}));
        OrderedContact hit(bird->body, many.back()->body);
        post(&hit, 10.0f);
    }
    EXPECT_EQ(listener.earnedCount(), GameContactListener::MAX_POINTS_EARNED);
    EXPECT_EQ(listener.earned(0).position, many.front()->position);
    EXPECT_EQ(listener.levelScore,
              550 + 50 * static_cast<int>(GameContactListener::MAX_POINTS_EARNED + 5));
}

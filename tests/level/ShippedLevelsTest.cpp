#include "level/LevelLoader.h"

#include "assets/TextureTable.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "entities/GameContactListener.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>

// The seven level files the game ships, checked as data and as structures
// that must stand on their own before the first shot.
namespace {

constexpr int LEVEL_COUNT = 7;
constexpr float GROUND_TOP = 560.0f;
// Keep every structure where the camera shows it.
constexpr float STRUCTURE_MIN_X = 450.0f;
constexpr float STRUCTURE_MAX_X = 1150.0f;

std::string levelPath(int number) {
    return std::string(VOLLARIN_SOURCE_DIR) + "/resources/levels/level" + std::to_string(number) +
           ".txt";
}

// The ground as the game builds it: 1600 x 40 px, top edge at y = 560.
void addGround(b2World& world) {
    b2BodyDef def;
    def.position.Set(600.0f / 30.0f, 580.0f / 30.0f);
    b2Body* ground = world.CreateBody(&def);
    b2PolygonShape box;
    box.SetAsBox(800.0f / 30.0f, 20.0f / 30.0f);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.filter.categoryBits = CATEGORY_GROUND;
    fixture.filter.maskBits = MASK_GROUND;
    ground->CreateFixture(&fixture);
}

Level loadQuietly(int number, b2World& world) {
    LevelLoader loader;
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    Level level = loader.loadLevel(levelPath(number), &world);
    ::testing::internal::GetCapturedStdout();
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(errors, "") << "level " << number;
    return level;
}

struct Placement {
    sf::Vector2f position;
    float angle;
};

Placement placementOf(const b2Body* body) {
    return {{body->GetPosition().x * 30.0f, body->GetPosition().y * 30.0f}, body->GetAngle()};
}

class ShippedLevelTest : public ::testing::TestWithParam<int> {};

TEST_P(ShippedLevelTest, LoadsCleanlyWithinTheCameraAndWithThreeToFiveBirds) {
    b2World world(b2Vec2(0.0f, 5.0f));
    Level level = loadQuietly(GetParam(), world);

    const bool knownBackground =
        std::any_of(TEXTURE_TABLE.begin(), TEXTURE_TABLE.end(),
                    [&](const TextureEntry& entry) { return entry.key == level.background; });
    EXPECT_TRUE(knownBackground) << level.background;

    int birds = 0;
    int enemies = 0;
    for (const auto& entity : level.entities) {
        if (dynamic_cast<Bird*>(entity.get()) != nullptr) {
            ++birds;
            continue;
        }
        if (dynamic_cast<Enemy*>(entity.get()) != nullptr) {
            ++enemies;
        }
        // Every block and enemy starts above the ground and inside the view.
        const b2Body* body = dynamic_cast<Block*>(entity.get()) != nullptr
                                 ? dynamic_cast<Block*>(entity.get())->body
                                 : dynamic_cast<Enemy*>(entity.get())->body;
        ASSERT_NE(body, nullptr);
        const Placement placement = placementOf(body);
        EXPECT_GE(placement.position.x, STRUCTURE_MIN_X);
        EXPECT_LE(placement.position.x, STRUCTURE_MAX_X);
        EXPECT_LT(placement.position.y, GROUND_TOP);
    }
    EXPECT_GE(birds, 3);
    EXPECT_LE(birds, 5);
    EXPECT_GE(enemies, 1);
}

TEST_P(ShippedLevelTest, StandsForTenSecondsWithoutAShot) {
    b2World world(b2Vec2(0.0f, 5.0f));
    addGround(world);
    GameContactListener contacts(nullptr, nullptr);
    world.SetContactListener(&contacts);
    Level level = loadQuietly(GetParam(), world);

    std::vector<std::pair<std::shared_ptr<Entity>, Placement>> start;
    for (const auto& entity : level.entities) {
        if (auto* block = dynamic_cast<Block*>(entity.get())) {
            start.emplace_back(entity, placementOf(block->body));
        } else if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
            start.emplace_back(entity, placementOf(enemy->body));
        }
    }

    ::testing::internal::CaptureStdout();
    for (int frame = 0; frame < 600; ++frame) {
        world.Step(1.0f / 60.0f, 8, 3);
        level.update(1.0f / 60.0f);
    }
    const std::string log = ::testing::internal::GetCapturedStdout();

    EXPECT_EQ(contacts.levelScore, 0);
    EXPECT_EQ(log.find("Block::applyDamage"), std::string::npos) << log;
    EXPECT_EQ(log.find("Level::update"), std::string::npos) << log;
    for (const auto& [entity, before] : start) {
        const b2Body* body = nullptr;
        if (auto* block = dynamic_cast<Block*>(entity.get())) {
            EXPECT_FALSE(block->destroyed);
            body = block->body;
        } else {
            auto* enemy = dynamic_cast<Enemy*>(entity.get());
            EXPECT_GT(enemy->health, 0.0f);
            body = enemy->body;
        }
        ASSERT_NE(body, nullptr);
        const Placement after = placementOf(body);
        EXPECT_NEAR(after.position.x, before.position.x, 3.0f);
        EXPECT_NEAR(after.position.y, before.position.y, 3.0f);
        EXPECT_NEAR(after.angle, before.angle, 0.05f);
    }
}

INSTANTIATE_TEST_SUITE_P(AllLevels, ShippedLevelTest, ::testing::Range(1, LEVEL_COUNT + 1),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

TEST(ShippedLevelsTest, TogetherUseEveryMaterialEnemyAndBird) {
    std::set<MaterialType> materials;
    std::set<EnemyKind> enemyKinds;
    std::set<BirdKind> birdKinds;
    for (int number = 1; number <= LEVEL_COUNT; ++number) {
        b2World world(b2Vec2(0.0f, 5.0f));
        Level level = loadQuietly(number, world);
        for (const auto& entity : level.entities) {
            if (auto* block = dynamic_cast<Block*>(entity.get())) {
                materials.insert(block->material);
            } else if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
                enemyKinds.insert(enemyKindOf(*enemy));
            } else if (auto* bird = dynamic_cast<Bird*>(entity.get())) {
                birdKinds.insert(birdKindOf(*bird));
            }
        }
    }
    EXPECT_EQ(materials, (std::set<MaterialType>{WOOD, STONE, METAL, GLASS}));
    EXPECT_EQ(enemyKinds, (std::set<EnemyKind>{Basic, Armed, Puppet}));
    EXPECT_EQ(birdKinds, (std::set<BirdKind>{Normal, Boost, Split, Explosion}));
}

} // namespace

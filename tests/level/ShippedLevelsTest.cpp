#include "level/LevelLoader.h"

#include "assets/TextureTable.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <gtest/gtest.h>
#include <set>
#include <string>

// The seven level files the game ships, checked as data. Whether they stand
// and can be won is proved in the real game by the level checker.
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

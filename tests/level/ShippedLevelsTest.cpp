#include "level/LevelLoader.h"

#include "BuildPaths.h"
#include "assets/SharedConstants.h"
#include "assets/TextureTable.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <gtest/gtest.h>
#include <set>
#include <string>

// The seven level files the game ships, checked as data. Whether they stand
// and can be won is proved in the real game by the level checker.
namespace {

constexpr int LEVEL_COUNT = 7;
constexpr float GROUND_TOP = GROUND_TOP_Y_PX;
// What the player sees when a level starts, in the narrowest window: the
// camera's home (500, 350) with a 1200 x 900 field. Every block and enemy
// lies wholly inside it (the level checker also checks the birds).
const sf::FloatRect NARROWEST_START_VIEW{-100.0f, -100.0f, 1200.0f, 900.0f};

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

TEST_P(ShippedLevelTest, LoadsCleanlyWithinTheViewAndWithThreeToFiveBirds) {
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
        // Every block and enemy starts above the ground and wholly inside the view.
        const auto* block = dynamic_cast<Block*>(entity.get());
        const auto* enemy = dynamic_cast<Enemy*>(entity.get());
        const b2Body* body = entity->physicsBody();
        ASSERT_NE(body, nullptr);
        const Placement placement = placementOf(body);
        const sf::Vector2f half = block != nullptr
                                      ? sf::Vector2f(block->width, block->height) * 0.5f
                                      : sf::Vector2f(enemy->radius, enemy->radius);
        const sf::FloatRect extent(placement.position - half, half * 2.0f);
        const sf::FloatRect& view = NARROWEST_START_VIEW;
        EXPECT_GE(extent.left, view.left) << "at x " << placement.position.x;
        EXPECT_LE(extent.left + extent.width, view.left + view.width)
            << "at x " << placement.position.x;
        EXPECT_GE(extent.top, view.top) << "at y " << placement.position.y;
        EXPECT_LE(extent.top + extent.height, GROUND_TOP + 0.5f) << "at y " << placement.position.y;
    }
    EXPECT_GE(birds, 3);
    EXPECT_LE(birds, 5);
    EXPECT_GE(enemies, 1);
}

// The background is stretched over the whole field, top to bottom, so the
// physical ground at y = 560 falls on one row of the picture; the picture's
// grass must start on that row, or the level floats above (or sinks into) it.
TEST_P(ShippedLevelTest, BackgroundGrassStartsWhereTheGroundIs) {
    b2World world(b2Vec2(0.0f, 5.0f));
    const Level level = loadQuietly(GetParam(), world);
    const auto entry =
        std::find_if(TEXTURE_TABLE.begin(), TEXTURE_TABLE.end(),
                     [&](const TextureEntry& texture) { return texture.key == level.background; });
    ASSERT_NE(entry, TEXTURE_TABLE.end()) << level.background;
    sf::Image picture;
    ASSERT_TRUE(picture.loadFromFile(std::string(VOLLARIN_SOURCE_DIR) + "/resources" +
                                     std::string(entry->path)));
    const sf::Vector2u size = picture.getSize();
    const sf::FloatRect& view = NARROWEST_START_VIEW;
    const auto groundRow = static_cast<unsigned>(
        std::lround((GROUND_TOP - view.top) / view.height * static_cast<float>(size.y)));
    ASSERT_LT(groundRow + 8, size.y);

    // The grass is one colour across the whole width: take it a little below
    // the ground row, then look for the first row it fills.
    const sf::Color grass = picture.getPixel(size.x / 2, groundRow + 4);
    auto grassShare = [&](unsigned row) {
        unsigned count = 0;
        for (unsigned x = 0; x < size.x; ++x) {
            count += picture.getPixel(x, row) == grass ? 1 : 0;
        }
        return static_cast<double>(count) / size.x;
    };
    unsigned edge = groundRow - 8;
    while (edge < groundRow + 8 && grassShare(edge) < 0.98) {
        ++edge;
    }
    EXPECT_NEAR(static_cast<double>(edge), static_cast<double>(groundRow), 2.0)
        << level.background << ": grass starts at picture row " << edge << ", the ground at "
        << groundRow;
    EXPECT_GE(grassShare(groundRow + 8), 0.98);
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

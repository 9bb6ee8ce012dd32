#include "level/LevelLoader.h"

#include "LevelFileFixture.h"
#include "assets/ResourceManager.h"
#include "entities/ArmedEnemy.h"
#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/BoostBird.h"
#include "entities/Enemy.h"
#include "entities/ExplosionBird.h"
#include "entities/PuppetEnemy.h"
#include "entities/SplitBird.h"

#include <SFML/Graphics/Image.hpp>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::HasSubstr;

namespace {

class LevelLoaderTest : public LevelFileFixture {
protected:
    template <typename T> static T& as(const std::shared_ptr<Entity>& entity) {
        T* typed = dynamic_cast<T*>(entity.get());
        if (typed == nullptr) {
            throw std::runtime_error("entity has another type");
        }
        return *typed;
    }

    // Registers a distinct small texture under key unless one is there already.
    void provideTexture(const std::string& key) {
        ResourceManager& resources = ResourceManager::getInstance();
        if (resources.getTexture(key) != nullptr) {
            return;
        }
        sf::Image image;
        image.create(2, 2, sf::Color::Red);
        const std::string path = (dir / (key + ".png")).string();
        ASSERT_TRUE(image.saveToFile(path));
        ASSERT_NE(resources.loadTexture(key, path), nullptr);
    }
};

TEST_F(LevelLoaderTest, BlockSizeDefaultsAndTextureFollowNumericShape) {
    provideTexture("block_glass_long");
    provideTexture("block_glass_tall");
    provideTexture("block_wood_long");
    provideTexture("block_wood_tall");
    Level level = load("BLOCK TALL_GLASS 100 200\n"
                       "BLOCK LONG_WOOD 300 400 20\n"
                       "BLOCK TALL_ROCK 500 500 30 90\n");
    ASSERT_EQ(level.entities.size(), 3u);

    const Block& glass = as<Block>(level.entities[0]);
    EXPECT_EQ(glass.material, GLASS);
    EXPECT_EQ(glass.width, 40.0f);
    EXPECT_EQ(glass.height, 40.0f);
    // Square counts as long, whatever the word says.
    EXPECT_EQ(glass.texture, ResourceManager::getInstance().getTexture("block_glass_long"));

    const Block& wood = as<Block>(level.entities[1]);
    EXPECT_EQ(wood.material, WOOD);
    EXPECT_EQ(wood.width, 20.0f);
    EXPECT_EQ(wood.height, 40.0f);
    EXPECT_EQ(wood.texture, ResourceManager::getInstance().getTexture("block_wood_tall"));

    const Block& rock = as<Block>(level.entities[2]);
    EXPECT_EQ(rock.material, STONE);
    ASSERT_NE(rock.body, nullptr);
    EXPECT_NEAR(rock.body->GetPosition().x * 30.0f, 500.0f, 1e-3f);
    EXPECT_NEAR(rock.body->GetPosition().y * 30.0f, 500.0f, 1e-3f);

    EXPECT_THAT(out, HasSubstr("LevelLoader: Added TALL_GLASS BLOCK at (100, 200) size 40x40\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added LONG_WOOD BLOCK at (300, 400) size 20x40\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added TALL_ROCK BLOCK at (500, 500) size 30x90\n"));
}

TEST_F(LevelLoaderTest, UnknownMaterialBecomesWoodAndIsNamedInTheLog) {
    Level level = load("BLOCK STEEL 300 400 60 20\nBLOCK LONG_METAL 1 2 12.5 3\n");
    ASSERT_EQ(level.entities.size(), 2u);
    EXPECT_EQ(as<Block>(level.entities[0]).material, WOOD);
    EXPECT_EQ(as<Block>(level.entities[1]).material, METAL);
    EXPECT_EQ(err, "Unknown material type: STEEL. Defaulting to WOOD.\n");
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added STEEL BLOCK at (300, 400) size 60x20\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added LONG_METAL BLOCK at (1, 2) size 12.5x3\n"));
    EXPECT_EQ(LevelLoader::parseMaterial("LONG_ROCK"), STONE);
    EXPECT_EQ(LevelLoader::parseMaterial("TALL_GLASS"), GLASS);
}

TEST_F(LevelLoaderTest, EnemyHealthIsReadOnlyWhenANumberFollows) {
    Level level = load("ENEMY 760 480\n"
                       "ARMED_ENEMY 900 470 120\n"
                       "PUPPET_ENEMY 820 500   \n"
                       "ENEMY 10 20\r\n");
    ASSERT_EQ(level.entities.size(), 4u);

    const Enemy& basic = as<Enemy>(level.entities[0]);
    EXPECT_EQ(basic.health, 100.0f);
    EXPECT_EQ(basic.radius, 20.0f);
    ASSERT_NE(basic.body, nullptr);

    const auto& armed = as<ArmedEnemy>(level.entities[1]);
    EXPECT_EQ(armed.health, 120.0f);
    EXPECT_EQ(armed.maxHealth, 120.0f);
    EXPECT_EQ(armed.radius, 25.0f);

    // Trailing blanks (and a carriage return) hold no number: default health.
    const auto& puppet = as<PuppetEnemy>(level.entities[2]);
    EXPECT_EQ(puppet.health, 50.0f);
    EXPECT_EQ(puppet.radius, 15.0f);
    EXPECT_EQ(as<Enemy>(level.entities[3]).health, 100.0f);

    EXPECT_THAT(out, HasSubstr("LevelLoader: Added ENEMY at (760, 480) with health 100\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added ARMED_ENEMY at (900, 470) with health 120\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added PUPPET_ENEMY at (820, 500) with health 50\n"));
    EXPECT_EQ(err, "");
}

TEST_F(LevelLoaderTest, BirdsKeepFileOrderWithoutBodiesAndUnknownKindsAreNormal) {
    Level level = load("BIRD RED 1\nBIRD BOOST 2\nBIRD SPLIT 3\nBIRD EXPLOSION 4\n");
    ASSERT_EQ(level.entities.size(), 4u);
    const Bird& red = as<Bird>(level.entities[0]);
    EXPECT_EQ(typeid(red), typeid(Bird));
    EXPECT_EQ(red.id, 1);
    EXPECT_EQ(red.density, 1.0f);
    EXPECT_EQ(red.body, nullptr);
    EXPECT_EQ(as<BoostBird>(level.entities[1]).id, 2);
    EXPECT_EQ(as<SplitBird>(level.entities[2]).id, 3);
    EXPECT_EQ(as<ExplosionBird>(level.entities[3]).id, 4);
    EXPECT_EQ(world.GetBodyCount(), 0);

    EXPECT_THAT(out, HasSubstr("LevelLoader: Added NORMAL BIRD with id 1\n"
                               "LevelLoader: Added BOOST BIRD with id 2\n"
                               "LevelLoader: Added SPLIT BIRD with id 3\n"
                               "LevelLoader: Added EXPLOSION BIRD with id 4\n"
                               "LevelLoader: Loaded 4 entities from "));
}

TEST_F(LevelLoaderTest, UnknownLinesAreReportedAndSkipped) {
    Level level = load("block TALL_WOOD 1 2\n\nBACKGROUND game_bg_1\nBIRD NORMAL 1\n"
                       "BACKGROUND game_bg_2\n");
    EXPECT_EQ(level.entities.size(), 1u);
    EXPECT_EQ(level.background, "game_bg_2");
    EXPECT_EQ(level.world, &world);
    EXPECT_EQ(err, "LevelLoader: Unknown entity type: block\n"
                   "LevelLoader: Unknown entity type: \n");
    EXPECT_THAT(out, HasSubstr("LevelLoader: Set background to: game_bg_1\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Loaded 1 entities from "));
}

TEST_F(LevelLoaderTest, MissingFileYieldsEmptyLevelWithoutLoadedLine) {
    const std::string path = (dir / "absent.txt").string();
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    Level level = loader.loadLevel(path, &world);
    out = ::testing::internal::GetCapturedStdout();
    err = ::testing::internal::GetCapturedStderr();

    EXPECT_TRUE(level.entities.empty());
    EXPECT_TRUE(level.background.empty());
    EXPECT_EQ(level.world, &world);
    EXPECT_EQ(out, "LevelLoader: Attempting to load file: " + path + "\n");
    EXPECT_EQ(err, "Failed to open level file: " + path + "\n");
}

} // namespace

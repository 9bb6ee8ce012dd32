#include "entities/Block.h"
#include "assets/ResourceManager.h"
#include "entities/MaterialTable.h"
#include "entities/PhysicsTestSupport.h"

#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

using namespace physics_test;

namespace {
// Distinct stand-ins: the tests compare which one is chosen, never draw it.
struct TextureSet {
    sf::Texture base;
    sf::Texture light;
    sf::Texture heavy;

    void attach(Block& block) {
        block.texture = &base;
        block.damagedTexture33 = &light;
        block.damagedTexture66 = &heavy;
    }
};
} // namespace

TEST(BlockTest, MaterialsSetHitPointsDensityAndBody) {
    auto world = makeWorld();
    struct Expected {
        MaterialType material;
        float hitPoints, density, restitution;
        bool breakable;
    };
    for (const Expected& e :
         {Expected{WOOD, 50.0f, 1.0f, 0.2f, true}, Expected{STONE, 100.0f, 2.0f, 0.2f, true},
          Expected{METAL, 9999.0f, 3.0f, 0.2f, false}, Expected{GLASS, 25.0f, 0.5f, 0.1f, true}}) {
        SCOPED_TRACE(e.material);
        Block block(e.material, 60.0f, 30.0f);
        EXPECT_FLOAT_EQ(block.hitPoints, e.hitPoints);
        EXPECT_FLOAT_EQ(block.maxHitPoints, e.hitPoints);
        EXPECT_EQ(block.breakable, e.breakable);
        block.initPhysics(world.get(), {300.0f, 150.0f}, 60.0f, 30.0f);
        ASSERT_NE(block.body, nullptr);
        EXPECT_EQ(block.body->GetType(), b2_dynamicBody);
        const b2Fixture* fixture = block.body->GetFixtureList();
        EXPECT_FLOAT_EQ(fixture->GetDensity(), e.density);
        EXPECT_FLOAT_EQ(fixture->GetFriction(), 0.6f);
        EXPECT_FLOAT_EQ(fixture->GetRestitution(), e.restitution);
        EXPECT_EQ(fixture->GetFilterData().categoryBits, 0x0002);
        EXPECT_EQ(fixture->GetFilterData().maskBits, 0x000F);
        EXPECT_EQ(block.position, sf::Vector2f(0.0f, 0.0f)) << "set by the first update";
        block.update(0.0f);
        EXPECT_NEAR(block.position.x, 300.0f, 1e-3f);
        EXPECT_NEAR(block.position.y, 150.0f, 1e-3f);
    }
}

TEST(BlockTest, SizeMismatchWarnsAndUsesThePhysicsSize) {
    auto world = makeWorld();
    Block block(WOOD, 40.0f, 40.0f);
    testing::internal::CaptureStderr();
    block.initPhysics(world.get(), {0.0f, 0.0f}, 60.0f, 30.0f);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "Warning: Block dimensions mismatch between constructor and initPhysics.\n");
    const auto* box = static_cast<const b2PolygonShape*>(block.body->GetFixtureList()->GetShape());
    EXPECT_NEAR(box->m_vertices[2].x, 1.0f, 1e-4f);
    EXPECT_NEAR(box->m_vertices[2].y, 0.5f, 1e-4f);
    EXPECT_FLOAT_EQ(block.width, 40.0f);
}

TEST(BlockDamageTest, WoodShowsDamageTexturesAtItsThresholds) {
    Block wood(WOOD, 100.0f, 20.0f);
    TextureSet textures;
    textures.attach(wood);
    wood.applyDamage(15.0f);
    EXPECT_FLOAT_EQ(wood.hitPoints, 35.0f);
    EXPECT_EQ(wood.currentTexture(), &textures.base);
    wood.applyDamage(5.0f);
    EXPECT_EQ(wood.currentTexture(), &textures.light);
    wood.applyDamage(14.0f);
    EXPECT_FLOAT_EQ(wood.hitPoints, 16.0f);
    EXPECT_EQ(wood.currentTexture(), &textures.heavy);
    EXPECT_FALSE(wood.isDestroyed());

    wood.damagedTexture66 = nullptr; // a missing texture falls back one step
    EXPECT_EQ(wood.currentTexture(), &textures.light);
}

TEST(BlockDamageTest, StoneKeepsItsBaseTexture) {
    Block stone(STONE, 40.0f, 40.0f);
    EXPECT_EQ(stone.damagedTexture33, nullptr);
    EXPECT_EQ(stone.damagedTexture66, nullptr);
    sf::Texture base;
    stone.texture = &base;
    stone.applyDamage(90.0f);
    EXPECT_EQ(stone.currentTexture(), &base);
}

TEST(BlockDamageTest, GlassIsDestroyedByExactlyReachingZero) {
    Block glass(GLASS, 40.0f, 40.0f);
    testing::internal::CaptureStdout();
    glass.applyDamage(25.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Block::applyDamage: Damage applied: 25, current hitpoints: 0\n"
              "Block::applyDamage: Block destroyed!\n");
    EXPECT_TRUE(glass.isDestroyed());
    EXPECT_TRUE(glass.bodyRemovalPending);
}

TEST(BlockDamageTest, MetalIgnoresAllDamageSilently) {
    Block metal(METAL, 40.0f, 40.0f);
    testing::internal::CaptureStdout();
    metal.applyDamage(1.0e6f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_FLOAT_EQ(metal.hitPoints, 9999.0f);
    EXPECT_FALSE(metal.isDestroyed());
}

TEST(BlockDamageTest, DestroyedBlockLosesItsBodyAtTheNextUpdateOnly) {
    auto world = makeWorld();
    Block glass(GLASS, 40.0f, 40.0f);
    glass.initPhysics(world.get(), {90.0f, 60.0f}, 40.0f, 40.0f);
    glass.update(0.0f);
    glass.applyDamage(30.0f);
    EXPECT_EQ(world->GetBodyCount(), 1) << "not inside the damage call";
    glass.body->SetTransform(b2Vec2(10.0f, 10.0f), 0.0f);
    glass.update(0.0f);
    EXPECT_EQ(glass.body, nullptr);
    EXPECT_FALSE(glass.bodyRemovalPending);
    EXPECT_EQ(world->GetBodyCount(), 0);
    EXPECT_NEAR(glass.position.x, 90.0f, 1e-3f) << "a destroyed block stops following";

    testing::internal::CaptureStdout();
    glass.applyDamage(1.0f);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Block destroyed!"), std::string::npos);
    glass.update(0.0f);
    EXPECT_EQ(glass.body, nullptr);
    glass.destroyBody();
}

TEST(BlockDamageTest, DamageTextureKeysFollowTheBlockShape) {
    // Needs real textures, so a graphics context (run under xvfb).
    ResourceManager& resources = ResourceManager::getInstance();
    for (const char* key : {"long_wood_33", "long_wood_66", "tall_wood_33", "tall_wood_66",
                            "long_glass_33", "tall_glass_66"}) {
        ASSERT_NE(
            resources.loadTexture(key, std::string("resources/images/blocks/") + key + ".png"),
            nullptr)
            << key;
    }
    Block longWood(WOOD, 100.0f, 20.0f);
    EXPECT_EQ(longWood.damagedTexture33, resources.getTexture("long_wood_33"));
    EXPECT_EQ(longWood.damagedTexture66, resources.getTexture("long_wood_66"));
    Block tallWood(WOOD, 20.0f, 100.0f);
    EXPECT_EQ(tallWood.damagedTexture33, resources.getTexture("tall_wood_33"));
    Block squareWood(WOOD, 50.0f, 50.0f);
    EXPECT_EQ(squareWood.damagedTexture66, resources.getTexture("tall_wood_66"));
    Block longGlass(GLASS, 100.0f, 20.0f);
    EXPECT_EQ(longGlass.damagedTexture33, resources.getTexture("long_glass_33"));
    Block squareGlass(GLASS, 40.0f, 40.0f);
    EXPECT_EQ(squareGlass.damagedTexture66, resources.getTexture("tall_glass_66"));
    Block metal(METAL, 100.0f, 20.0f);
    EXPECT_EQ(metal.damagedTexture33, nullptr);
}

TEST(BlockPiecesTest, OnlyAnIntactBlockWithABodyBreaksIntoPieces) {
    auto world = makeWorld();
    Block withoutBody(WOOD, 100.0f, 20.0f);
    EXPECT_TRUE(withoutBody.breakIntoPieces(world.get()).empty());

    Block destroyed(WOOD, 100.0f, 20.0f);
    destroyed.initPhysics(world.get(), {300.0f, 300.0f}, 100.0f, 20.0f);
    destroyed.applyDamage(100.0f);
    EXPECT_TRUE(destroyed.breakIntoPieces(world.get()).empty());

    Block intact(STONE, 100.0f, 20.0f);
    intact.initPhysics(world.get(), {600.0f, 300.0f}, 100.0f, 20.0f);
    intact.update(0.0f);
    const int bodiesBefore = world->GetBodyCount();
    auto pieces = intact.breakIntoPieces(world.get());
    ASSERT_GE(pieces.size(), 2u);
    ASSERT_LE(pieces.size(), 6u);
    EXPECT_EQ(world->GetBodyCount(), bodiesBefore + static_cast<int>(pieces.size()));
    for (const auto& entity : pieces) {
        const auto* piece = dynamic_cast<const Block*>(entity.get());
        ASSERT_NE(piece, nullptr);
        EXPECT_EQ(piece->material, STONE);
        EXPECT_NE(piece->body, nullptr);
        EXPECT_EQ(piece->texture, nullptr);
        EXPECT_GE(piece->width, 5.0f);
        EXPECT_GE(piece->height, 5.0f);
        const b2Vec2 centre = piece->body->GetPosition();
        EXPECT_LE(std::abs(centre.x * 30.0f - 600.0f), 25.0f + 1e-3f);
        EXPECT_LE(std::abs(centre.y * 30.0f - 300.0f), 25.0f + 1e-3f);
    }
}

// Any bytes as a level file: the real loader builds them into a real world,
// which then runs for a few steps with the contact rules and the debris.

#include "FuzzSupport.h"

#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/GameContactListener.h"
#include "entities/ParticleSystem.h"
#include "level/LevelLoader.h"

#include <box2d/box2d.h>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

constexpr int STEPS = 10;
constexpr float STEP_SECONDS = 1.0f / 60.0f;
constexpr float GROUND_Y_PX = 700.0f;

bool within(float value, float lowest, float highest) {
    return value >= lowest && value <= highest;
}

void checkLoaded(const Level& level) {
    if (level.entities.size() > LevelLoader::MAX_ENTITIES) {
        fuzz_support::fail("more entities than the loader allows");
    }
    for (const auto& entity : level.entities) {
        if (const auto* block = dynamic_cast<const Block*>(entity.get())) {
            if (!within(block->width, LevelLoader::MIN_SIZE_PX, LevelLoader::MAX_SIZE_PX) ||
                !within(block->height, LevelLoader::MIN_SIZE_PX, LevelLoader::MAX_SIZE_PX)) {
                fuzz_support::fail("a block size outside the loader's bounds");
            }
        }
        if (const auto* enemy = dynamic_cast<const Enemy*>(entity.get())) {
            if (!within(enemy->health, LevelLoader::MIN_HEALTH, LevelLoader::MAX_HEALTH)) {
                fuzz_support::fail("an enemy health outside the loader's bounds");
            }
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silenceGameLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto path = fuzz_support::scratchDirectory() / "level.txt";
    fuzz_support::writeFile(path, reinterpret_cast<const char*>(data), size);

    b2World world(b2Vec2(0.0f, 5.0f));
    ParticleSystem particles([] { return 1u; });
    GameContactListener contacts(&particles);
    world.SetContactListener(&contacts);
    b2BodyDef groundDef;
    groundDef.position.Set(0.0f, GROUND_Y_PX / PIXELS_PER_METER);
    b2PolygonShape groundShape;
    groundShape.SetAsBox(1000.0f, 1.0f);
    world.CreateBody(&groundDef)->CreateFixture(&groundShape, 0.0f);

    LevelLoader loader;
    Level level = loader.loadLevel(path.string(), &world);
    checkLoaded(level);
    for (int step = 0; step < STEPS; ++step) {
        world.Step(STEP_SECONDS, 8, 3);
        level.update(STEP_SECONDS);
        particles.update(STEP_SECONDS);
        if (particles.particles.size() > ParticleSystem::MAX_PARTICLES) {
            fuzz_support::fail("more debris than the particle system allows");
        }
    }
    for (const b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        if (!std::isfinite(body->GetPosition().x) || !std::isfinite(body->GetPosition().y)) {
            fuzz_support::fail("a body left the finite world");
        }
    }
    level.entities.clear();
    return 0;
}

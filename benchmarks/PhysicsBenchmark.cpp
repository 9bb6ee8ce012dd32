// Frame costs of the physics side: one world step with the game's contact
// rules attached while a large structure collapses, and one particle update
// over a very large debris cloud.
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "entities/GameContactListener.h"
#include "entities/MaterialType.h"
#include "entities/ParticleSystem.h"

#include <benchmark/benchmark.h>
#include <box2d/box2d.h>
#include <iostream>
#include <memory>
#include <sstream>
#include <vector>

namespace {
constexpr float STEP = 1.0f / 60.0f;

// Silences the per-event log lines so that the figures measure the rules,
// not the terminal.
class QuietStdout {
public:
    QuietStdout() : previous(std::cout.rdbuf(sink.rdbuf())) {}
    ~QuietStdout() { std::cout.rdbuf(previous); }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    std::ostringstream sink;
    std::streambuf* previous;
};

struct CollapsingScene {
    b2World world{b2Vec2(0.0f, 5.0f)};
    ParticleSystem particles{[] { return 12345u; }};
    GameContactListener listener{&particles};
    std::vector<std::shared_ptr<Block>> blocks;
    std::vector<std::shared_ptr<Enemy>> enemies;

    CollapsingScene() {
        world.SetContactListener(&listener);
        b2BodyDef groundDef;
        groundDef.position.Set(600.0f / 30.0f, 580.0f / 30.0f);
        b2Body* ground = world.CreateBody(&groundDef);
        b2PolygonShape groundBox;
        groundBox.SetAsBox(800.0f / 30.0f, 20.0f / 30.0f);
        ground->CreateFixture(&groundBox, 0.0f);

        // Ten towers of twenty blocks each, dropped from a little above
        // their resting place and leaning so that they topple.
        const MaterialType materials[] = {WOOD, STONE, GLASS, METAL};
        for (int tower = 0; tower < 10; ++tower) {
            for (int level = 0; level < 20; ++level) {
                auto block = std::make_shared<Block>(materials[(tower + level) % 4], 40.0f, 40.0f);
                const float x = 300.0f + tower * 60.0f + level * 3.0f;
                const float y = 530.0f - level * 44.0f;
                block->initPhysics(&world, {x, y}, 40.0f, 40.0f);
                block->update(0.0f);
                blocks.push_back(block);
            }
            for (int e = 0; e < 2; ++e) {
                auto enemy = makeEnemy(static_cast<EnemyKind>((tower + e) % 3), 100.0f);
                enemy->initPhysics(&world, {300.0f + tower * 60.0f + 10.0f, -300.0f - e * 50.0f},
                                   20.0f);
                enemies.push_back(enemy);
            }
        }
    }
};

void BM_CollapsingStackStep(benchmark::State& state) {
    QuietStdout quiet;
    auto scene = std::make_unique<CollapsingScene>();
    int steps = 0;
    for (auto _ : state) {
        // A fresh scene every few seconds of game time keeps the structure
        // collapsing rather than settled.
        if (steps == 240) {
            state.PauseTiming();
            scene = std::make_unique<CollapsingScene>();
            steps = 0;
            state.ResumeTiming();
        }
        scene->world.Step(STEP, 8, 3);
        ++steps;
        if (scene->particles.particles.size() > 200000) {
            state.PauseTiming();
            scene->particles.particles.clear();
            state.ResumeTiming();
        }
    }
    state.counters["contacts"] = scene->world.GetContactCount();
}
BENCHMARK(BM_CollapsingStackStep)->Unit(benchmark::kMicrosecond);

void BM_ParticleUpdate100k(benchmark::State& state) {
    QuietStdout quiet;
    ParticleSystem system([] { return 777u; });
    const auto refill = [&system] {
        system.particles.clear();
        for (int i = 0; i < 1000; ++i) {
            // Long lifetimes, so none expires while the benchmark runs.
            system.spawn({400.0f, 300.0f}, 100, 5.0f, sf::Color(139, 69, 19, 255), 2.0f, 4.0f,
                         1000.0f, 2000.0f, 1.5707964f, QUADRANGLE);
        }
    };
    refill();
    for (auto _ : state) {
        system.update(STEP);
        benchmark::DoNotOptimize(system.particles.data());
    }
    state.counters["particles"] = static_cast<double>(system.particles.size());
}
BENCHMARK(BM_ParticleUpdate100k)->Unit(benchmark::kMicrosecond);

// The compaction pass when every particle expires in the same frame.
void BM_ParticleUpdateAllExpire100k(benchmark::State& state) {
    QuietStdout quiet;
    ParticleSystem system([] { return 777u; });
    for (auto _ : state) {
        state.PauseTiming();
        system.particles.clear();
        for (int i = 0; i < 1000; ++i) {
            system.spawn({400.0f, 300.0f}, 100, 5.0f, sf::Color::White, 2.0f, 4.0f, 0.01f, 0.02f,
                         1.0f, CIRCLE);
        }
        state.ResumeTiming();
        system.update(STEP);
        benchmark::DoNotOptimize(system.particles.data());
    }
}
BENCHMARK(BM_ParticleUpdateAllExpire100k)->Unit(benchmark::kMicrosecond);
} // namespace

// What drawing between two fixed steps adds to a frame, on the heaviest
// level (the seventh) in the middle of its collapse: remembering every
// body's pose before a step, and working out every drawn pose at a blend.
// The drawing calls themselves are the same with or without it (one sprite
// per body), so these two are the whole of its cost. Needs no display.
//
//   cd build && ./InterpolationBenchmark
#include "assets/Narration.h"
#include "core/Attempt.h"
#include "entities/Bird.h"
#include "entities/Entity.h"
#include "level/ShippedLevels.h"

#include <benchmark/benchmark.h>
#include <cmath>

namespace {
constexpr int COLLAPSE_LEVEL = 7;
constexpr int COLLAPSE_STEPS = 90;

// Level 7 a second and a half after a full pull into its towers.
void collapse(Attempt& attempt) {
    const Narration::Quiet quiet;
    attempt.start(ShippedLevels::path(COLLAPSE_LEVEL));
    attempt.press(attempt.bandRestPos);
    attempt.pull(attempt.slingshotPos + sf::Vector2f(-145.0f, 30.0f));
    attempt.release();
    for (int i = 0; i < COLLAPSE_STEPS; ++i) {
        attempt.step();
    }
}

void BM_RememberPoses(benchmark::State& state) {
    Attempt attempt;
    collapse(attempt);
    for (auto _ : state) {
        attempt.rememberPoses();
        benchmark::ClobberMemory();
    }
    state.counters["entities"] = static_cast<double>(attempt.currentLevel->entities.size());
}
BENCHMARK(BM_RememberPoses);

void BM_DrawnPoses(benchmark::State& state) {
    Attempt attempt;
    collapse(attempt);
    attempt.rememberPoses();
    attempt.step();
    float blend = 0.0f;
    for (auto _ : state) {
        blend = blend > 0.9f ? 0.0f : blend + 0.1f;
        for (const auto& entity : attempt.currentLevel->entities) {
            benchmark::DoNotOptimize(entity->drawnPose(blend));
        }
    }
    state.counters["entities"] = static_cast<double>(attempt.currentLevel->entities.size());
}
BENCHMARK(BM_DrawnPoses);
} // namespace

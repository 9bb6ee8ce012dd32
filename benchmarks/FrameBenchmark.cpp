// What one presented frame costs to draw: the menu, and the heaviest level
// (the seventh) frozen at the moment its collapse throws the most debris.
// Each iteration is Game::render() (clear, draw, present), as the frame loop
// runs it. Needs a display: run it under xvfb-run from the build directory,
// where resources/ is found, for the software-rendering figures.
//
//   cd build && xvfb-run -a -s "-screen 0 1600x1000x24" ./FrameBenchmark
//
// "Time" is wall time per frame (frames per second = 1 / Time, also given as
// the fps counter); "CPU" is the CPU time of the whole process per frame,
// which includes the software rasteriser's worker threads.
#include "core/Game.h"
#include "core/QuietOutput.h"

#include <benchmark/benchmark.h>
#include <cmath>
#include <iostream>
#include <memory>
#include <sstream>

namespace {
constexpr float FRAME = 1.0f / 60.0f;
constexpr int COLLAPSE_LEVEL = 6; // level7.txt: the most blocks and enemies
constexpr int SEARCH_FRAMES = 300;

std::unique_ptr<Game> makeGame(unsigned int width, unsigned int height) {
    auto game = std::make_unique<Game>(width, height, "Skysling Clone");
    game->update(Game::LOADING_SECONDS);
    return game;
}

// Starts the collapse level and fires its first bird with a full pull at
// `angle` degrees above the horizontal.
void fireOpeningShot(Game& game, float angle) {
    game.currentLevelIndex = COLLAPSE_LEVEL;
    game.stateManager.startLevel();
    const float radians = angle * 3.1415927f / 180.0f;
    game.dragPos = game.slingshotPos + sf::Vector2f(-std::cos(radians), std::sin(radians)) * 150.0f;
    game.launchBird();
}

// Plays frames of the opening shot and returns the frame at which the most
// debris is on screen, and that count.
std::pair<int, std::size_t> busiestFrame(Game& game, float angle) {
    fireOpeningShot(game, angle);
    std::pair<int, std::size_t> best{0, 0};
    for (int frame = 1; frame <= SEARCH_FRAMES && game.stateManager.state == Playing; ++frame) {
        game.update(FRAME);
        if (game.particles.particles.size() > best.second) {
            best = {frame, game.particles.particles.size()};
        }
    }
    return best;
}

void reportFrameRate(benchmark::State& state) {
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_MenuFrame(benchmark::State& state) {
    QuietOutput quiet(QuietOutput::Also::Errors);
    auto game = makeGame(static_cast<unsigned int>(state.range(0)),
                         static_cast<unsigned int>(state.range(1)));
    for (auto _ : state) {
        game->render();
    }
    reportFrameRate(state);
}
BENCHMARK(BM_MenuFrame)
    ->Args({1280, 720})
    ->Args({1600, 900})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_CollapseFrame(benchmark::State& state) {
    QuietOutput quiet(QuietOutput::Also::Errors);
    auto game = makeGame(static_cast<unsigned int>(state.range(0)),
                         static_cast<unsigned int>(state.range(1)));
    // The shot that throws the most debris, replayed up to its busiest frame.
    float bestAngle = 0.0f;
    std::pair<int, std::size_t> best{0, 0};
    for (float angle : {0.0f, 5.0f, 10.0f, 15.0f, 20.0f}) {
        const auto found = busiestFrame(*game, angle);
        if (found.second > best.second) {
            best = found;
            bestAngle = angle;
        }
    }
    fireOpeningShot(*game, bestAngle);
    for (int frame = 1; frame <= best.first; ++frame) {
        game->update(FRAME);
    }
    for (auto _ : state) {
        game->render();
    }
    reportFrameRate(state);
    state.counters["particles"] = static_cast<double>(game->particles.particles.size());
    state.counters["entities"] = static_cast<double>(game->currentLevel->entities.size());
}
BENCHMARK(BM_CollapseFrame)
    ->Args({1280, 720})
    ->Args({1600, 900})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The frame loop as run() turns it on the menu (events, update, render, the
// frame limit) with --fps-limit N: the rate the limit holds in real time,
// which the tests check only on a clock of their own.
void BM_MenuFrameLoopAtLimit(benchmark::State& state) {
    QuietOutput quiet(QuietOutput::Also::Errors);
    CommandLineOptions options;
    options.frameRateLimit = static_cast<int>(state.range(0));
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone", options);
    game->update(Game::LOADING_SECONDS);
    for (auto _ : state) {
        game->runFrame(1.0f / static_cast<float>(state.range(0)));
    }
    reportFrameRate(state);
}
BENCHMARK(BM_MenuFrameLoopAtLimit)
    ->Arg(30)
    ->Arg(60)
    ->MinTime(3.0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
} // namespace

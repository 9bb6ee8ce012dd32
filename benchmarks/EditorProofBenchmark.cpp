// What the editor's frames cost while a saved level is proven on its worker,
// and the same frames with no proof running. The editor is opened on a copy
// of a shipped level (the proof keeps its verdict beside the file it proves,
// so never beside the shipped one), the whole proof is started as a save
// starts it, and each frame (update then render, as the frame loop runs it)
// is timed until the verdict is taken up. The idle run draws as many frames
// of the same level with nothing running beside it.
//
//   cd build && xvfb-run -a -s "-screen 0 1600x1000x24" ./EditorProofBenchmark
//
// Counters: the frames' median, 99th percentile and longest time in
// milliseconds, the number of frames, and (with the proof) the proof's wall
// time in seconds. One iteration each: a proof runs once.
#include "core/Game.h"
#include "core/OwnLevelList.h"
#include "core/QuietOutput.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {
constexpr float FRAME = 1.0f / 60.0f;
// Long enough for the longest shipped proof on a busy machine.
constexpr int MAX_FRAMES = 60 * 600;

using Clock = std::chrono::steady_clock;

std::filesystem::path copyOfShippedLevel(int number) {
    const std::filesystem::path copy = std::filesystem::temp_directory_path() /
                                       ("vollarin-editor-bench-" + std::to_string(::getpid()) +
                                        "-" + std::to_string(number) + ".txt");
    std::filesystem::copy_file("resources/levels/level" + std::to_string(number) + ".txt", copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
}

std::unique_ptr<Game> editorOn(const std::filesystem::path& level) {
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
    game->update(Game::LOADING_SECONDS);
    game->editor.openFile(level.string());
    game->openEditor();
    return game;
}

double frameMilliseconds(Game& game) {
    const Clock::time_point start = Clock::now();
    game.update(FRAME);
    game.render();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(benchmark::State& state, std::vector<double> frames) {
    std::sort(frames.begin(), frames.end());
    const auto at = [&](double share) {
        const auto index = static_cast<std::size_t>(share * static_cast<double>(frames.size() - 1));
        return frames[index];
    };
    state.counters["median_ms"] = at(0.5);
    state.counters["p99_ms"] = at(0.99);
    state.counters["max_ms"] = frames.back();
    state.counters["frames"] = static_cast<double>(frames.size());
}

void BM_EditorFramesDuringProof(benchmark::State& state) {
    QuietOutput quiet(QuietOutput::Also::Errors);
    const int level = static_cast<int>(state.range(0));
    const std::filesystem::path copy = copyOfShippedLevel(level);
    auto game = editorOn(copy);
    for (auto _ : state) {
        std::vector<double> frames;
        const Clock::time_point start = Clock::now();
        game->startProof(copy);
        while (!game->proofVerdict && static_cast<int>(frames.size()) < MAX_FRAMES) {
            frames.push_back(frameMilliseconds(*game));
        }
        const double proofSeconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (!game->proofVerdict) {
            state.SkipWithError("the proof gave no verdict");
            break;
        }
        report(state, std::move(frames));
        state.counters["proof_s"] = proofSeconds;
        state.counters["proven"] = game->proofVerdict->proven ? 1.0 : 0.0;
    }
    game.reset();
    std::filesystem::remove(OwnLevelList::proofPath(copy.string()));
    std::filesystem::remove(copy);
}
BENCHMARK(BM_EditorFramesDuringProof)
    ->Arg(1)
    ->Arg(3)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_EditorFramesIdle(benchmark::State& state) {
    QuietOutput quiet(QuietOutput::Also::Errors);
    const int level = static_cast<int>(state.range(0));
    const std::filesystem::path copy = copyOfShippedLevel(level);
    auto game = editorOn(copy);
    for (auto _ : state) {
        std::vector<double> frames;
        for (int frame = 0; frame < static_cast<int>(state.range(1)); ++frame) {
            frames.push_back(frameMilliseconds(*game));
        }
        report(state, std::move(frames));
    }
    game.reset();
    std::filesystem::remove(copy);
}
BENCHMARK(BM_EditorFramesIdle)
    ->Args({1, 300})
    ->Args({3, 300})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
} // namespace

// What verifying a replay costs: the CPU time of playing each shipped
// level's stored winning shots back, headless, as the stand-in server and
// the vollarin-verify worker do for every score sent with its replay. One
// replay per iteration on one thread; replays per second per core is the
// inverse of the time per iteration.
//
// With VOLLARIN_REPLAYS_OUT set, also writes the recorded replays there, one
// "level_id score base64" line each, for the load run's replay stores
// (server/bench/run_load.sh).

#include "SolutionFile.h"
#include "core/Attempt.h"
#include "core/QuietOutput.h"
#include "core/ShotDriver.h"
#include "level/ShippedLevels.h"
#include "online/Base64.h"
#include "server/ReplayVerifier.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fstream>
#include <map>
#include <stdexcept>

namespace {

struct Recorded {
    std::string bytes;
    int score = 0;
    std::uint64_t steps = 0;
};

const Recorded& recordingOf(int level) {
    static std::map<int, Recorded> recordings;
    if (const auto found = recordings.find(level); found != recordings.end()) {
        return found->second;
    }
    const QuietOutput quiet;
    const auto shots = SolutionFile::read(SolutionFile::pathFor(level));
    if (!shots) {
        throw std::runtime_error("no stored shots for level " + std::to_string(level));
    }
    Attempt attempt;
    ShotDriver driver(attempt);
    driver.startLevel(level - 1);
    driver.play(*shots, FrameSequence::steady(Attempt::STEP_SECONDS, "60 Hz"));
    Recorded made{attempt.replay(level).encode(), attempt.score(), attempt.stepsTaken()};
    if (const char* out = std::getenv("VOLLARIN_REPLAYS_OUT")) {
        std::ofstream(out, std::ios::app)
            << (level - 1) << ' ' << made.score << ' ' << Base64::encode(made.bytes) << '\n';
    }
    return recordings.emplace(level, made).first->second;
}

void VerifyWinningReplay(benchmark::State& state) {
    const int level = static_cast<int>(state.range(0));
    const Recorded& recorded = recordingOf(level);
    const backend::ReplayVerifier verifier;
    const QuietOutput quiet;
    for (auto _ : state) {
        const auto outcome = verifier.verify(level, recorded.score, recorded.bytes);
        if (outcome.verdict != backend::ReplayVerifier::Verdict::Verified) {
            state.SkipWithError(outcome.reason.c_str());
            break;
        }
        benchmark::DoNotOptimize(outcome.score);
    }
    state.counters["bytes"] = static_cast<double>(recorded.bytes.size());
    state.counters["steps"] = static_cast<double>(recorded.steps);
    state.counters["replays/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(VerifyWinningReplay)
    ->DenseRange(1, ShippedLevels::count())
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

} // namespace

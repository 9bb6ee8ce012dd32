#pragma once

// Winning attempts at the shipped levels, recorded as the game records
// them, for the tests of replay verification.

#include "SolutionFile.h"
#include "core/Attempt.h"
#include "core/QuietOutput.h"
#include "core/Replay.h"
#include "core/ReplayPlayer.h"
#include "core/ShotDriver.h"

#include <stdexcept>
#include <string>

namespace servertest {

// A winning attempt at a shipped level, played bare from its stored shots,
// as the game records it.
struct Recording {
    Replay replay;
    int score = 0;
};

inline Recording recordWinning(int levelNumber) {
    const QuietOutput quiet;
    const auto shots = SolutionFile::read(SolutionFile::pathFor(levelNumber));
    if (!shots) {
        throw std::runtime_error("no stored shots for level " + std::to_string(levelNumber));
    }
    Attempt attempt;
    ShotDriver driver(attempt);
    driver.startLevel(levelNumber - 1);
    const Outcome outcome =
        driver.play(*shots, FrameSequence::steady(Attempt::STEP_SECONDS, "60 Hz"));
    if (!outcome.won) {
        throw std::runtime_error("the stored shots no longer win level " +
                                 std::to_string(levelNumber));
    }
    return {attempt.replay(levelNumber), attempt.score()};
}

// The replay's inputs played bare on the level file at `path`.
inline Recording replayOn(const Replay& replay, const std::string& path) {
    const QuietOutput quiet;
    Attempt attempt;
    attempt.start(path);
    ReplayPlayer player(replay, attempt);
    while (player.step()) {
    }
    return {attempt.replay(replay.levelNumber), attempt.score()};
}

// The level-1 recording is made once; every test takes copies.
inline const Recording& genuine() {
    static const Recording recording = recordWinning(1);
    return recording;
}

} // namespace servertest

#pragma once

#include "core/ShotDriver.h"

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <vector>

// Proves that what the game records replays exactly: attempts are played in
// the real game through its frame loop at every checked frame rate, each
// recorded as the game records a player's attempt, and every recording is
// then played bare, with no window, by the replay player. Both runs must end
// at the same step with the same verdict, score, stars and every body of the
// level in the same place.
class ReplayEquivalence {
public:
    // `driver` must play in a real game.
    ReplayEquivalence(ShotDriver& driver, std::ostream& log);

    // The attempts: the given shots on a level (1-based number).
    void check(int levelNumber, const std::vector<Shot>& shots);
    // `count` attempts of random shots, spread over the levels in turn.
    void checkRandom(int count, std::uint32_t seed);

    int attempts = 0;   // attempts played in the game (one per frame rate)
    int mismatches = 0; // of those, the ones whose bare replay ended otherwise
    std::size_t largestReplayBytes = 0;
    std::size_t totalReplayBytes = 0;
    std::uint64_t simulatedSteps = 0;
    // The bare replays alone: their steps and the processor time they took
    // (a measurement for the report, never a verdict).
    std::uint64_t replayedSteps = 0;
    double replayCpuSeconds = 0.0;

private:
    ShotDriver& driver;
    std::ostream& log;
};

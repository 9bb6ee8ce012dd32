#pragma once

#include "core/Replay.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

class Attempt;

// Hands a replay's inputs to an attempt, each before the step it was
// recorded at, and says whether a replay may be played at all: only by a
// build with the same simulation fingerprint, against a level file with the
// same content.
class ReplayPlayer {
public:
    // Steps allowed after the last input for the attempt to be decided.
    static constexpr std::uint32_t SETTLE_STEPS = 60 * 60;

    // What playing a replay to its end gave.
    struct Result {
        int levelNumber = 0;
        int score = 0;
        int stars = 0;
        bool won = false;
        std::uint64_t steps = 0;
    };

    // Why `replay` cannot be played against a level file whose content
    // hash is `levelHash` by a build of `fingerprint`; nothing when it can.
    static std::optional<std::string> refusal(const Replay& replay, std::uint64_t levelHash,
                                              std::uint64_t fingerprint);

    // Checks the replay against the level file at levelPath and this
    // build, then plays it bare to the verdict. Nothing, with `why`, when
    // it cannot be played.
    static std::optional<Result> playBare(const Replay& replay, const std::string& levelPath,
                                          std::string& why);

    ReplayPlayer(const Replay& replay, Attempt& attempt);

    // Applies the inputs due before the attempt's next step.
    void applyDueInputs();
    // applyDueInputs, then one step; false once the attempt is decided or
    // the replay has run out of inputs and its settling time.
    bool step();
    bool finished() const;

private:
    const Replay& replay;
    Attempt& attempt;
    std::size_t next = 0;
    std::uint64_t lastStep;
};

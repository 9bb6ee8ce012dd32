#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace backend {

// Decides whether a replay earned the score claimed with it, by playing it
// headless with the game's own simulation against the level file the server
// ships. Everything about the replay comes from outside: its size, its
// inputs and the steps it may run are bounded before and while it plays.
class ReplayVerifier {
public:
    // A typical attempt takes under 1 KiB; this leaves room for slow aiming
    // (thousands of pull points) and keeps the request under the transport's
    // body limit once encoded.
    static constexpr std::size_t MAX_REPLAY_BYTES = 32 * 1024;
    // Five minutes of fixed steps: no level takes that long to win, and the
    // most a replay can cost to play (well under a second on one core).
    static constexpr std::uint64_t MAX_SIMULATED_STEPS = 60 * 60 * 5;

    enum class Verdict {
        // Plays to a win of the claimed score on the shipped level.
        Verified,
        // Recorded by a build whose simulation differs: it cannot be played
        // here, which proves nothing either way.
        Unverified,
        // Does not recompute to the claim, or cannot be read: nothing is stored.
        Refused,
    };

    struct Outcome {
        Verdict verdict = Verdict::Refused;
        // The recomputed score when the replay was played, else the claim.
        int score = 0;
        std::string reason; // empty when verified
    };

    // The level file of a level number (1-based), the shipped ones by default.
    using LevelPath = std::function<std::string(int levelNumber)>;

    ReplayVerifier();
    explicit ReplayVerifier(LevelPath levelPath);

    // The replay file's bytes, base64-encoded as the remote call carries them.
    Outcome verifyEncoded(int levelNumber, int claimedScore, std::string_view base64) const;
    Outcome verify(int levelNumber, int claimedScore, std::string_view replayBytes) const;

private:
    LevelPath levelPath;
};

} // namespace backend

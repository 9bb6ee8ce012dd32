#include "ReplayEquivalence.h"

#include "core/FrameSequence.h"

#include "core/Attempt.h"
#include "core/Game.h"
#include "core/QuietOutput.h"
#include "core/ReplayPlayer.h"
#include "level/ShippedLevels.h"

#include <algorithm>
#include <ctime>
#include <ostream>
#include <random>

namespace {
constexpr float MIN_ANGLE = -30.0f;
constexpr float MAX_ANGLE = 70.0f;
constexpr float MIN_PULL = 30.0f;
constexpr float MAX_PULL = Shot::MAX_PULL;
constexpr int MAX_SPECIAL_FRAME = 80;

float between(std::mt19937& engine, float low, float high) {
    return low + (high - low) * static_cast<float>(static_cast<double>(engine()) / 4294967296.0);
}
} // namespace

ReplayEquivalence::ReplayEquivalence(ShotDriver& driver, std::ostream& log)
    : driver(driver), log(log) {}

void ReplayEquivalence::check(int levelNumber, const std::vector<Shot>& shots) {
    for (const FrameSequence& frames : FrameSequence::checkedSet()) {
        driver.startLevel(levelNumber - 1);
        const Outcome played = driver.play(shots, frames);
        const std::vector<BodyPose> playedPoses = driver.bodyPoses();
        const Replay replay = driver.recordedAttempt().replay(levelNumber);
        const std::size_t bytes = replay.encode().size();
        largestReplayBytes = std::max(largestReplayBytes, bytes);
        totalReplayBytes += bytes;
        ++attempts;
        simulatedSteps += played.steps;

        // Through the file's bytes, as a replay reaches a player.
        std::string why;
        const std::optional<Replay> decoded = Replay::decode(replay.encode(), why);
        Attempt bare;
        bool same = false;
        if (decoded) {
            const QuietOutput quiet;
            const std::clock_t started = std::clock();
            bare.start(ShippedLevels::path(levelNumber));
            ReplayPlayer player(*decoded, bare);
            while (bare.stepsTaken() < played.steps && player.step()) {
            }
            // The game's frame may run a step or two past a loss before the
            // driver looks (the world runs on through the loss's countdown),
            // so the bare world runs on as far before the places are compared.
            while (bare.stepsTaken() < played.steps && !bare.won()) {
                bare.step();
            }
            replayCpuSeconds += static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
            replayedSteps += bare.stepsTaken();
            simulatedSteps += bare.stepsTaken();
            same = bare.won() == played.won && bare.lost() == played.lost &&
                   bare.score() == played.score && bare.stars() == played.stars &&
                   bare.verdictStep() == driver.recordedAttempt().verdictStep() &&
                   bare.stepsTaken() == played.steps && ShotDriver::bodyPoses(bare) == playedPoses;
        }
        if (!same) {
            ++mismatches;
            log << "level " << levelNumber << " at " << frames.name()
                << ": REPLAY DIFFERS (played: score " << played.score << " stars " << played.stars
                << " decided at step " << driver.recordedAttempt().verdictStep()
                << "; replayed: score " << bare.score() << " stars " << bare.stars()
                << " decided at step " << bare.verdictStep() << (decoded ? "" : ", " + why) << ")"
                << std::endl;
        }
    }
}

void ReplayEquivalence::checkRandom(int count, std::uint32_t seed) {
    std::mt19937 engine(seed);
    for (int i = 0; i < count; ++i) {
        const int levelNumber = 1 + i % ShippedLevels::count();
        driver.startLevel(levelNumber - 1);
        std::vector<Shot> shots;
        for (std::size_t bird = 0; bird < driver.birdKinds().size(); ++bird) {
            Shot shot;
            shot.angleDegrees = between(engine, MIN_ANGLE, MAX_ANGLE);
            shot.pull = between(engine, MIN_PULL, MAX_PULL);
            shot.specialFrame = engine() % 2 == 0 ? Shot::NO_SPECIAL
                                                  : static_cast<int>(engine() % MAX_SPECIAL_FRAME);
            shots.push_back(shot);
        }
        check(levelNumber, shots);
    }
}

#include "DifficultyProbe.h"

#include <random>

namespace {

// The aims a player might take: from a flat shot to a steep lob, from a
// half pull to a full one.
constexpr float MIN_ANGLE = -10.0f;
constexpr float MAX_ANGLE = 70.0f;
constexpr float MIN_PULL = 60.0f;
constexpr float MAX_PULL = 150.0f;
// Boosts and splits are clicked somewhere along the flight; an explosion
// when the bird hits something, as players do.
constexpr int MIN_SPECIAL_STEP = 10;
constexpr int MAX_SPECIAL_STEP = 50;
constexpr std::uint32_t FIRST_SEED = 1000;

// The engine's raw output is the same everywhere; the standard
// distributions are not, so the mapping is done here.
float between(std::mt19937& engine, float low, float high) {
    return low + (high - low) * static_cast<float>(static_cast<double>(engine()) / 4294967296.0);
}

} // namespace

DifficultyProbe::DifficultyProbe(ShotDriver& driver) : driver(driver) {}

std::vector<Shot> DifficultyProbe::playFor(int play, const std::vector<std::string>& kinds) {
    std::mt19937 engine(FIRST_SEED + static_cast<std::uint32_t>(play));
    std::vector<Shot> shots;
    for (const std::string& kind : kinds) {
        Shot shot;
        shot.angleDegrees = between(engine, MIN_ANGLE, MAX_ANGLE);
        shot.pull = between(engine, MIN_PULL, MAX_PULL);
        const int step = MIN_SPECIAL_STEP +
                         static_cast<int>(engine() % (MAX_SPECIAL_STEP - MIN_SPECIAL_STEP + 1));
        if (kind == "EXPLOSION") {
            shot.specialFrame = Shot::SPECIAL_AT_FIRST_CONTACT;
        } else if (kind != "NORMAL") {
            shot.specialFrame = step;
        }
        shots.push_back(shot);
    }
    return shots;
}

double DifficultyProbe::measure(int levelIndex) {
    wins = 0;
    driver.startLevel(levelIndex);
    const std::vector<std::string> kinds = driver.birdKinds();
    for (int play = 0; play < PLAYS; ++play) {
        driver.startLevel(levelIndex);
        const Outcome outcome =
            driver.play(playFor(play, kinds), FrameSequence::steady(1.0f / 60.0f, "60 Hz"));
        simulatedSteps += driver.stepsSinceStart();
        wins += outcome.won ? 1 : 0;
    }
    return 100.0 * static_cast<double>(PLAYS - wins) / PLAYS;
}

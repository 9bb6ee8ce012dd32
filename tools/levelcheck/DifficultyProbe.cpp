#include "DifficultyProbe.h"

#include "assets/SharedConstants.h"
#include "core/Game.h"
#include "entities/Entity.h"

#include <algorithm>
#include <cmath>

namespace {

// A firm pull, give or take; the aim's error in angle and in pull.
constexpr float MIN_PULL = 100.0f;
constexpr float MAX_PULL = Shot::MAX_PULL;
// Players differ: each play's aim is off by up to its own error, from
// sharp to sloppy, in degrees, and by twice as many pixels of pull.
constexpr float SHARPEST_ERROR_DEGREES = 0.25f;
constexpr float SLOPPIEST_ERROR_DEGREES = 6.0f;
constexpr float PULL_ERROR_PER_DEGREE = 2.0f;
// A target out of reach at the chosen pull gets the longest throw there is.
constexpr float FARTHEST_ANGLE_DEGREES = 45.0f;
// Boosts and splits are clicked somewhere along the flight.
constexpr int MIN_SPECIAL_STEP = 10;
constexpr int MAX_SPECIAL_STEP = 50;
constexpr std::uint32_t FIRST_SEED = 1000;

// The engine's raw output is the same everywhere; the standard
// distributions are not, so the mapping is done here.
float unit(std::mt19937& engine) {
    return static_cast<float>(static_cast<double>(engine()) / 4294967296.0);
}

float between(std::mt19937& engine, float low, float high) {
    return low + (high - low) * unit(engine);
}

// The launch angle (degrees above the horizontal) that carries a bird from
// `from` through `to` at `speed`, on the flat or the high arc; nothing when
// the speed cannot reach. Pixels, pixels per second, y downwards.
std::optional<float> launchAngle(sf::Vector2f from, sf::Vector2f to, float speed, bool high) {
    const float gravity = Game::GRAVITY_MPS2 * PIXELS_PER_METER;
    const float dx = to.x - from.x;
    const float drop = to.y - from.y;
    if (dx <= 0.0f) {
        return std::nullopt;
    }
    // drop = -dx tan(a) + k (1 + tan(a)^2), with k = g dx^2 / (2 speed^2)
    const float k = gravity * dx * dx / (2.0f * speed * speed);
    const float discriminant = dx * dx - 4.0f * k * (k - drop);
    if (discriminant < 0.0f) {
        return std::nullopt;
    }
    const float root = std::sqrt(discriminant);
    const float tangent = (dx + (high ? root : -root)) / (2.0f * k);
    return std::atan(tangent) * 180.0f / PI;
}

} // namespace

DifficultyProbe::DifficultyProbe(ShotDriver& driver) : driver(driver) {}

Shot DifficultyProbe::aimAtAnEnemy(std::mt19937& engine, float error,
                                   const std::string& kind) const {
    const std::vector<sf::Vector2f> enemies = driver.livingEnemies();
    // Every draw is made whatever is used, so one shot's choices never shift the next's.
    const float pick = unit(engine);
    const bool high = unit(engine) < 0.5f;
    const float pull = between(engine, MIN_PULL, MAX_PULL);
    const float angleError = between(engine, -error, error);
    const float pullError = between(engine, -error, error) * PULL_ERROR_PER_DEGREE;
    const int specialStep =
        MIN_SPECIAL_STEP +
        static_cast<int>(engine() %
                         static_cast<std::uint32_t>(MAX_SPECIAL_STEP - MIN_SPECIAL_STEP + 1));

    float angle = FARTHEST_ANGLE_DEGREES;
    if (!enemies.empty()) {
        const std::size_t index =
            std::min(static_cast<std::size_t>(pick * enemies.size()), enemies.size() - 1);
        const float speed = pull * Game::LAUNCH_FACTOR * PIXELS_PER_METER;
        angle = launchAngle(driver.launchPoint(), enemies[index], speed, high)
                    .value_or(FARTHEST_ANGLE_DEGREES);
    }
    Shot shot;
    shot.angleDegrees = angle + angleError;
    shot.pull = std::min(pull + pullError, MAX_PULL);
    if (kind == "EXPLOSION") {
        shot.specialFrame = Shot::SPECIAL_AT_FIRST_CONTACT;
    } else if (kind != "NORMAL") {
        shot.specialFrame = specialStep;
    }
    return shot;
}

double DifficultyProbe::measure(int levelIndex) {
    wins = 0;
    driver.startLevel(levelIndex);
    const std::vector<std::string> kinds = driver.birdKinds();
    for (int play = 0; play < PLAYS; ++play) {
        std::mt19937 engine(FIRST_SEED + static_cast<std::uint32_t>(play));
        const float error = between(engine, SHARPEST_ERROR_DEGREES, SLOPPIEST_ERROR_DEGREES);
        driver.startLevel(levelIndex);
        const Outcome outcome = driver.play(
            [&](std::size_t bird) {
                return bird < kinds.size()
                           ? std::optional<Shot>(aimAtAnEnemy(engine, error, kinds[bird]))
                           : std::nullopt;
            },
            FrameSequence::steady(1.0f / 60.0f, "60 Hz"));
        simulatedSteps += driver.stepsSinceStart();
        wins += outcome.won ? 1 : 0;
    }
    return 100.0 * static_cast<double>(PLAYS - wins) / PLAYS;
}

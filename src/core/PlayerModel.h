#pragma once

#include "core/ShotDriver.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>

// How people fare on a level: plays by a model of a person who aims with
// the dotted preview, as the game shows it. Before each bird the person
// picks a target, an enemy still standing, preferring one the preview can
// reach without first running into a block, and finds the angle whose dots
// pass through it at a full pull, on the flat or the high arc. The hand
// then misses that aim by a person's error, Gaussian in angle and in pull,
// and clicks the special where the dots say the bird will be near its
// target, give or take a tenth of a second. Plays come from fixed seeds, so
// the figures are exact and comparable between levels.
class PlayerModel {
public:
    static constexpr int PLAYS = 200;
    // A person's aim: one standard deviation of the angle, of the pull and
    // of a special's timing.
    static constexpr float ANGLE_ERROR_DEGREES = 1.5f;
    static constexpr float PULL_ERROR_PIXELS = 3.0f;
    static constexpr float SPECIAL_ERROR_SECONDS = 0.1f;

    struct Figures {
        int plays = 0;
        int wins = 0;
        int threeStarWins = 0;
        double winShare() const { return plays > 0 ? 100.0 * wins / plays : 0.0; }
        double threeStarShare() const { return plays > 0 ? 100.0 * threeStarWins / plays : 0.0; }
    };

    // What the person means to do with one bird, before the hand's error.
    struct Aim {
        sf::Vector2f target;       // world pixels
        float angleDegrees = 0.0f; // above the horizontal
        float pull = 0.0f;         // pixels
        float secondsToTarget = 0.0f;
        bool clearPath = false; // the dots reach the target before any block
        float miss = 0.0f;      // how far the dots pass from the target, pixels
    };

    explicit PlayerModel(ShotDriver& driver);

    Figures measure(int levelIndex, int plays = PLAYS);
    // The same on the level the driver started last. `carryOn` is asked
    // before each play with the plays so far; false stops there, and the
    // figures are those of the plays made.
    Figures measureStarted(int plays, const std::function<bool(int plays)>& carryOn);

    // The aim at `target` on one arc, read off the preview of the level as it
    // stands now; nothing when no dot path comes near it.
    std::optional<Aim> aimAt(sf::Vector2f target, bool highArc) const;

    // The shot a person makes with a bird of `kind` (its kind word) on the
    // level as it stands now, the hand's errors drawn from `engine`.
    Shot nextShot(std::mt19937& engine, const std::string& kind) const;

    std::uint64_t simulatedSteps = 0;

private:
    ShotDriver& driver;
};

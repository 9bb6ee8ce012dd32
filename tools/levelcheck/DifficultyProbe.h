#pragma once

#include "core/ShotDriver.h"

#include <cstdint>
#include <random>

// How hard a level is, measured by playing it: the share of a fixed set of
// plays that does not win, by a player who aims every bird at an enemy
// still alive (picked at random) on a flat or a high arc (also at random)
// but misses the exact aim by a few degrees and pixels of pull, and clicks
// each special at a random moment (an explosion on impact). The plays come
// from fixed seeds, the same for every level, so the figure is exact and
// comparable between levels: 0 % is a level every such play wins.
class DifficultyProbe {
public:
    static constexpr int PLAYS = 240;

    explicit DifficultyProbe(ShotDriver& driver);

    // The difficulty in percent; also sets wins.
    double measure(int levelIndex);

    int wins = 0;
    std::uint64_t simulatedSteps = 0;

private:
    Shot aimAtAnEnemy(std::mt19937& engine, float error, const std::string& kind) const;

    ShotDriver& driver;
};

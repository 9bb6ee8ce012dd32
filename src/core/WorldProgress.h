#pragma once

#include "level/LevelManifest.h"
#include "online/ProgressTable.h"

#include <vector>

// Which worlds the player may enter, from the best of each level on this
// computer: the first world always, every later one once each level of the
// world before it has been won. The level select, the flow between levels
// and the closing screens all ask here, so the rule lives in one place.
class WorldProgress {
public:
    WorldProgress(const LevelManifest& manifest, const std::vector<LevelBest>& bests);

    // Every level of the world won; false for a world that does not exist.
    bool finished(int world) const;
    bool unlocked(int world) const;
    // Stars earned in the world's levels, and the most they can earn.
    int starsEarned(int world) const;
    int starsPossible(int world) const;
    // The world's levels' bests, in order.
    std::vector<LevelBest> bests(int world) const;

private:
    const LevelManifest& manifest;
    const std::vector<LevelBest>& levelBests;
};

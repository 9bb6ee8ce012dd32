#include "core/WorldProgress.h"

WorldProgress::WorldProgress(const LevelManifest& manifest, const std::vector<LevelBest>& bests)
    : manifest(manifest), levelBests(bests) {}

std::vector<LevelBest> WorldProgress::bests(int world) const {
    if (world < 0 || world >= manifest.worldCount()) {
        return {};
    }
    const World& shown = manifest.worlds()[static_cast<std::size_t>(world)];
    std::vector<LevelBest> result;
    for (int level = shown.firstLevel; level <= shown.lastLevel(); ++level) {
        // A progress table shorter than the list has no best for the rest.
        result.push_back(static_cast<std::size_t>(level) < levelBests.size()
                             ? levelBests[static_cast<std::size_t>(level)]
                             : LevelBest{});
    }
    return result;
}

bool WorldProgress::finished(int world) const {
    const std::vector<LevelBest> worldBests = bests(world);
    if (worldBests.empty()) {
        return false;
    }
    for (const LevelBest& best : worldBests) {
        if (!best.completed()) {
            return false;
        }
    }
    return true;
}

bool WorldProgress::unlocked(int world) const {
    return world == 0 || finished(world - 1);
}

int WorldProgress::starsEarned(int world) const {
    int stars = 0;
    for (const LevelBest& best : bests(world)) {
        stars += best.stars;
    }
    return stars;
}

int WorldProgress::starsPossible(int world) const {
    return static_cast<int>(bests(world).size()) * ProgressTable::MAX_STARS;
}

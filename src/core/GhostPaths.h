#pragma once

#include "core/Replay.h"
#include "core/ShotTrail.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// Where each bird of a kept attempt flew, shot by shot: the Nth trail is
// the Nth launched bird's flight. Shown faintly while the player aims the
// same shot, so the best attempt so far is there to beat. A drawing aid:
// no rule reads it.
struct GhostPaths {
    // The replay's level; 0 for none.
    int levelNumber = 0;
    std::vector<ShotTrail> shots;

    // The flight of shot `index` (0 is the first bird), or null when the
    // kept attempt threw fewer birds.
    const ShotTrail* shot(std::size_t index) const;

    // Plays `replay` bare against the level file at levelPath and keeps its
    // flights; nothing when this build cannot play it there. Quiet: the
    // calling thread's narration is silenced while it runs.
    static std::optional<GhostPaths> trace(const Replay& replay, const std::string& levelPath);
};

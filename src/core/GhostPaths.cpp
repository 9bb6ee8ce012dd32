#include "core/GhostPaths.h"

#include "assets/Narration.h"
#include "core/Attempt.h"
#include "core/ReplayPlayer.h"
#include "core/SimulationFingerprint.h"
#include "entities/Bird.h"

const ShotTrail* GhostPaths::shot(std::size_t index) const {
    return index < shots.size() ? &shots[index] : nullptr;
}

std::optional<GhostPaths> GhostPaths::trace(const Replay& replay, const std::string& levelPath) {
    const std::optional<std::uint64_t> levelHash = Replay::levelFileHash(levelPath);
    if (!levelHash ||
        ReplayPlayer::refusal(replay, *levelHash, SimulationFingerprint::ofThisBuild())) {
        return std::nullopt;
    }
    const Narration::Quiet quiet;
    Attempt attempt;
    attempt.start(levelPath);
    ReplayPlayer player(replay, attempt);
    GhostPaths paths;
    paths.levelNumber = replay.levelNumber;
    // Each launched bird gets its own trail, begun where it left the
    // slingshot: a bird is launched by the inputs before a step, and flies
    // through the steps.
    const Bird* followed = nullptr;
    auto observe = [&] {
        const Bird* bird = attempt.currentBird;
        if (bird != nullptr && bird != followed) {
            paths.shots.emplace_back();
            paths.shots.back().start(bird->position);
        } else if (bird != nullptr) {
            paths.shots.back().follow(bird->position);
        }
        followed = bird;
    };
    while (!player.finished()) {
        player.applyDueInputs();
        observe();
        attempt.step();
        observe();
    }
    return paths;
}

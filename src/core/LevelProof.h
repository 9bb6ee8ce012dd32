#pragma once

#include "level/ProofVerdict.h"

#include <atomic>
#include <functional>
#include <string>

// Proves a level fair before anyone is asked to play it, with no window:
// that it stands still untouched, that everything starts in view, that its
// birds can win it (the same search over shots the level checker runs), the
// best result that search found, and how a person fares on it (the player
// model's share of wins and of three-star wins). The winning shots come
// back as a replay a player can watch.
//
// A player's level has no number among the shipped ones: its replays carry
// PLAYER_LEVEL_NUMBER and are told apart by the level's content hash, which
// every replay holds anyway.
class LevelProof {
public:
    static constexpr int PLAYER_LEVEL_NUMBER = 99;

    // How much proving to do; the defaults are the full proof.
    struct Limits {
        float standingSeconds = 5.0f;
        // Runs of the search at most; 0: the whole search.
        int searchRuns = 0;
        // Plays of the player model.
        int modelPlays = 200;
    };

    using Report = std::function<void(const ProofProgress&)>;

    explicit LevelProof(Limits limits);
    LevelProof() : LevelProof(Limits{}) {}

    // Proves the level file whose content is `levelBytes`. `report` hears
    // how far it has gone; once `cancel` reads true the proof stops soon
    // and comes back marked cancelled. Any bytes at all are safe to hand in.
    ProofVerdict run(const std::string& levelBytes, const Report& report = {},
                     const std::atomic<bool>* cancel = nullptr) const;

private:
    Limits limits;
};

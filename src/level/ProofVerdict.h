#pragma once

#include <string>

// How far a level's proof has gone, for a progress bar: the proof runs on a
// worker while the editor keeps drawing.
struct ProofProgress {
    // 0 to 1.
    float fraction = 0.0f;
    // What it is doing now ("Letting it stand", "Searching for a win", ...).
    std::string stage;
};

// What the proof of a level found. A level that is not proven is still the
// player's to keep; the reason says what failed first.
struct ProofVerdict {
    bool proven = false;
    // Empty when proven.
    std::string reason;
    // It lay still, untouched, for the settling time.
    bool stands = false;
    // Every entity starts inside the initial view.
    bool allInView = false;
    // The search found a sequence of shots that wins with the level's birds.
    bool winnable = false;
    // The best result the search found.
    int bestScore = 0;
    int stars = 0;
    // The player model's figure: its share of wins and of three-star wins,
    // 0 to 1.
    double winShare = 0.0;
    double threeStarShare = 0.0;
    // The best solution found as a replay file's bytes; empty when none.
    std::string solutionReplay;
    // The proof was stopped before it finished; nothing above is settled.
    bool cancelled = false;
    // How much was played: runs of the search, plays of the player model
    // (the figure's shares are of these plays).
    int searchRuns = 0;
    int modelPlays = 0;
};

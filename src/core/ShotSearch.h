#pragma once

#include "core/ShotDriver.h"

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

// Looks for a sequence of shots that wins one level with three stars: a
// coarse grid of launch angles and pull lengths (with the special clicked
// at a few moments) for each bird in turn, refined around the best shots,
// keeping a small beam of the most promising sequences. Every candidate is
// played from the level's start at 60 frames a second, so what it finds
// replays exactly.
class ShotSearch {
public:
    // Asked after every run with the runs so far; false stops the search.
    using CarryOn = std::function<bool(int evaluations)>;

    ShotSearch(ShotDriver& driver, int levelIndex, std::ostream& log);
    // The level the driver started last.
    ShotSearch(ShotDriver& driver, std::ostream& log);

    // The first three-star win found, or nothing.
    std::optional<Outcome> run();

    // Stops the search after this many runs (0: never), for a quick look.
    int maxEvaluations = 0;
    CarryOn carryOn;
    // About how many runs the whole search takes, for a progress bar.
    int plannedEvaluations() const;
    // Whether the search ended early, by the limit or carryOn.
    bool stopped() const { return stoppedEarly; }

    int evaluations = 0;
    std::uint64_t simulatedSteps = 0;
    // The best win found, three stars or not: the most points.
    std::optional<Outcome> bestWin;

private:
    struct Candidate {
        std::vector<Shot> shots; // as fired
        Outcome outcome;
        Shot requested; // the last shot as asked for (special timing mode kept)
    };

    Outcome evaluate(const std::vector<Shot>& shots);
    std::vector<Candidate> tryShots(const Candidate& prefix, const std::vector<Shot>& shots,
                                    std::optional<Outcome>& win);
    std::vector<Shot> coarseShots(const std::string& kind) const;
    static std::vector<Shot> refinedShots(const Shot& around);
    static std::vector<int> specialTimings(const std::string& kind);
    static bool better(const Candidate& a, const Candidate& b);

    ShotDriver& driver;
    std::ostream& log;
    std::vector<std::string> birdKinds;
    int bestLesserWin = -1; // best score of a win short of three stars
    bool stoppedEarly = false;
};

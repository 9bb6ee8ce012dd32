#pragma once

#include "ShotDriver.h"

#include <cstdint>
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
    ShotSearch(ShotDriver& driver, int levelIndex, std::ostream& log);

    std::optional<Outcome> run();

    int evaluations = 0;
    std::uint64_t simulatedSteps = 0;

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
    int levelIndex;
    std::ostream& log;
    std::vector<std::string> birdKinds;
    int bestLesserWin = -1; // best score of a win short of three stars
};

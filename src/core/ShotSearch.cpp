#include "core/ShotSearch.h"

#include <algorithm>
#include <ostream>

namespace {

constexpr std::size_t BEAM_WIDTH = 3;
constexpr int THREE_STARS = 3;
constexpr float MAX_PULL = Shot::MAX_PULL;
const float COARSE_ANGLES[] = {-10, -5, 0, 5, 10, 15, 20, 25, 30, 35, 40, 45, 50, 55, 60, 65, 70};
const float COARSE_PULLS[] = {75, 95, 115, 135, 150};

} // namespace

ShotSearch::ShotSearch(ShotDriver& driver, int levelIndex, std::ostream& log)
    : driver(driver), log(log) {
    driver.startLevel(levelIndex);
    birdKinds = driver.birdKinds();
}

ShotSearch::ShotSearch(ShotDriver& driver, std::ostream& log) : driver(driver), log(log) {
    driver.restartLevel();
    birdKinds = driver.birdKinds();
}

int ShotSearch::plannedEvaluations() const {
    int planned = 0;
    std::size_t prefixes = 1;
    for (const std::string& kind : birdKinds) {
        const std::size_t perPrefix = coarseShots(kind).size() + refinedShots(Shot{}).size();
        planned += static_cast<int>(prefixes * perPrefix);
        prefixes = BEAM_WIDTH;
    }
    return planned;
}

std::optional<Outcome> ShotSearch::run() {
    std::vector<Candidate> beam{Candidate{}};
    std::optional<Outcome> win;
    for (std::size_t bird = 0; bird < birdKinds.size() && !stoppedEarly; ++bird) {
        std::vector<Candidate> next;
        for (const Candidate& prefix : beam) {
            auto tried = tryShots(prefix, coarseShots(birdKinds[bird]), win);
            if (win) {
                return win;
            }
            std::sort(tried.begin(), tried.end(), better);
            // Refine around the best coarse shot of this prefix.
            if (!tried.empty()) {
                auto refined = tryShots(prefix, refinedShots(tried.front().requested), win);
                if (win) {
                    return win;
                }
                tried.insert(tried.end(), refined.begin(), refined.end());
            }
            next.insert(next.end(), tried.begin(), tried.end());
        }
        std::sort(next.begin(), next.end(), better);
        beam.clear();
        for (const Candidate& candidate : next) {
            if (beam.size() == BEAM_WIDTH) {
                break;
            }
            beam.push_back(candidate);
        }
        if (!beam.empty()) {
            log << "  after bird " << bird + 1 << " (" << birdKinds[bird] << "): best leaves "
                << beam.front().outcome.enemiesAlive << " enemies, score "
                << beam.front().outcome.score << " (" << evaluations << " runs)" << std::endl;
        }
    }
    return std::nullopt;
}

std::vector<ShotSearch::Candidate> ShotSearch::tryShots(const Candidate& prefix,
                                                        const std::vector<Shot>& shots,
                                                        std::optional<Outcome>& win) {
    std::vector<Candidate> tried;
    for (const Shot& shot : shots) {
        if ((maxEvaluations > 0 && evaluations >= maxEvaluations) ||
            (carryOn && !carryOn(evaluations))) {
            stoppedEarly = true;
            return tried;
        }
        std::vector<Shot> sequence = prefix.shots;
        sequence.push_back(shot);
        Outcome outcome = evaluate(sequence);
        if (outcome.won && (!bestWin || outcome.score > bestWin->score)) {
            bestWin = outcome;
        }
        if (outcome.won && outcome.stars == THREE_STARS) {
            win = outcome;
            return tried;
        }
        if (outcome.won && outcome.score > bestLesserWin) {
            bestLesserWin = outcome.score;
            log << "  won with " << outcome.stars << " star(s), score " << outcome.score
                << ", after " << sequence.size() << " shot(s)" << std::endl;
        }
        // A sequence that ended the level short of three stars, or fired fewer
        // shots than asked, leads nowhere.
        if (outcome.won || outcome.lost || outcome.fired.size() != sequence.size()) {
            continue;
        }
        tried.push_back({outcome.fired, outcome, shot});
    }
    return tried;
}

Outcome ShotSearch::evaluate(const std::vector<Shot>& shots) {
    ++evaluations;
    driver.restartLevel();
    Outcome outcome = driver.play(shots, FrameSequence::steady(1.0f / 60.0f, "60 Hz"));
    simulatedSteps += driver.stepsSinceStart();
    return outcome;
}

std::vector<Shot> ShotSearch::coarseShots(const std::string& kind) const {
    std::vector<Shot> shots;
    for (int timing : specialTimings(kind)) {
        for (float angle : COARSE_ANGLES) {
            for (float pull : COARSE_PULLS) {
                shots.push_back({angle, pull, timing});
            }
        }
    }
    return shots;
}

std::vector<Shot> ShotSearch::refinedShots(const Shot& around) {
    std::vector<Shot> shots;
    for (float dAngle : {-2.0f, 0.0f, 2.0f}) {
        for (float dPull : {-8.0f, 0.0f, 8.0f}) {
            if (dAngle == 0.0f && dPull == 0.0f) {
                continue;
            }
            const float pull = std::min(around.pull + dPull, MAX_PULL);
            shots.push_back({around.angleDegrees + dAngle, pull, around.specialFrame});
        }
    }
    return shots;
}

std::vector<int> ShotSearch::specialTimings(const std::string& kind) {
    if (kind == "BOOST") {
        return {Shot::NO_SPECIAL, 20};
    }
    if (kind == "SPLIT") {
        return {Shot::NO_SPECIAL, 25};
    }
    if (kind == "EXPLOSION") {
        return {Shot::SPECIAL_AT_FIRST_CONTACT, Shot::NO_SPECIAL};
    }
    return {Shot::NO_SPECIAL};
}

bool ShotSearch::better(const Candidate& a, const Candidate& b) {
    if (a.outcome.enemiesAlive != b.outcome.enemiesAlive) {
        return a.outcome.enemiesAlive < b.outcome.enemiesAlive;
    }
    return a.outcome.score > b.outcome.score;
}

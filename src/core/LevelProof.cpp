#include "core/LevelProof.h"

#include "assets/Narration.h"
#include "core/Attempt.h"
#include "core/FrameSequence.h"
#include "core/PlayerModel.h"
#include "core/ShotDriver.h"
#include "core/ShotSearch.h"
#include "level/LevelLoader.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <thread>
#include <unistd.h>

namespace {

// How the proof's time is shared out on the progress bar.
constexpr float STANDING_SHARE = 0.05f;
constexpr float SEARCH_SHARE = 0.65f;

// The search's running commentary, which nobody reads here.
class Nowhere : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// The level's bytes in a file of their own while the proof reads them: the
// loader reads files, and its bounds are the ones every level meets.
class ScratchFile {
public:
    explicit ScratchFile(const std::string& bytes) {
        static std::atomic<unsigned> counter{0};
        std::ostringstream name;
        name << "vollarin-proof-" << ::getpid() << "-"
             << std::hash<std::thread::id>{}(std::this_thread::get_id()) << "-" << counter++
             << ".txt";
        std::error_code error;
        path = std::filesystem::temp_directory_path(error) / name.str();
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        written = static_cast<bool>(out.flush());
    }
    ~ScratchFile() {
        std::error_code error;
        std::filesystem::remove(path, error);
    }
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;

    std::filesystem::path path;
    bool written = false;
};

// Trailing "; " of the driver's problem lists.
std::string trimmed(std::string text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == ';')) {
        text.pop_back();
    }
    return text;
}

} // namespace

LevelProof::LevelProof(Limits limits) : limits(limits) {}

ProofVerdict LevelProof::run(const std::string& levelBytes, const Report& report,
                             const std::atomic<bool>* cancel) const {
    const Narration::Quiet quiet;
    ProofVerdict verdict;
    const auto say = [&](float fraction, const char* stage) {
        if (report) {
            report({std::clamp(fraction, 0.0f, 1.0f), stage});
        }
    };
    const auto cancelled = [&] { return cancel != nullptr && cancel->load(); };
    const auto stop = [&](std::string reason) {
        verdict.proven = false;
        verdict.reason = std::move(reason);
        verdict.cancelled = cancelled();
        say(1.0f, verdict.cancelled ? "Cancelled" : "Done");
        return verdict;
    };

    say(0.0f, "Reading the level");
    if (levelBytes.size() > LevelLoader::MAX_FILE_BYTES) {
        return stop("the level is longer than " + std::to_string(LevelLoader::MAX_FILE_BYTES) +
                    " bytes");
    }
    const ScratchFile file(levelBytes);
    if (!file.written) {
        return stop("the level could not be written to " + file.path.string());
    }
    Attempt attempt;
    ShotDriver driver(attempt);
    driver.startLevelFile(file.path.string());
    if (driver.birdKinds().empty()) {
        return stop("it has no birds");
    }
    if (driver.enemiesAlive() == 0) {
        return stop("it has no enemies");
    }

    say(0.0f, "Letting it stand");
    const std::string outside = trimmed(driver.checkInView());
    verdict.allInView = outside.empty();
    const std::string moved = trimmed(driver.checkStanding(
        limits.standingSeconds, FrameSequence::steady(Attempt::STEP_SECONDS, "60 Hz")));
    verdict.stands = moved.empty();
    if (!verdict.stands) {
        return stop("it does not stand still: " + moved);
    }
    if (!verdict.allInView) {
        return stop("not everything starts in view: " + outside);
    }
    if (cancelled()) {
        return stop("cancelled");
    }

    say(STANDING_SHARE, "Searching for a win");
    Nowhere nowhere;
    std::ostream silent(&nowhere);
    ShotSearch search(driver, silent);
    search.maxEvaluations = limits.searchRuns;
    const int planned =
        std::max(1, limits.searchRuns > 0 ? std::min(limits.searchRuns, search.plannedEvaluations())
                                          : search.plannedEvaluations());
    search.carryOn = [&](int runs) {
        say(STANDING_SHARE + SEARCH_SHARE * std::min(1.0f, static_cast<float>(runs) /
                                                               static_cast<float>(planned)),
            "Searching for a win");
        return !cancelled();
    };
    search.run();
    verdict.searchRuns = search.evaluations;
    if (cancelled()) {
        return stop("cancelled");
    }
    verdict.winnable = search.bestWin.has_value();
    if (!verdict.winnable) {
        return stop("no win found with its birds in " + std::to_string(search.evaluations) +
                    " tries");
    }
    verdict.bestScore = search.bestWin->score;
    verdict.stars = search.bestWin->stars;

    // The winning shots once more, recorded as a player's would be.
    driver.restartLevel();
    const Outcome again =
        driver.play(search.bestWin->fired, FrameSequence::steady(Attempt::STEP_SECONDS, "60 Hz"));
    if (again.won && again.score == verdict.bestScore) {
        verdict.solutionReplay = attempt.replay(PLAYER_LEVEL_NUMBER).encode();
    }

    const float modelStart = STANDING_SHARE + SEARCH_SHARE;
    say(modelStart, "Playing it as people do");
    PlayerModel model(driver);
    const int plays = std::max(0, limits.modelPlays);
    const PlayerModel::Figures figures = model.measureStarted(plays, [&](int done) {
        say(modelStart + (1.0f - modelStart) * static_cast<float>(done) /
                             static_cast<float>(std::max(1, plays)),
            "Playing it as people do");
        return !cancelled();
    });
    verdict.modelPlays = figures.plays;
    verdict.winShare = figures.winShare() / 100.0;
    verdict.threeStarShare = figures.threeStarShare() / 100.0;
    if (cancelled()) {
        return stop("cancelled");
    }
    if (verdict.solutionReplay.empty()) {
        return stop("its win did not play the same again");
    }
    verdict.proven = true;
    say(1.0f, "Done");
    return verdict;
}

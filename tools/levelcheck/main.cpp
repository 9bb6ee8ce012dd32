// Proves the shipped levels fair by playing them in the real game: each
// level must stand untouched with everything in view, and its stored shots
// must win it with three stars at every checked frame rate, step for step
// the same.
//
//   levelcheck [--replay] [--search] [--write] [--shots TEXT] [--verbose] [--window]
//              [levels...]
//   levelcheck --difficulty [levels...]
//   levelcheck --people [levels...]
//   levelcheck --equivalence N [levels...]
//   levelcheck [--search-runs N] [--plays N] FILE...
//   levelcheck --play-through W [--seed S] [--frames RATE] [--levels N]
//
// Without options every level is checked for standing and its stored shots
// are replayed; a level whose replay no longer wins is searched again.
// --replay never searches (exit code 1 on any failure), --search always
// searches, --write stores what a search finds beside the level file,
// --shots replays the given records ("SHOT 12 140 -1; SHOT ...") instead of
// the stored ones. --difficulty only measures each level's difficulty
// figure (see DifficultyProbe) and checks that it rises from level to level.
// --people plays each level by a model of a person aiming with the preview
// (see PlayerModel) and prints its share of wins and of three-star wins.
// The levels are played bare, with no window, one fixed step at a time;
// --window plays them in the real game instead, through its frame loop at
// every checked frame rate (that needs a display). Run it from the build
// directory (resources/ is found there). --equivalence plays the stored
// shots of the levels and N random attempts over all levels in the game at
// every checked frame rate, and replays each recording bare (see
// ReplayEquivalence); it always plays in a window.
//
// Any argument that is not an option or a shipped level's number is a level
// file to prove as the game proves a player's level (see LevelProof): it
// must stand, start in view and be won by the search with its birds; the
// player model's figure is printed beside. --search-runs and --plays bound
// the search and the model's plays (a quick look). The exit code is 0 only
// when every file is proven.
//
// --play-through plays world W in the real game as a person would, from the
// menu's Start through the level select, every bird aimed by the player
// model, every frame through the game's own frame loop, a lost level tried
// again, a won one left by Next Level (see PlayThrough). --seed picks the
// player's hand (1 by default), --frames the frame times ("60 Hz" by
// default; "30", "144" or "uneven" for the others of the checked set),
// --levels stops after the world's first N levels. It prints a line per try
// and a summary; the exit code is 0 when every level played was won. It
// needs a display.
#include "DifficultyProbe.h"
#include "PlayThrough.h"
#include "ReplayEquivalence.h"
#include "SolutionFile.h"
#include "core/PlayerModel.h"
#include "core/ShotDriver.h"
#include "core/ShotSearch.h"

#include "core/Attempt.h"
#include "core/Game.h"
#include "core/LevelProof.h"

#include "level/ShippedLevels.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr float STANDING_SECONDS = 10.0f;

struct Options {
    bool replayOnly = false;
    bool forceSearch = false;
    bool write = false;
    bool verbose = false;
    bool difficulty = false;
    bool people = false;
    bool window = false;
    int equivalence = -1;     // random attempts; -1: no equivalence check
    int playThroughWorld = 0; // 0: no play-through
    std::uint32_t seed = 1;
    std::string frames = "60 Hz";
    int playedLevels = 0; // 0: the whole world
    std::optional<std::string> shots;
    std::vector<int> levels;
    // Level files to prove, and how much proving to do.
    std::vector<std::string> files;
    LevelProof::Limits limits;
};

// Swallows the game's own narration so the checker's report stays readable.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
};

// The checked frame sequence whose name starts with `name`; nothing when none does.
std::optional<FrameSequence> framesNamed(const std::string& name) {
    for (const FrameSequence& frames : FrameSequence::checkedSet()) {
        if (!name.empty() && frames.name().rfind(name, 0) == 0) {
            return frames;
        }
    }
    return std::nullopt;
}

// Plays a world through in the game and prints what happened; true when
// every level played was won.
bool playThrough(std::ostream& out, Game& game, const Options& options) {
    const std::optional<FrameSequence> frames = framesNamed(options.frames);
    if (!frames) {
        out << "play-through: no frame sequence called " << options.frames << std::endl;
        return false;
    }
    // The model's names are not the player's: a table for this run only.
    game.localHighScores = HighScoreTable("");
    out << "play-through of world " << options.playThroughWorld << ", seed " << options.seed
        << ", frames at " << frames->name() << std::endl;
    PlayThrough run(game, options.seed, *frames, out);
    const PlayThrough::Summary summary = run.run(options.playThroughWorld, options.playedLevels);
    PlayThrough::printSummary(out, summary);
    return summary.started &&
           std::all_of(summary.levels.begin(), summary.levels.end(),
                       [](const PlayThrough::LevelResult& level) { return level.won; });
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--replay") {
            options.replayOnly = true;
        } else if (arg == "--search") {
            options.forceSearch = true;
        } else if (arg == "--write") {
            options.write = true;
        } else if (arg == "--difficulty") {
            options.difficulty = true;
        } else if (arg == "--people") {
            options.people = true;
        } else if (arg == "--window") {
            options.window = true;
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--equivalence" && i + 1 < argc) {
            options.equivalence = std::max(0, std::atoi(argv[++i]));
            options.window = true;
        } else if (arg == "--play-through" && i + 1 < argc) {
            options.playThroughWorld = std::max(0, std::atoi(argv[++i]));
            options.window = true;
        } else if (arg == "--seed" && i + 1 < argc) {
            options.seed = static_cast<std::uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--frames" && i + 1 < argc) {
            options.frames = argv[++i];
        } else if (arg == "--levels" && i + 1 < argc) {
            options.playedLevels = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--shots" && i + 1 < argc) {
            options.shots = argv[++i];
        } else if (arg == "--search-runs" && i + 1 < argc) {
            options.limits.searchRuns = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--plays" && i + 1 < argc) {
            options.limits.modelPlays = std::max(0, std::atoi(argv[++i]));
        } else {
            const int number = std::atoi(arg.c_str());
            if (number >= 1 && number <= ShippedLevels::count() && arg == std::to_string(number)) {
                options.levels.push_back(number);
            } else if (!arg.empty() && arg.front() != '-') {
                options.files.push_back(arg);
            }
        }
    }
    if (options.levels.empty() && options.files.empty()) {
        for (int number = 1; number <= ShippedLevels::count(); ++number) {
            options.levels.push_back(number);
        }
    }
    return options;
}

void describe(std::ostream& out, const Outcome& outcome) {
    out << "score " << outcome.score << " stars " << outcome.stars << " with "
        << outcome.fired.size() << " shot(s):";
    for (const Shot& shot : outcome.fired) {
        out << " [" << shot.angleDegrees << " deg, pull " << shot.pull << ", special "
            << shot.specialFrame << "]";
    }
    out << std::endl;
}

// Proves one level file and prints its verdict; true when it is proven.
bool proveFile(std::ostream& out, const std::string& path, const LevelProof::Limits& limits) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        out << path << ": NOT PROVEN: the file cannot be read" << std::endl;
        return false;
    }
    // A byte past the loader's bound is enough to say the file is too long.
    std::string bytes(LevelLoader::MAX_FILE_BYTES + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    const ProofVerdict verdict = LevelProof(limits).run(bytes);
    if (!verdict.proven) {
        out << path << ": NOT PROVEN: " << verdict.reason << std::endl;
        return false;
    }
    out << path << ": PROVEN: stands, in view, won with score " << verdict.bestScore << " ("
        << verdict.stars << " star(s)) after " << verdict.searchRuns << " runs; people win "
        << verdict.winShare * 100.0 << " %, with three stars " << verdict.threeStarShare * 100.0
        << " % (of " << verdict.modelPlays << " plays)" << std::endl;
    return true;
}

class Checker {
public:
    // A bare driver has no frames: one run per level says all there is.
    Checker(ShotDriver driver, bool bare, std::ostream& out)
        : driver(driver),
          sequences(
              bare ? std::vector<FrameSequence>{FrameSequence::steady(1.0f / 60.0f, "fixed steps")}
                   : FrameSequence::checkedSet()),
          out(out) {}

    bool checkStanding(int number) {
        driver.startLevel(number - 1);
        const std::string outside = driver.checkInView();
        const std::string problems =
            driver.checkStanding(STANDING_SECONDS, FrameSequence::steady(1.0f / 60.0f, "60 Hz"));
        simulatedSteps += driver.stepsSinceStart();
        if (!outside.empty()) {
            out << "level " << number << ": NOT IN VIEW: " << outside << std::endl;
        }
        if (!problems.empty()) {
            out << "level " << number << ": DOES NOT STAND: " << problems << std::endl;
        }
        if (outside.empty() && problems.empty()) {
            out << "level " << number << ": in view, stands for " << STANDING_SECONDS << " s"
                << std::endl;
        }
        return outside.empty() && problems.empty();
    }

    // The stored shots must win with three stars at every checked frame
    // rate, and every run must end at the same step with the same score
    // and every body in the same place.
    bool replay(int number, const std::optional<std::string>& givenShots) {
        const std::optional<std::vector<Shot>> shots =
            givenShots ? SolutionFile::parse(*givenShots)
                       : SolutionFile::read(SolutionFile::pathFor(number));
        if (!shots || shots->empty()) {
            out << "level " << number << ": no stored shots in " << SolutionFile::pathFor(number)
                << std::endl;
            return false;
        }
        bool pass = true;
        std::optional<Outcome> first;
        std::vector<BodyPose> firstPoses;
        for (const FrameSequence& frames : sequences) {
            driver.startLevel(number - 1);
            const Outcome outcome = driver.play(*shots, frames);
            simulatedSteps += driver.stepsSinceStart();
            const std::vector<BodyPose> poses = driver.bodyPoses();
            const bool threeStars = outcome.won && outcome.stars == 3;
            const bool same =
                !first || (outcome.steps == first->steps && outcome.score == first->score &&
                           outcome.enemiesAlive == first->enemiesAlive && poses == firstPoses);
            out << "level " << number << ": replay at " << frames.name() << " "
                << (threeStars    ? "WON "
                    : outcome.won ? "WON WITHOUT THREE STARS "
                                  : "FAILED ")
                << (same ? "" : "DIFFERENTLY ") << "after " << outcome.steps << " steps, ";
            describe(out, outcome);
            pass = pass && threeStars && same;
            if (!first) {
                first = outcome;
                firstPoses = poses;
            }
        }
        return pass;
    }

    bool search(int number, bool write) {
        out << "level " << number << ": searching..." << std::endl;
        ShotSearch searcher(driver, number - 1, out);
        const auto win = searcher.run();
        simulatedSteps += searcher.simulatedSteps;
        if (!win) {
            out << "level " << number << ": NO WIN FOUND in " << searcher.evaluations << " runs"
                << std::endl;
            return false;
        }
        out << "level " << number << ": search WON after " << searcher.evaluations << " runs, ";
        describe(out, *win);
        if (write && !SolutionFile::write(SolutionFile::pathFor(number), win->fired)) {
            out << "level " << number << ": could not write " << SolutionFile::pathFor(number)
                << std::endl;
            return false;
        }
        return true;
    }

    // Prints each level's figure; true when it rises strictly from each
    // level to the next.
    bool difficulty(const std::vector<int>& levels) {
        DifficultyProbe probe(driver);
        bool rises = true;
        double previous = -1.0;
        for (int number : levels) {
            const double figure = probe.measure(number - 1);
            out << "level " << number << ": difficulty " << figure << " % (" << probe.wins << " of "
                << DifficultyProbe::PLAYS << " plays win)" << std::endl;
            rises = rises && figure > previous;
            previous = figure;
        }
        simulatedSteps += probe.simulatedSteps;
        out << (rises ? "DIFFICULTY RISES" : "DIFFICULTY DOES NOT RISE") << std::endl;
        return rises;
    }

    // Prints how a person fares on each level; a measurement, never a failure.
    void people(const std::vector<int>& levels) {
        PlayerModel model(driver);
        for (int number : levels) {
            const PlayerModel::Figures figures = model.measure(number - 1);
            out << "level " << number << ": people win " << figures.winShare()
                << " %, with three stars " << figures.threeStarShare() << " % (of " << figures.plays
                << " plays)" << std::endl;
        }
        simulatedSteps += model.simulatedSteps;
    }

    bool equivalence(const std::vector<int>& levels, int randomAttempts) {
        ReplayEquivalence check(driver, out);
        for (int number : levels) {
            if (const auto shots = SolutionFile::read(SolutionFile::pathFor(number))) {
                check.check(number, *shots);
            }
        }
        check.checkRandom(randomAttempts, RANDOM_SEED);
        simulatedSteps += check.simulatedSteps;
        out << "replay equivalence: " << check.attempts << " attempts played at "
            << sequences.size() << " frame rates, " << check.mismatches
            << " replayed otherwise; replay files " << check.largestReplayBytes
            << " bytes at most, "
            << (check.attempts > 0 ? check.totalReplayBytes / check.attempts : 0) << " on average"
            << std::endl;
        if (check.replayCpuSeconds > 0.0) {
            out << "bare replays: "
                << static_cast<double>(check.replayedSteps) * Attempt::STEP_SECONDS /
                       check.replayCpuSeconds
                << " simulated s per CPU s (level loading included)" << std::endl;
        }
        return check.mismatches == 0;
    }

    std::uint64_t simulatedSteps = 0;

private:
    static constexpr std::uint32_t RANDOM_SEED = 26;

    ShotDriver driver;
    std::vector<FrameSequence> sequences;
    std::ostream& out;
};

} // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    std::ostream out(std::cout.rdbuf());
    NullBuffer discard;
    std::streambuf* const savedOut = std::cout.rdbuf();
    std::streambuf* const savedErr = std::cerr.rdbuf();
    if (!options.verbose) {
        std::cout.rdbuf(&discard);
        std::cerr.rdbuf(&discard);
    }

    // One game, or one bare attempt, for every run.
    Attempt bare;
    const std::unique_ptr<Game> game = options.window ? ShotDriver::makeGame() : nullptr;
    Checker checker(game != nullptr ? ShotDriver(*game) : ShotDriver(bare), game == nullptr, out);

    const auto started = std::chrono::steady_clock::now();
    const std::clock_t startedCpu = std::clock();
    bool allPass = true;
    for (const std::string& file : options.files) {
        allPass = proveFile(out, file, options.limits) && allPass;
    }
    const bool onlyMeasuring = options.difficulty || options.people || options.equivalence >= 0 ||
                               options.playThroughWorld > 0;
    if (options.playThroughWorld > 0) {
        const std::uint64_t before = game->stepCount;
        allPass = playThrough(out, *game, options) && allPass;
        checker.simulatedSteps += game->stepCount - before;
    }
    if (options.people) {
        checker.people(options.levels);
    }
    if (options.difficulty) {
        allPass = checker.difficulty(options.levels);
    }
    if (options.equivalence >= 0) {
        allPass = checker.equivalence(options.levels, options.equivalence) && allPass;
    }
    for (int number : onlyMeasuring ? std::vector<int>{} : options.levels) {
        bool pass = checker.checkStanding(number);
        bool won = false;
        if (!options.forceSearch) {
            won = checker.replay(number, options.shots);
        }
        if (!won && !options.replayOnly) {
            won = checker.search(number, options.write);
        }
        allPass = allPass && pass && won;
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = static_cast<double>(std::clock() - startedCpu) / CLOCKS_PER_SEC;
    const double simulated = static_cast<double>(checker.simulatedSteps) * Game::STEP_SECONDS;
    out << "simulated " << simulated << " s in " << wall << " s of wall time ("
        << (wall > 0.0 ? simulated / wall : 0.0) << " per wall s, "
        << (cpu > 0.0 ? simulated / cpu : 0.0) << " per CPU s)" << std::endl;
    if (!options.files.empty() && options.levels.empty()) {
        out << (allPass ? "ALL FILES PROVEN" : "SOME FILES NOT PROVEN") << std::endl;
    } else {
        out << (allPass ? "ALL LEVELS PASS" : "SOME LEVELS FAIL") << std::endl;
    }

    std::cout.rdbuf(savedOut);
    std::cerr.rdbuf(savedErr);
    return allPass ? 0 : 1;
}

// Proves the shipped levels fair by playing them in the real game: each
// level must stand untouched, and a stored sequence of shots must win it.
//
//   levelcheck [--replay] [--search] [--write] [--shots TEXT] [--verbose] [levels...]
//
// Without options every level is checked for standing and its stored shots
// are replayed; a level whose replay no longer wins is searched again.
// --replay never searches (exit code 1 on any failure), --search always
// searches, --write stores what a search finds beside the level file,
// --shots replays the given records ("SHOT 12 140 -1; SHOT ...") instead of
// the stored ones.
// Run it from the build directory (resources/ is found there) on a display.
#include "ShotDriver.h"
#include "ShotSearch.h"
#include "SolutionFile.h"

#include <cstdlib>
#include <iostream>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

namespace {

constexpr int LEVEL_COUNT = 7;
constexpr float STANDING_SECONDS = 10.0f;

struct Options {
    bool replayOnly = false;
    bool forceSearch = false;
    bool write = false;
    bool verbose = false;
    std::optional<std::string> shots;
    std::vector<int> levels;
};

// Swallows the game's own narration so the checker's report stays readable.
class NullBuffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
};

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
        } else if (arg == "--verbose") {
            options.verbose = true;
        } else if (arg == "--shots" && i + 1 < argc) {
            options.shots = argv[++i];
        } else {
            const int number = std::atoi(arg.c_str());
            if (number >= 1 && number <= LEVEL_COUNT) {
                options.levels.push_back(number);
            }
        }
    }
    if (options.levels.empty()) {
        for (int number = 1; number <= LEVEL_COUNT; ++number) {
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

bool checkStanding(std::ostream& out, int number) {
    const std::string problems = ShotDriver(number - 1).checkStanding(STANDING_SECONDS);
    if (!problems.empty()) {
        out << "level " << number << ": DOES NOT STAND: " << problems << std::endl;
        return false;
    }
    out << "level " << number << ": stands for " << STANDING_SECONDS << " s" << std::endl;
    return true;
}

bool replay(std::ostream& out, int number, const std::optional<std::string>& givenShots) {
    const std::optional<std::vector<Shot>> shots =
        givenShots ? SolutionFile::parse(*givenShots)
                   : SolutionFile::read(SolutionFile::pathFor(number));
    if (!shots || shots->empty()) {
        out << "level " << number << ": no stored shots in " << SolutionFile::pathFor(number)
            << std::endl;
        return false;
    }
    const Outcome outcome = ShotDriver(number - 1).play(*shots);
    out << "level " << number << ": replay " << (outcome.won ? "WON " : "FAILED ");
    describe(out, outcome);
    return outcome.won;
}

bool search(std::ostream& out, int number, bool write) {
    out << "level " << number << ": searching..." << std::endl;
    ShotSearch searcher(number - 1, out);
    const auto win = searcher.run();
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

    bool allPass = true;
    for (int number : options.levels) {
        bool pass = checkStanding(out, number);
        bool won = false;
        if (!options.forceSearch) {
            won = replay(out, number, options.shots);
        }
        if (!won && !options.replayOnly) {
            won = search(out, number, options.write);
        }
        allPass = allPass && pass && won;
    }
    out << (allPass ? "ALL LEVELS PASS" : "SOME LEVELS FAIL") << std::endl;

    std::cout.rdbuf(savedOut);
    std::cerr.rdbuf(savedErr);
    return allPass ? 0 : 1;
}

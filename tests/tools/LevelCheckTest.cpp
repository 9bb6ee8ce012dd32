#include "BuildPaths.h"
#include "ShellCommand.h"
#include "TemporaryDirectory.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <sys/wait.h>

// Every shipped level must stand untouched with everything in view, and its
// stored shots must win it with three stars at every frame rate the checker
// tries, step for step the same; and the levels must get harder in order.
// The level checker does the playing, in the real game (--window) or in a
// bare attempt with no window; these run it.
namespace {

const std::string CHECKER = std::string(VOLLARIN_BINARY_DIR) + "/tools/levelcheck";

using CheckerRun = ShellResult;

// `environment`: what env(1) should change, e.g. "-u DISPLAY"; `errors`:
// where standard error goes (a shell redirection).
CheckerRun runChecker(const std::string& arguments,
                      const std::string& environment = "ALSOFT_DRIVERS=null",
                      const std::string& errors = "2>/dev/null") {
    // The checker finds resources/ through the build directory.
    const std::string command = "cd '" + std::string(VOLLARIN_BINARY_DIR) + "' && env " +
                                environment + " '" + CHECKER + "' " + arguments + " " + errors;
    return runShell(command);
}

class LevelCheckTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(CHECKER))
            << CHECKER << " is missing: build the levelcheck target first";
    }
};

TEST_P(LevelCheckTest, StandsInViewAndStoredShotsWinWithThreeStarsAtEveryFrameRate) {
    const std::string level = std::to_string(GetParam());
    const CheckerRun run = runChecker("--replay --window " + level);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::HasSubstr("level " + level + ": in view, stands for 10 s"));
    for (const char* rate : {"60 Hz", "30 Hz", "144 Hz", "uneven"}) {
        EXPECT_THAT(run.output,
                    ::testing::HasSubstr("level " + level + ": replay at " + rate + " WON after "))
            << run.output;
    }
    EXPECT_THAT(run.output, ::testing::HasSubstr(" stars 3 "));
    EXPECT_THAT(run.output, ::testing::Not(::testing::HasSubstr("DIFFERENTLY")));
}

// The same shots played bare, with no display at all, end exactly as they
// do in the game's frame loop: at the same step, with the same score, stars
// and shots. Nothing bare is heard either: with no audio driver to use, the
// audio library would complain of a device it could not open.
TEST_P(LevelCheckTest, BareRunWithoutADisplayEndsAsTheGameLoopDoes) {
    const std::string level = std::to_string(GetParam());
    const CheckerRun bare =
        runChecker("--replay " + level, "-u DISPLAY ALSOFT_DRIVERS=no-such-driver", "2>&1");
    EXPECT_THAT(bare.output, ::testing::Not(::testing::HasSubstr("audio")));
    const CheckerRun framed = runChecker("--replay --window " + level);
    EXPECT_EQ(bare.exitCode, 0) << bare.output;
    const std::regex outcome("level " + level + ": replay at ([^\\n]*?) WON after (.*)");
    std::smatch bareMatch;
    ASSERT_TRUE(std::regex_search(bare.output, bareMatch, outcome)) << bare.output;
    EXPECT_EQ(bareMatch[1].str(), "fixed steps");
    std::smatch framedMatch;
    ASSERT_TRUE(std::regex_search(framed.output, framedMatch, outcome)) << framed.output;
    EXPECT_EQ(bareMatch[2].str(), framedMatch[2].str());
}

// Every shipped level: three worlds of seven.
INSTANTIATE_TEST_SUITE_P(ShippedLevels, LevelCheckTest, ::testing::Range(1, 22),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

TEST(LevelCheckReplayTest, ShotsThatDoNotWinAreReportedAsAFailure) {
    ASSERT_TRUE(std::filesystem::exists(CHECKER));
    // A single shot fired steeply down into the ground cannot win.
    const CheckerRun run = runChecker("--replay --window --shots 'SHOT -80 150 -1' 1");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_THAT(run.output, ::testing::HasSubstr("level 1: replay at 60 Hz FAILED"));
}

TEST(LevelCheckDifficultyTest, RisesFromEachLevelToTheNext) {
    ASSERT_TRUE(std::filesystem::exists(CHECKER));
    // World one's: the later worlds start easier again and are measured by
    // the player model (README's table).
    const CheckerRun run = runChecker("--difficulty 1 2 3 4 5 6 7");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::HasSubstr("DIFFICULTY RISES"));
    // Read the figures back and check the order here too.
    const std::regex line(R"(level (\d): difficulty ([0-9.]+) %)");
    double previous = -1.0;
    int levels = 0;
    for (std::sregex_iterator it(run.output.begin(), run.output.end(), line), end; it != end;
         ++it) {
        const double figure = std::stod((*it)[2]);
        EXPECT_GT(figure, previous) << "level " << (*it)[1];
        previous = figure;
        ++levels;
    }
    EXPECT_EQ(levels, 7);
}

// Any level files, proven as the game proves a player's level: the exit
// code is 0 only when every one is, and each file that is not says why.
TEST(LevelCheckFilesTest, ExitsZeroOnlyWhenEveryFileIsProvenAndSaysWhyNot) {
    const TemporaryDirectory dir;
    const std::string shipped = std::string(VOLLARIN_SOURCE_DIR) + "/resources/levels/level1.txt";
    const std::string falls = (dir.path / "falls.txt").string();
    std::ofstream(falls) << "BLOCK TALL_WOOD 700 200 20 80\nENEMY 710 540\nBIRD NORMAL 1\n";
    const std::string quick = "--search-runs 120 --plays 3 ";

    const CheckerRun good = runChecker(quick + "'" + shipped + "'");
    EXPECT_EQ(good.exitCode, 0) << good.output;
    EXPECT_THAT(good.output, ::testing::HasSubstr(shipped + ": PROVEN"));

    const CheckerRun mixed = runChecker(quick + "'" + shipped + "' '" + falls + "' '" +
                                        (dir.path / "missing.txt").string() + "'");
    EXPECT_EQ(mixed.exitCode, 1) << mixed.output;
    EXPECT_THAT(mixed.output, ::testing::HasSubstr(shipped + ": PROVEN"));
    EXPECT_THAT(mixed.output,
                ::testing::HasSubstr(falls + ": NOT PROVEN: it does not stand still"));
    EXPECT_THAT(mixed.output, ::testing::HasSubstr("missing.txt: NOT PROVEN: "));
}

} // namespace

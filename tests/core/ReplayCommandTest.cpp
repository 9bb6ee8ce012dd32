#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "BuildPaths.h"
#include "ShellCommand.h"
#include "TemporaryDirectory.h"
#include "core/Attempt.h"
#include "core/CommandLine.h"
#include "core/QuietOutput.h"
#include "core/Replay.h"

#include <array>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

// `vollarin --replay FILE --headless`: the game run with no display at all,
// as a server would run it.
namespace {

using GameRun = ShellResult;

// `environment`: what env(1) sets besides unsetting DISPLAY; `errors`:
// where standard error goes (a shell redirection).
GameRun runHeadless(const std::string& replayPath, const std::string& environment = "",
                    const std::string& errors = "2>/dev/null") {
    const std::string command = "cd '" + std::string(VOLLARIN_BINARY_DIR) + "' && env -u DISPLAY " +
                                environment + " '" + VOLLARIN_GAME_EXE + "' --replay '" +
                                replayPath + "' --headless " + errors;
    return runShell(command);
}

class ReplayCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Level 3 won by its stored shots, and level 3 lost by every bird
        // thrown backwards.
        const QuietOutput quiet;
        ShotDriver driver(attempt);
        driver.startLevel(2);
        driver.play(SolutionFile::read(SolutionFile::pathFor(3)).value_or(std::vector<Shot>{}),
                    FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
        won = attempt.replay(3);
        wonScore = attempt.score();
        wonStars = attempt.stars();
        driver.startLevel(2);
        driver.play(std::vector<Shot>(8, Shot{180.0f, 40.0f, Shot::NO_SPECIAL}),
                    FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
        lost = attempt.replay(3);
        lostScore = attempt.score();
        ASSERT_FALSE(attempt.won());
    }

    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = (folder.path / name).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return path;
    }

    TemporaryDirectory folder;
    Attempt attempt;
    Replay won;
    Replay lost;
    int wonScore = 0;
    int wonStars = 0;
    int lostScore = 0;
};

TEST_F(ReplayCommandTest, PrintsTheOutcomeInOneLineWithoutADisplay) {
    const GameRun winning = runHeadless(write("won.vrpl", won.encode()));
    EXPECT_EQ(winning.exitCode, 0) << winning.output;
    EXPECT_EQ(winning.output, "Replay: level 3, score " + std::to_string(wonScore) + ", stars " +
                                  std::to_string(wonStars) + ", won\n");
    const GameRun losing = runHeadless(write("lost.vrpl", lost.encode()));
    EXPECT_EQ(losing.exitCode, 0) << losing.output;
    EXPECT_EQ(losing.output,
              "Replay: level 3, score " + std::to_string(lostScore) + ", stars 0, lost\n");
}

// Nothing of a headless run is heard, so it never opens an audio device:
// with no audio driver the audio library could use, it would say so.
TEST_F(ReplayCommandTest, NeverOpensAnAudioDevice) {
    const GameRun run =
        runHeadless(write("won.vrpl", won.encode()), "ALSOFT_DRIVERS=no-such-driver", "2>&1");
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(run.output, "Replay: level 3, score " + std::to_string(wonScore) + ", stars " +
                              std::to_string(wonStars) + ", won\n");
}

TEST_F(ReplayCommandTest, FailsOnFilesThatCannotBePlayed) {
    Replay otherBuild = won;
    otherBuild.fingerprint ^= 1;
    Replay otherLevel = won;
    otherLevel.levelNumber = 4;
    const std::string bytes = won.encode();
    for (const std::string& path :
         {write("build.vrpl", otherBuild.encode()), write("level.vrpl", otherLevel.encode()),
          write("short.vrpl", bytes.substr(0, bytes.size() - 3)),
          write("text.vrpl", "not a replay\n"), (folder.path / "missing.vrpl").string()}) {
        const GameRun run = runHeadless(path);
        EXPECT_EQ(run.exitCode, 1) << path << ": " << run.output;
        EXPECT_EQ(run.output.find("Replay:"), std::string::npos) << path;
    }
}

TEST(ReplayCommandLineTest, HeadlessGoesOnlyWithAReplay) {
    const auto parse = [](std::vector<std::string_view> arguments) {
        return CommandLine::parse(arguments);
    };
    const CommandLine::Result both = parse({"--headless", "--replay", "a.vrpl"});
    ASSERT_TRUE(both.ok()) << both.error;
    EXPECT_TRUE(both.options.headless);
    EXPECT_EQ(both.options.replayFile, "a.vrpl");
    const CommandLine::Result watch = parse({"--replay=b.vrpl"});
    ASSERT_TRUE(watch.ok()) << watch.error;
    EXPECT_FALSE(watch.options.headless);
    EXPECT_EQ(watch.options.replayFile, "b.vrpl");
    EXPECT_FALSE(parse({"--headless"}).ok());
    EXPECT_FALSE(parse({"--replay"}).ok());
    EXPECT_FALSE(parse({"--replay="}).ok());
}

} // namespace

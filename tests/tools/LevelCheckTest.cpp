#include <array>
#include <cstdio>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>

// Every shipped level must stand untouched and must still be won by its
// stored shots when the real game plays them. The level checker does the
// playing; this runs its replay mode, one level at a time.
namespace {

const std::string CHECKER = std::string(VOLLARIN_BINARY_DIR) + "/tools/levelcheck";

struct CheckerRun {
    int exitCode = -1;
    std::string output;
};

CheckerRun runChecker(const std::string& arguments) {
    // The checker finds resources/ through the build directory.
    const std::string command = "cd '" + std::string(VOLLARIN_BINARY_DIR) +
                                "' && ALSOFT_DRIVERS=null '" + CHECKER + "' " + arguments +
                                " 2>/dev/null";
    CheckerRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return run;
    }
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        run.output += buffer.data();
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class LevelCheckTest : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(CHECKER))
            << CHECKER << " is missing: build the levelcheck target first";
    }
};

TEST_P(LevelCheckTest, StandsAndStoredShotsStillWin) {
    const std::string level = std::to_string(GetParam());
    const CheckerRun run = runChecker("--replay " + level);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_THAT(run.output, ::testing::HasSubstr("level " + level + ": stands for 10 s"));
    EXPECT_THAT(run.output, ::testing::HasSubstr("level " + level + ": replay WON score "));
}

INSTANTIATE_TEST_SUITE_P(ShippedLevels, LevelCheckTest, ::testing::Range(1, 8),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

TEST(LevelCheckReplayTest, ShotsThatDoNotWinAreReportedAsAFailure) {
    ASSERT_TRUE(std::filesystem::exists(CHECKER));
    // A single shot fired steeply down into the ground cannot win.
    const CheckerRun run = runChecker("--replay --shots 'SHOT -80 150 -1' 1");
    EXPECT_EQ(run.exitCode, 1) << run.output;
    EXPECT_THAT(run.output, ::testing::HasSubstr("level 1: replay FAILED"));
}

} // namespace

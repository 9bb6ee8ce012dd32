// Player files that are not what they seem: a FIFO, a link to a device, a
// huge sparse file, lines that would write to the terminal. Loading and
// saving must neither hang nor copy without bound nor echo raw bytes.

#include "online/AtomicFile.h"
#include "online/HighScoreTable.h"
#include "online/ProgressTable.h"

#include "TemporaryDirectory.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr int LEVELS = 7;
// A child that is stuck is killed by this alarm, so a hang fails the test
// instead of stalling the suite.
constexpr unsigned HANG_ALARM_SECONDS = 60;

class PlayerFileHazardsTest : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }

    std::string pathOf(const char* name) const { return (directory.path / name).string(); }

    TemporaryDirectory directory;
};

TEST_F(PlayerFileHazardsTest, AFifoInPlaceOfAPlayerFileDoesNotHangTheStart) {
    const auto progress = pathOf("progress.txt");
    const auto scores = pathOf("highscores.txt");
    ASSERT_EQ(::mkfifo(progress.c_str(), 0600), 0);
    ASSERT_EQ(::mkfifo(scores.c_str(), 0600), 0);
    EXPECT_EXIT(
        {
            ::alarm(HANG_ALARM_SECONDS);
            ProgressTable table(progress, LEVELS);
            table.load();
            HighScoreTable highScores(scores);
            highScores.loadHighScores();
            const bool empty = table.totalStars() == 0 && highScores.getHighScores(0).empty();
            std::_Exit(empty ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(AtomicFile::readRegular(progress, 100).status,
              AtomicFile::ReadResult::Status::NotRegular);
}

TEST_F(PlayerFileHazardsTest, AHugeDamagedProgressFileIsMovedAsideNotCopied) {
    const auto progress = pathOf("progress.txt");
    {
        std::ofstream out(progress);
        out << "0,100,1\n";
    }
    // Sparse: large to the reader, nothing on the disk.
    fs::resize_file(progress, 64 * 1024 * 1024);
    struct stat before {};
    ASSERT_EQ(::stat(progress.c_str(), &before), 0);

    ProgressTable table(progress, LEVELS);
    testing::internal::CaptureStderr();
    table.load();
    table.record(2, 500, 3);
    testing::internal::GetCapturedStderr();

    struct stat kept {};
    ASSERT_EQ(::stat(AtomicFile::backupPathFor(progress).c_str(), &kept), 0);
    EXPECT_EQ(kept.st_ino, before.st_ino) << "the damaged file itself, not a copy of it";
    EXPECT_EQ(kept.st_size, before.st_size);
    EXPECT_LT(fs::file_size(progress), 1024u);
    ProgressTable reloaded(progress, LEVELS);
    reloaded.load();
    EXPECT_EQ(reloaded.best(2).score, 500);
}

TEST_F(PlayerFileHazardsTest, AHighScoreFileLinkedToADeviceIsNeitherReadNorCopied) {
    const auto scores = pathOf("highscores.txt");
    fs::create_symlink("/dev/zero", scores);
    EXPECT_EXIT(
        {
            ::alarm(HANG_ALARM_SECONDS);
            // A copy of the endless device dies here instead of filling the disk.
            rlimit small{};
            small.rlim_cur = small.rlim_max = 1024 * 1024;
            ::setrlimit(RLIMIT_FSIZE, &small);
            HighScoreTable highScores(scores);
            highScores.loadHighScores();
            highScores.addHighScore(0, "ann", 100, 3);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
    EXPECT_FALSE(fs::exists(AtomicFile::backupPathFor(scores)));
    EXPECT_TRUE(fs::is_symlink(scores));
    EXPECT_EQ(fs::read_symlink(scores), "/dev/zero");
}

TEST_F(PlayerFileHazardsTest, MalformedHighScoreLinesAreEchoedEscaped) {
    const auto scores = pathOf("highscores.txt");
    {
        std::ofstream out(scores, std::ios::binary);
        out << "x\x1b]0;owned\x07\x1b[2J,name,5,1\n"
            << "1,ann,oops\r\x1b[1A,2\n";
    }
    HighScoreTable highScores(scores);
    testing::internal::CaptureStderr();
    highScores.loadHighScores();
    const std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("Skipping malformed line 1"), std::string::npos) << said;
    EXPECT_NE(said.find("Skipping malformed line 2"), std::string::npos) << said;
    for (const char raw : {'\x1b', '\x07', '\r'}) {
        EXPECT_EQ(said.find(raw), std::string::npos) << "a raw control byte reached the terminal";
    }
    EXPECT_NE(said.find("\\x1b[2J"), std::string::npos) << said;
}

TEST_F(PlayerFileHazardsTest, ABackupIsNeverReplaced) {
    const auto file = pathOf("progress.txt");
    std::ofstream(AtomicFile::backupPathFor(file)) << "older";
    std::ofstream(file) << "damaged";
    std::string error;
    const auto kept = AtomicFile::keepAsFreeBackup(file, error);
    ASSERT_TRUE(kept) << error;
    EXPECT_EQ(*kept, AtomicFile::backupPathFor(file, 1));
    EXPECT_TRUE(fs::equivalent(*kept, file)) << "the file itself under a second name";
    std::ifstream older(AtomicFile::backupPathFor(file));
    std::string text;
    older >> text;
    EXPECT_EQ(text, "older");
    EXPECT_FALSE(AtomicFile::keepAsFreeBackup(pathOf("absent"), error));
}

} // namespace

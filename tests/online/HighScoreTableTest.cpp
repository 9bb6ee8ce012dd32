#include "online/HighScoreTable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

class HighScoreTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        directory = fs::temp_directory_path() /
                    ("vollarin_highscores_" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(directory);
        path = (directory / "highscores.txt").string();
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(directory, ignored);
    }

    void writeFile(const std::string& text) const {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }

    static std::string readFile(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    HighScoreTable loaded() const {
        HighScoreTable table(path);
        table.loadHighScores();
        return table;
    }

    fs::path directory;
    std::string path;
};

const std::string FULL_LEVEL_ZERO = "0,Ann,3000,3\n"
                                    "0,Bob,2500,3\n"
                                    "0,Cy,2000,2\n"
                                    "0,Dee,1500,2\n"
                                    "0,Eve,1000,1\n";

} // namespace

TEST_F(HighScoreTableTest, WithoutAFileTheTableIsEmptyAndTheFirstEntryCreatesIt) {
    HighScoreTable table = loaded();
    EXPECT_TRUE(table.getHighScores(0).empty());
    EXPECT_TRUE(table.getHighScores(-1).empty());
    EXPECT_TRUE(table.wouldQualify(3, 0));

    EXPECT_TRUE(table.addHighScore(3, "Robin", 4200, 3));
    EXPECT_EQ(readFile(path), "3,Robin,4200,3\n");
    EXPECT_TRUE(table.getHighScores(2).empty());
    ASSERT_EQ(table.getHighScores(3).size(), 1u);
    EXPECT_EQ(table.getHighScores(3)[0].name, "Robin");
    EXPECT_FALSE(fs::exists(table.backupPath()));
    EXPECT_FALSE(fs::exists(table.temporaryPath()));
}

TEST_F(HighScoreTableTest, AFullListTakesOnlyScoresAboveItsLowest) {
    writeFile(FULL_LEVEL_ZERO);
    HighScoreTable table = loaded();

    EXPECT_FALSE(table.wouldQualify(0, 1000));
    EXPECT_FALSE(table.addHighScore(0, "Tie", 1000, 1));
    EXPECT_EQ(readFile(path), FULL_LEVEL_ZERO);

    EXPECT_TRUE(table.wouldQualify(0, 1001));
    EXPECT_TRUE(table.addHighScore(0, "New", 1001, 1));
    const std::vector<HighScore>& list = table.getHighScores(0);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list.back().name, "New");
    EXPECT_EQ(readFile(path), "0,Ann,3000,3\n0,Bob,2500,3\n0,Cy,2000,2\n0,Dee,1500,2\n"
                              "0,New,1001,1\n");
}

TEST_F(HighScoreTableTest, EqualScoresKeepTheOrderTheyArrivedIn) {
    writeFile("0,Late,100,1\n0,First,500,2\n0,Second,500,3\n");
    HighScoreTable table = loaded();
    EXPECT_TRUE(table.addHighScore(0, "Third", 500, 1));

    const std::vector<HighScore>& list = table.getHighScores(0);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].name, "First");
    EXPECT_EQ(list[1].name, "Second");
    EXPECT_EQ(list[2].name, "Third");
    EXPECT_EQ(list[3].name, "Late");
}

TEST_F(HighScoreTableTest, AnOverlongListIsKeptUntilTheNextInsertionCutsIt) {
    writeFile("1,L1,10,1\n0,A,70,1\n0,B,10,1\n0,C,60,1\n0,D,20,1\n0,E,50,1\n0,F,30,1\n0,G,40,1\n");
    HighScoreTable table = loaded();
    ASSERT_EQ(table.getHighScores(0).size(), 7u);
    EXPECT_EQ(table.getHighScores(0).front().name, "A");
    EXPECT_EQ(table.getHighScores(0).back().name, "B");

    EXPECT_TRUE(table.addHighScore(0, "H", 65, 2));
    ASSERT_EQ(table.getHighScores(0).size(), 5u);
    EXPECT_EQ(table.getHighScores(0)[1].name, "H");
    EXPECT_EQ(table.getHighScores(0)[4].name, "G");
    // Written grouped by level, lowest index first.
    EXPECT_EQ(readFile(path), "0,A,70,1\n0,H,65,2\n0,C,60,1\n0,E,50,1\n0,G,40,1\n1,L1,10,1\n");
}

TEST_F(HighScoreTableTest, LinesAreReadAsTheyAlwaysWere) {
    writeFile("2,,300,1\n"        // empty name
              "1,Ann,77\n"        // three fields: ignored
              "\n"                // empty line: ignored
              "12abc,Num,5x,2y\n" // digits followed by text
              " 1,Pad, -40,3\r\n" // blanks, sign and a carriage return
              "1,Extra,9,1,more,fields\n");
    testing::internal::CaptureStderr();
    HighScoreTable table = loaded();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

    ASSERT_EQ(table.getHighScores(2).size(), 1u);
    EXPECT_EQ(table.getHighScores(2)[0].name, "");
    EXPECT_EQ(table.getHighScores(2)[0].score, 300);
    ASSERT_EQ(table.getHighScores(12).size(), 1u);
    EXPECT_EQ(table.getHighScores(12)[0].score, 5);
    EXPECT_EQ(table.getHighScores(12)[0].stars, 2);
    const std::vector<HighScore>& levelOne = table.getHighScores(1);
    ASSERT_EQ(levelOne.size(), 2u);
    EXPECT_EQ(levelOne[0].name, "Extra");
    EXPECT_EQ(levelOne[1].name, "Pad");
    EXPECT_EQ(levelOne[1].score, -40);
    EXPECT_EQ(levelOne[1].stars, 3);
}

TEST_F(HighScoreTableTest, MalformedLinesAreSkippedWithAWarningAndKeptInABackup) {
    const std::string original = "0,Ann,100,3\n"
                                 "x,Bob,10,1\n"
                                 "0,Cy,99999999999,2\n"
                                 "-1,Dee,50,1\n"
                                 "0,Eve,70,stars\n"
                                 "0,Fay,50,2\n";
    writeFile(original);
    testing::internal::CaptureStderr();
    HighScoreTable table = loaded();
    const std::string warnings = testing::internal::GetCapturedStderr();

    for (const char* line : {"line 2 ", "line 3 ", "line 4 ", "line 5 "}) {
        EXPECT_NE(warnings.find(line), std::string::npos) << line << " in " << warnings;
    }
    EXPECT_EQ(warnings.find("line 1 "), std::string::npos);
    EXPECT_EQ(warnings.find("line 6 "), std::string::npos);
    EXPECT_NE(warnings.find(path), std::string::npos);
    ASSERT_EQ(table.getHighScores(0).size(), 2u);
    EXPECT_EQ(table.getHighScores(0)[1].name, "Fay");
    EXPECT_FALSE(fs::exists(table.backupPath()));

    EXPECT_TRUE(table.addHighScore(0, "Gil", 60, 1));
    EXPECT_EQ(readFile(table.backupPath()), original);
    EXPECT_EQ(readFile(path), "0,Ann,100,3\n0,Gil,60,1\n0,Fay,50,2\n");

    // Later rewrites leave the backup of the original alone.
    EXPECT_TRUE(table.addHighScore(0, "Hal", 40, 1));
    EXPECT_EQ(readFile(table.backupPath()), original);
}

TEST_F(HighScoreTableTest, AHugeLevelIndexIsRefusedRatherThanAllocated) {
    writeFile("2000000000,Big,10,1\n0,Ok,5,1\n");
    testing::internal::CaptureStderr();
    HighScoreTable table = loaded();
    EXPECT_NE(testing::internal::GetCapturedStderr().find("line 1 "), std::string::npos);
    EXPECT_EQ(table.getHighScores(0).size(), 1u);

    testing::internal::CaptureStderr();
    EXPECT_FALSE(table.addHighScore(-1, "Neg", 10, 1));
    EXPECT_FALSE(table.addHighScore(HighScoreTable::MAX_LEVEL_COUNT, "Far", 10, 1));
    testing::internal::GetCapturedStderr();
    EXPECT_FALSE(table.wouldQualify(-1, 10));
}

TEST_F(HighScoreTableTest, ANameCannotBreakTheLineFormat) {
    HighScoreTable table = loaded();
    EXPECT_TRUE(table.addHighScore(0, "a,b\nc", 10, 1));
    EXPECT_EQ(readFile(path), "0,a_b_c,10,1\n");
    EXPECT_EQ(loaded().getHighScores(0).at(0).name, "a_b_c");
}

TEST_F(HighScoreTableTest, AFailedWriteLeavesTheOldFileIntact) {
    writeFile(FULL_LEVEL_ZERO);
    HighScoreTable table = loaded();
    // Something else holds the temporary file's name, so it cannot be written.
    fs::create_directory(table.temporaryPath());

    testing::internal::CaptureStderr();
    EXPECT_TRUE(table.addHighScore(0, "New", 5000, 3));
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_NE(warnings.find(path), std::string::npos) << warnings;
    EXPECT_EQ(readFile(path), FULL_LEVEL_ZERO);
    EXPECT_EQ(table.getHighScores(0).front().name, "New");

    fs::remove(table.temporaryPath());
    EXPECT_TRUE(table.saveHighScores());
    EXPECT_EQ(readFile(path).substr(0, 13), "0,New,5000,3\n");
}

TEST_F(HighScoreTableTest, APathThatIsADirectoryIsNeitherReadNorReplaced) {
    fs::create_directory(path);
    HighScoreTable table = loaded();
    EXPECT_TRUE(table.getHighScores(0).empty());

    testing::internal::CaptureStderr();
    EXPECT_TRUE(table.addHighScore(0, "Ann", 10, 1));
    EXPECT_FALSE(table.saveHighScores());
    EXPECT_NE(testing::internal::GetCapturedStderr().find(path), std::string::npos);
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_FALSE(fs::exists(table.temporaryPath()));
}

#include "online/ProgressTable.h"

#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int LEVELS = 7;

class ProgressTableTest : public ::testing::Test {
protected:
    void SetUp() override { path = (directory / "progress.txt").string(); }

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

    // The table as the game would load it, with what it warned about.
    ProgressTable loaded(std::string* warnings = nullptr) const {
        ProgressTable table(path, LEVELS);
        testing::internal::CaptureStderr();
        table.load();
        const std::string said = testing::internal::GetCapturedStderr();
        if (warnings != nullptr) {
            *warnings = said;
        }
        return table;
    }

    TemporaryDirectory scratch;
    const fs::path directory = scratch.path;
    std::string path;
};

int completedLevels(const ProgressTable& table) {
    int count = 0;
    for (const LevelBest& best : table.levels()) {
        count += best.completed() ? 1 : 0;
    }
    return count;
}

} // namespace

TEST_F(ProgressTableTest, ANewPlayerHasNoProgressAndNoWarning) {
    std::string warnings;
    const ProgressTable table = loaded(&warnings);
    EXPECT_EQ(warnings, "");
    EXPECT_EQ(completedLevels(table), 0);
    EXPECT_EQ(table.totalStars(), 0);
    EXPECT_EQ(table.possibleStars(), 21);
    EXPECT_FALSE(fs::exists(path)) << "loading alone writes nothing";
}

TEST_F(ProgressTableTest, EachBestIsKeptOnItsOwnAndWrittenWhenItImproves) {
    ProgressTable table(path, LEVELS);
    table.load();
    // The first completion beats "no best".
    ProgressUpdate update = table.record(2, 1500, 2);
    EXPECT_TRUE(update.newBestScore);
    EXPECT_TRUE(update.newBestStars);
    const std::string first = readFile(path);
    EXPECT_NE(first.find("\n2,1500,2\n"), std::string::npos) << first;

    // Lower score, same stars: nothing changes, nothing is written.
    fs::last_write_time(path, fs::file_time_type());
    update = table.record(2, 900, 2);
    EXPECT_FALSE(update.newBestScore);
    EXPECT_FALSE(update.newBestStars);
    EXPECT_EQ(readFile(path), first);
    EXPECT_EQ(fs::last_write_time(path), fs::file_time_type()) << "rewritten for nothing";
    // An equal score is not a new best either.
    EXPECT_FALSE(table.record(2, 1500, 1).newBestScore);

    // More stars with fewer points: the stars improve, the score stays.
    update = table.record(2, 1300, 3);
    EXPECT_FALSE(update.newBestScore);
    EXPECT_TRUE(update.newBestStars);
    EXPECT_EQ(table.best(2).score, 1500);
    EXPECT_EQ(table.best(2).stars, 3);
    // More points with fewer stars: the other way round.
    update = table.record(2, 2100, 1);
    EXPECT_TRUE(update.newBestScore);
    EXPECT_FALSE(update.newBestStars);

    table.record(0, 400, 1);
    const ProgressTable again = loaded();
    EXPECT_EQ(again.best(2).score, 2100);
    EXPECT_EQ(again.best(2).stars, 3);
    EXPECT_EQ(again.best(0).score, 400);
    EXPECT_EQ(again.best(0).stars, 1);
    EXPECT_EQ(again.totalStars(), 4);
    EXPECT_EQ(completedLevels(again), 2);
    EXPECT_EQ(readFile(path),
              "# VOLLARIN progress: level (from 0),best score,best stars\n0,400,1\n2,2100,3\n");
    EXPECT_FALSE(fs::exists(path + ".tmp"));
}

TEST_F(ProgressTableTest, ResultsOutsideTheTableAreKeptInBounds) {
    ProgressTable table(path, LEVELS);
    EXPECT_FALSE(table.record(-1, 100, 3).newBestScore);
    EXPECT_FALSE(table.record(LEVELS, 100, 3).newBestScore);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(table.best(LEVELS).completed());
    EXPECT_FALSE(table.best(-5).completed());
    table.record(1, ProgressTable::MAX_SCORE + 5, 9);
    EXPECT_EQ(table.best(1).score, ProgressTable::MAX_SCORE);
    EXPECT_EQ(table.best(1).stars, ProgressTable::MAX_STARS);
    table.record(3, -20, 0); // a completion is one star and no negative points
    EXPECT_EQ(table.best(3).score, 0);
    EXPECT_EQ(table.best(3).stars, 1);
    EXPECT_EQ(loaded().best(1).score, ProgressTable::MAX_SCORE) << "what it writes, it reads";
}

TEST_F(ProgressTableTest, ADamagedFileLoadsAsNoProgressWithAWarningPerLine) {
    const std::string binary("\x7f"
                             "ELF\x01\x02garbage\n");
    writeFile(binary + "0,,\n" + std::string("1,2\0,3\n", 7) + "level,score,stars\n");
    std::string warnings;
    const ProgressTable table = loaded(&warnings);
    EXPECT_EQ(completedLevels(table), 0);
    for (int line = 1; line <= 4; ++line) {
        EXPECT_NE(warnings.find("line " + std::to_string(line) + " of " + path), std::string::npos)
            << warnings;
    }
}

TEST_F(ProgressTableTest, OnlySaneLinesAreTrusted) {
    writeFile("# kept by hand\n"
              "\n"
              "0,1200,3\r\n"         // 3: good (a carriage return is fine)
              " 1 , 800 , 2 \n"      // 4: good (blanks around fields)
              "7,100,3\n"            // 5: no such level
              "-1,100,3\n"           // 6: no such level
              "2,-5,1\n"             // 7: negative score
              "2,100000001,1\n"      // 8: more than any level earns
              "2,99999999999999,1\n" // 9: overflow
              "2,100,0\n"            // 10: a completion has a star
              "2,100,4\n"            // 11: three at most
              "2,12abc,1\n"          // 12: trailing letters
              "2,+5,1\n"             // 13: sign
              "2,100,1,9\n"          // 14: a fourth field
              "2,100\n"              // 15: a missing field
              "3,500,1\n"            // 16: good
              "3,700,1\n");          // 17: written twice: the better is kept
    std::string warnings;
    const ProgressTable table = loaded(&warnings);
    EXPECT_EQ(table.best(0).score, 1200);
    EXPECT_EQ(table.best(0).stars, 3);
    EXPECT_EQ(table.best(1).score, 800);
    EXPECT_FALSE(table.best(2).completed()) << "every line for level 3 was bad";
    EXPECT_EQ(table.best(3).score, 700);
    EXPECT_EQ(completedLevels(table), 3);
    for (int line = 5; line <= 15; ++line) {
        EXPECT_NE(warnings.find("line " + std::to_string(line) + " of"), std::string::npos)
            << line << "\n"
            << warnings;
    }
    for (const int line : {1, 2, 3, 4, 16, 17}) {
        EXPECT_EQ(warnings.find("line " + std::to_string(line) + " of"), std::string::npos) << line;
    }
}

TEST_F(ProgressTableTest, ADamagedFileIsCopiedAsideBeforeItIsRewritten) {
    const std::string damaged = "0,900,2\nnot a line\n";
    writeFile(damaged);
    ProgressTable table = loaded();
    EXPECT_EQ(table.best(0).score, 900);
    testing::internal::CaptureStderr();
    table.record(0, 1000, 2);
    EXPECT_NE(testing::internal::GetCapturedStderr().find(path + ".bak"), std::string::npos);
    EXPECT_EQ(readFile(path + ".bak"), damaged);
    EXPECT_NE(readFile(path).find("\n0,1000,2\n"), std::string::npos);
    // A clean file is rewritten without another copy.
    table.record(0, 1100, 2);
    EXPECT_FALSE(fs::exists(path + ".bak.1"));

    // A second damage never overwrites the first copy.
    const std::string again = "0,5,1\n0,x,1\n";
    writeFile(again);
    table = loaded();
    table.record(1, 10, 1);
    EXPECT_EQ(readFile(path + ".bak"), damaged);
    EXPECT_EQ(readFile(path + ".bak.1"), again);
}

TEST_F(ProgressTableTest, AHugeOrUnreadableFileMeansNoProgress) {
    writeFile(std::string(ProgressTable::MAX_FILE_BYTES + 1, '\n') + "0,100,1\n");
    std::string warnings;
    EXPECT_EQ(completedLevels(loaded(&warnings)), 0);
    EXPECT_NE(warnings.find("larger than"), std::string::npos) << warnings;

    fs::remove(path);
    fs::create_directory(path); // a folder where the file should be
    EXPECT_EQ(completedLevels(loaded(&warnings)), 0);
    EXPECT_NE(warnings.find("Could not read " + path), std::string::npos) << warnings;
}

TEST_F(ProgressTableTest, AFailedSaveWarnsAndKeepsTheBestForThisRun) {
    const std::string blocked = (directory / "not_a_folder").string();
    std::ofstream(blocked) << "x";
    ProgressTable table(blocked + "/progress.txt", LEVELS);
    table.load();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(table.record(4, 700, 2).newBestScore);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("Could not save"), std::string::npos);
    EXPECT_EQ(table.best(4).score, 700);
    EXPECT_FALSE(table.save());
}

TEST_F(ProgressTableTest, WithoutAPathProgressLastsForTheRunOnly) {
    ProgressTable table("", LEVELS);
    table.load();
    EXPECT_TRUE(table.record(0, 100, 1).newBestScore);
    EXPECT_TRUE(table.save());
    EXPECT_EQ(table.best(0).score, 100);
    EXPECT_TRUE(fs::is_empty(directory));
}

// The kinds met live beside the levels' bests: files from before them read
// as they did, and a bad "met" line is skipped like any other bad line.
TEST_F(ProgressTableTest, KindsMetAreKeptBesideTheBestsAndOldFilesStillRead) {
    writeFile("0,1200,3\n2,800,1\n");
    ProgressTable old = loaded();
    EXPECT_EQ(old.totalStars(), 4);
    EXPECT_TRUE(old.metKinds().empty());

    EXPECT_TRUE(old.meet("bird/boost"));
    EXPECT_TRUE(old.meet("bird/boost")); // once is enough
    EXPECT_FALSE(old.meet("Bird Boost")) << "a name the file could not hold";
    std::string warnings;
    ProgressTable reread = loaded(&warnings);
    EXPECT_EQ(warnings, "");
    EXPECT_EQ(reread.totalStars(), 4);
    EXPECT_EQ(reread.metKinds(), std::vector<std::string>{"bird/boost"});

    writeFile("met,enemy/armed_enemy\nmet,\nmet,UPPER\nmet,a,b\n1,500,2\n");
    ProgressTable damaged = loaded(&warnings);
    EXPECT_TRUE(damaged.hasMet("enemy/armed_enemy"));
    EXPECT_EQ(damaged.metKinds().size(), 1u);
    EXPECT_EQ(damaged.best(1).stars, 2);
    EXPECT_NE(warnings.find("line 2"), std::string::npos) << warnings;
    EXPECT_NE(warnings.find("line 4"), std::string::npos) << warnings;
}

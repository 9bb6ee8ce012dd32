#include "level/LevelManifest.h"

#include "TemporaryDirectory.h"
#include "level/ShippedLevels.h"
#include "level/WorldsFixture.h"

#include <gtest/gtest.h>

#include <fstream>

// The list of levels and worlds, as the game, the checker and the scores
// server all read it.
namespace {

TEST(LevelManifestTest, ThreeWorldsNumberTheirLevelsOnAcrossWorlds) {
    const TemporaryDirectory dir;
    const LevelManifest manifest = writeWorlds(dir.path, 3, 7, "BIRD NORMAL 1\n");
    ASSERT_EQ(manifest.worldCount(), 3);
    EXPECT_EQ(manifest.levelCount(), 21);
    const World& second = manifest.worlds()[1];
    EXPECT_EQ(second.name, "World 2");
    EXPECT_EQ(second.background, "game_bg_1");
    EXPECT_EQ(second.music, "game_music");
    EXPECT_EQ(second.firstLevel, 7);
    EXPECT_EQ(second.lastLevel(), 13);
    EXPECT_EQ(manifest.worldOf(6), 0);
    EXPECT_EQ(manifest.worldOf(7), 1);
    EXPECT_EQ(manifest.worldOf(20), 2);
    EXPECT_EQ(manifest.worldOf(21), -1);
    EXPECT_EQ(manifest.worldOf(-1), -1);
    EXPECT_EQ(manifest.levelFile(7), (dir.path / "level8.txt").string());
    EXPECT_EQ(manifest.levelFile(21), "");
}

TEST(LevelManifestTest, ABadManifestIsRefusedWithItsReason) {
    const TemporaryDirectory dir;
    std::ofstream(dir.path / "a.txt") << "BIRD NORMAL 1\n";
    std::ofstream(dir.path / "b.txt") << "BIRD NORMAL 1\n";
    const std::string world = "world game_background game_music Hills\n";
    const struct {
        std::string text;
        std::string reason;
    } cases[] = {
        {std::string(LevelManifest::MAX_FILE_BYTES + 1, '#'), "larger than"},
        {"", "no worlds"},
        {"# only a comment\n", "no worlds"},
        {world + "level missing.txt\n", "line 2: level file missing.txt is missing"},
        {world + "level a.txt\nlevel a.txt\n", "line 3: level a.txt listed twice"},
        {world + "world game_bg_1 game_music Dales\nlevel a.txt\n",
         "line 2: world \"Hills\" has no levels"},
        {world + "level a.txt\nworld game_bg_1 game_music Dales\n",
         "world \"Dales\" has no levels"},
        {world + "level a.txt\n" + world + "level b.txt\n", "line 3: world \"Hills\" named twice"},
        {"level a.txt\n", "line 1: level before any world"},
        {world + "level ../a.txt\n", "line 2: a level needs one file name"},
        {world + "level a.txt b.txt\n", "line 2: a level needs one file name"},
        {"world Game/../bg game_music Hills\nlevel a.txt\n", "line 1: a world needs a background"},
        {"world game_background game_music\nlevel a.txt\n", "line 1: a world needs a name"},
        {world + "stage a.txt\n", "line 2: unknown entry \"stage\""},
    };
    for (const auto& bad : cases) {
        std::string why;
        EXPECT_FALSE(LevelManifest::parse(bad.text, dir.path.string(), why))
            << bad.text.substr(0, 80);
        EXPECT_NE(why.find(bad.reason), std::string::npos)
            << "expected \"" << bad.reason << "\", got \"" << why << "\"";
    }

    // Within every bound, a manifest of the most worlds and levels is read.
    std::string largest;
    for (int w = 0; w < LevelManifest::MAX_WORLDS; ++w) {
        largest += "world game_bg game_music W" + std::to_string(w) + "\n";
        for (int l = 0; l < LevelManifest::MAX_LEVELS_PER_WORLD; ++l) {
            const std::string name = std::to_string(w) + "_" + std::to_string(l) + ".txt";
            std::ofstream(dir.path / name) << "BIRD NORMAL 1\n";
            largest += "level " + name + "\n";
        }
    }
    std::string why;
    const auto read = LevelManifest::parse(largest, dir.path.string(), why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->levelCount(), LevelManifest::MAX_WORLDS * LevelManifest::MAX_LEVELS_PER_WORLD);
    EXPECT_FALSE(LevelManifest::parse(largest + "world game_bg game_music One more\nlevel a.txt\n",
                                      dir.path.string(), why));
    EXPECT_NE(why.find("more than"), std::string::npos) << why;
}

TEST(LevelManifestTest, AManifestThatCannotBeReadSaysWhere) {
    const TemporaryDirectory dir;
    std::string why;
    EXPECT_FALSE(LevelManifest::read(dir.path.string(), why));
    EXPECT_NE(why.find((dir.path / "manifest.txt").string()), std::string::npos) << why;
}

TEST(LevelManifestTest, TheShippedLevelsAreTheManifestsInOrder) {
    const LevelManifest& shipped = ShippedLevels::manifest();
    ASSERT_GE(shipped.worldCount(), 1);
    ASSERT_GE(ShippedLevels::count(), 7);
    for (int number = 1; number <= ShippedLevels::count(); ++number) {
        EXPECT_EQ(ShippedLevels::path(number), shipped.levelFile(number - 1));
    }
    // Progress files and online scores number the first seven levels as they
    // always have.
    for (int number = 1; number <= 7; ++number) {
        const std::string path = ShippedLevels::path(number);
        EXPECT_EQ(path.substr(path.rfind('/')), "/level" + std::to_string(number) + ".txt");
    }
    EXPECT_EQ(ShippedLevels::path(0), "");
    EXPECT_EQ(ShippedLevels::path(ShippedLevels::count() + 1), "");
}

} // namespace

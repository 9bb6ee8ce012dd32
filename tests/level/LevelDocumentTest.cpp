#include "level/LevelDocument.h"
#include "level/LevelLoader.h"
#include "level/ShippedLevels.h"

#include "TemporaryDirectory.h"

#include <box2d/box2d.h>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

std::string writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::ofstream(path, std::ios::binary) << contents;
    return path.string();
}

LevelDocument loadQuietly(const std::string& path) {
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    std::string error;
    std::optional<LevelDocument> document = LevelDocument::load(path, error);
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    EXPECT_TRUE(document.has_value()) << error;
    return document.value_or(LevelDocument{});
}

std::size_t entityCountByLoader(const std::string& path) {
    b2World world(b2Vec2(0.0f, 10.0f));
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    Level level = LevelLoader().loadLevel(path, &world);
    ::testing::internal::GetCapturedStdout();
    ::testing::internal::GetCapturedStderr();
    const std::size_t count = level.entities.size();
    level.clear();
    return count;
}

} // namespace

// Every shipped level written back unchanged loads as the same pieces, in the
// same order, and the game builds as many entities from the copy as from the
// original.
TEST(LevelDocumentFile, ShippedLevelsSurviveSavingUnchanged) {
    TemporaryDirectory dir;
    for (int number = 1; number <= ShippedLevels::count(); ++number) {
        SCOPED_TRACE("level " + std::to_string(number));
        const std::string original = ShippedLevels::path(number);
        const LevelDocument document = loadQuietly(original);
        ASSERT_FALSE(document.pieces().empty());

        const std::filesystem::path copy = dir.path / ("copy" + std::to_string(number) + ".txt");
        ::testing::internal::CaptureStdout();
        const std::string error = document.saveTo(copy);
        const std::string log = ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(error, "");
        EXPECT_NE(log.find("Level saved: " + copy.string()), std::string::npos);

        const LevelDocument reloaded = loadQuietly(copy.string());
        EXPECT_TRUE(reloaded.sameLevelAs(document));
        EXPECT_EQ(entityCountByLoader(copy.string()), entityCountByLoader(original));
        EXPECT_EQ(entityCountByLoader(copy.string()), document.pieces().size());
    }
}

// Numbers the shipped levels never use (fractions, an enemy's own health, a
// bird kind past the first) and a record the loader skips.
TEST(LevelDocumentFile, UnusualNumbersRoundTripAndSkippedRecordsStayOut) {
    TemporaryDirectory dir;
    const std::string path =
        writeFile(dir.path / "odd.txt", "BLOCK LONG_GLASS 100.25 -7.5 12.125 3\n"
                                        "BLOCK TALL_ROCK 1 2 nonsense\n"
                                        "PUPPET_ENEMY 300 400 123.5\n"
                                        "ARMED_ENEMY 5 6\n"
                                        "BIRD SPLIT 7\n"
                                        "BIRD EXPLOSION 100000\n");
    const LevelDocument document = loadQuietly(path);
    ASSERT_EQ(document.pieces().size(), 5u);
    EXPECT_EQ(std::get<BlockPiece>(document.pieces()[0]),
              (BlockPiece{GLASS, 100.25f, -7.5f, 12.125f, 3.0f}));
    EXPECT_EQ(std::get<EnemyPiece>(document.pieces()[1]), (EnemyPiece{Puppet, 300, 400, 123.5f}));
    EXPECT_EQ(std::get<BirdPiece>(document.pieces()[3]), (BirdPiece{Split, 7}));

    const std::string copy = writeFile(dir.path / "copy.txt", document.toText());
    EXPECT_TRUE(loadQuietly(copy).sameLevelAs(document));
}

// Whatever is at the path, loading answers without crashing or waiting.
TEST(LevelDocumentFile, UnreadablePathsAreRefusedAndGarbageLoadsWhatIsValid) {
    TemporaryDirectory dir;
    std::string error;
    EXPECT_FALSE(LevelDocument::load((dir.path / "missing.txt").string(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(LevelDocument::load(dir.path.string(), error));
    const std::filesystem::path fifo = dir.path / "fifo.txt";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(LevelDocument::load(fifo.string(), error)); // would block if opened

    std::string garbage(3000, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>((i * 131 + 7) % 256);
    }
    garbage += "\nBLOCK LONG_WOOD 1e30 0 10 10\nENEMY nan 0\nBIRD NORMAL 0\nENEMY 10 20\n";
    const LevelDocument document = loadQuietly(writeFile(dir.path / "garbage.txt", garbage));
    ASSERT_EQ(document.pieces().size(), 1u);
    EXPECT_TRUE(std::holds_alternative<EnemyPiece>(document.pieces()[0]));
}

TEST(LevelDocumentFile, SaveNamesStayInsideTheLevelsFolder) {
    const std::filesystem::path data = "/data/vollarin";
    EXPECT_EQ(LevelDocument::savePathFor(data, "my-level_2"),
              std::filesystem::path("/data/vollarin/levels/my-level_2.txt"));
    for (const std::string& bad :
         std::vector<std::string>{"", "..", "../x", "a/b", "a b", "x.txt",
                                  std::string(LevelDocument::MAX_NAME_LENGTH + 1, 'a')}) {
        EXPECT_FALSE(LevelDocument::savePathFor(data, bad)) << bad;
    }
    EXPECT_FALSE(LevelDocument::savePathFor("", "ok"));
}

// Undo walks back through exactly the documents the changes made, redo walks
// forward through them again, and a new change forgets the undone ones.
TEST(LevelDocumentHistory, UndoAndRedoRestoreEveryIntermediateDocument) {
    LevelDocument document;
    std::vector<LevelDocument> states{document};
    auto step = [&](bool changed) {
        ASSERT_TRUE(changed);
        states.push_back(document);
    };
    step(document.append(BlockPiece{WOOD, 100, 200, 40, 80}));
    step(document.append(EnemyPiece{Armed, 150, 180, 50}));
    step(document.insert(0, BirdPiece{Boost, 1}));
    step(document.change(1, BlockPiece{METAL, 110, 200, 40, 80}));
    step(document.setBackground("sky"));
    step(document.erase(2));
    // Emptying the level is one change, whole.
    document.clear();
    EXPECT_TRUE(document.pieces().empty());
    EXPECT_TRUE(document.background().empty());
    states.push_back(document);
    step(document.append(BirdPiece{Normal, 2}));

    for (std::size_t i = states.size() - 1; i > 0; --i) {
        ASSERT_TRUE(document.undo());
        EXPECT_TRUE(document.sameLevelAs(states[i - 1])) << "after undoing change " << i;
    }
    EXPECT_FALSE(document.undo());
    for (std::size_t i = 1; i < states.size(); ++i) {
        ASSERT_TRUE(document.redo());
        EXPECT_TRUE(document.sameLevelAs(states[i])) << "after redoing change " << i;
    }
    EXPECT_FALSE(document.redo());

    document.undo();
    document.undo();
    ASSERT_TRUE(document.append(EnemyPiece{Basic, 1, 1, 10}));
    EXPECT_FALSE(document.canRedo());
    document.undo();
    EXPECT_TRUE(document.sameLevelAs(states[states.size() - 3]));
}

// A change the loader would refuse is refused here, and leaves no history.
TEST(LevelDocumentHistory, ChangesOutsideTheLoaderBoundsAreRefused) {
    LevelDocument document;
    ASSERT_TRUE(document.append(BlockPiece{WOOD, 0, 0, 10, 10}));
    const LevelDocument before = document;
    EXPECT_FALSE(document.append(BlockPiece{WOOD, 0, 0, 0.5f, 10}));
    EXPECT_FALSE(document.change(0, BlockPiece{WOOD, LevelLoader::MAX_POSITION_PX + 1, 0, 10, 10}));
    EXPECT_FALSE(document.append(EnemyPiece{Basic, 0, 0, 0}));
    EXPECT_FALSE(document.append(BirdPiece{Normal, 0}));
    EXPECT_FALSE(document.insert(5, BirdPiece{Normal, 1}));
    EXPECT_FALSE(document.erase(1));
    EXPECT_FALSE(document.setBackground("two words"));
    EXPECT_TRUE(document.sameLevelAs(before));
    ASSERT_TRUE(document.undo());
    EXPECT_FALSE(document.canUndo());

    while (document.pieces().size() < LevelLoader::MAX_ENTITIES) {
        ASSERT_TRUE(document.append(BirdPiece{Normal, 1}));
    }
    EXPECT_FALSE(document.append(BirdPiece{Normal, 1}));
}

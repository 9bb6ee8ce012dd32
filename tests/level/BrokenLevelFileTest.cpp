#include "level/LevelLoader.h"

#include "LevelFileFixture.h"
#include "core/GameTestSupport.h"
#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <string>

using ::testing::HasSubstr;

namespace {

// One broken record, put between valid ones, and the warning it must cause.
struct BrokenRecord {
    const char* name;
    const char* line;
    const char* warning; // after "LevelLoader: Skipping "
};

const BrokenRecord BROKEN_RECORDS[] = {
    {"ZeroHeight", "BLOCK LONG_WOOD 0 0 2 0",
     R"(BLOCK on line 2 of @: height "0" is outside 1 to 2000)"},
    {"NegativeWidth", "BLOCK TALL_ROCK 100 100 -5",
     R"(BLOCK on line 2 of @: width "-5" is outside 1 to 2000)"},
    {"HugeWidth", "BLOCK TALL_GLASS 70 520 2e10 40",
     R"(BLOCK on line 2 of @: width "2e10" is outside 1 to 2000)"},
    {"HugeSquare", "BLOCK LONG_ROCK 70 520 202147836",
     R"(BLOCK on line 2 of @: width "202147836" is outside 1 to 2000)"},
    {"HeightBeyondFloat", "BLOCK LONG_ROCK 70 520 40 1e39",
     R"(BLOCK on line 2 of @: height "1e39" is outside 1 to 2000)"},
    {"NanPosition", "BLOCK LONG_WOOD nan 520",
     R"(BLOCK on line 2 of @: x "nan" is not a finite number)"},
    {"InfinitePosition", "BLOCK LONG_WOOD 70 -inf",
     R"(BLOCK on line 2 of @: y "-inf" is not a finite number)"},
    {"InfiniteSize", "BLOCK LONG_WOOD 70 520 infinity",
     R"(BLOCK on line 2 of @: width "infinity" is not a finite number)"},
    {"FarPosition", "BLOCK LONG_WOOD 20000 520",
     R"(BLOCK on line 2 of @: x "20000" is outside -10000 to 10000)"},
    {"MissingY", "BLOCK LONG_WOOD 70", "BLOCK on line 2 of @: y is missing"},
    {"MissingPosition", "BLOCK", "BLOCK on line 2 of @: x is missing"},
    {"WordForNumber", "BLOCK LONG_WOOD 70 abc", R"(BLOCK on line 2 of @: y "abc" is not a number)"},
    {"TextAfterDigits", "BLOCK LONG_WOOD 70 520 12x",
     R"(BLOCK on line 2 of @: width "12x" is not a number)"},
    {"EnemyMissingY", "ENEMY 100", "ENEMY on line 2 of @: y is missing"},
    {"EnemyNanX", "PUPPET_ENEMY nan 100",
     R"(PUPPET_ENEMY on line 2 of @: x "nan" is not a finite number)"},
    {"ZeroHealth", "ENEMY 100 200 0",
     R"(ENEMY on line 2 of @: health "0" is outside 1 to 1000000)"},
    {"NegativeHealth", "ARMED_ENEMY 100 200 -50",
     R"(ARMED_ENEMY on line 2 of @: health "-50" is outside 1 to 1000000)"},
    {"HugeHealth", "ENEMY 100 200 2e6",
     R"(ENEMY on line 2 of @: health "2e6" is outside 1 to 1000000)"},
    {"NanHealth", "PUPPET_ENEMY 100 200 nan",
     R"(PUPPET_ENEMY on line 2 of @: health "nan" is not a finite number)"},
    {"SplitIdTooLarge", "BIRD SPLIT 24748375",
     R"(BIRD on line 2 of @: id "24748375" is outside 1 to 100000)"},
    {"IdBeyondInt", "BIRD NORMAL 99999999999",
     R"(BIRD on line 2 of @: id "99999999999" is outside 1 to 100000)"},
    {"ZeroId", "BIRD BOOST 0", R"(BIRD on line 2 of @: id "0" is outside 1 to 100000)"},
    {"FractionalId", "BIRD NORMAL 2.5", R"(BIRD on line 2 of @: id "2.5" is not a whole number)"},
    {"MissingId", "BIRD EXPLOSION", "BIRD on line 2 of @: id is missing"},
};

void PrintTo(const BrokenRecord& row, std::ostream* out) {
    *out << row.line;
}

class BrokenLevelFileTest : public LevelFileFixture,
                            public ::testing::WithParamInterface<BrokenRecord> {};

TEST_P(BrokenLevelFileTest, SkipsTheRecordWithAWarningAndKeepsTheRest) {
    const BrokenRecord& row = GetParam();
    Level level = load(std::string("BLOCK LONG_WOOD 700 520 120 20\n") + row.line +
                       "\nENEMY 760 480\nBIRD SPLIT 3\n");
    const std::string path = (dir / "level.txt").string();

    std::string warning = std::string("LevelLoader: Skipping ") + row.warning + "\n";
    warning.replace(warning.find('@'), 1, path);
    EXPECT_EQ(err, warning);
    ASSERT_EQ(level.entities.size(), 3u);
    EXPECT_NE(dynamic_cast<Block*>(level.entities[0].get()), nullptr);
    EXPECT_NE(dynamic_cast<Enemy*>(level.entities[1].get()), nullptr);
    EXPECT_NE(dynamic_cast<Bird*>(level.entities[2].get()), nullptr);
    EXPECT_EQ(world.GetBodyCount(), 2);
    EXPECT_THAT(out, HasSubstr("LevelLoader: Loaded 3 entities from " + path + "\n"));

    // The world the valid records went into still steps to finite positions.
    for (int step = 0; step < 60; ++step) {
        world.Step(1.0f / 60.0f, 8, 3);
    }
    for (const b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        EXPECT_TRUE(std::isfinite(body->GetPosition().x) && std::isfinite(body->GetPosition().y));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, BrokenLevelFileTest, ::testing::ValuesIn(BROKEN_RECORDS),
                         [](const auto& info) { return std::string(info.param.name); });

using LevelFileLimitsTest = LevelFileFixture;

TEST_F(LevelFileLimitsTest, BoundaryValuesAndSignedNumbersStillLoad) {
    Level level = load("BLOCK LONG_WOOD -10000 +10000 1 2000\n"
                       "ENEMY 10000 -1e4 1000000\n"
                       "PUPPET_ENEMY 0 0 1\n"
                       "BIRD NORMAL 100000\n"
                       "BIRD SPLIT +1\n");
    EXPECT_EQ(err, "");
    ASSERT_EQ(level.entities.size(), 5u);
    const auto* block = dynamic_cast<Block*>(level.entities[0].get());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->width, 1.0f);
    EXPECT_EQ(block->height, 2000.0f);
    EXPECT_THAT(out,
                HasSubstr("LevelLoader: Added LONG_WOOD BLOCK at (-10000, 10000) size 1x2000\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added ENEMY at (10000, -10000) with health 1e+06\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added NORMAL BIRD with id 100000\n"));
    EXPECT_THAT(out, HasSubstr("LevelLoader: Added SPLIT BIRD with id 1\n"));
}

TEST_F(LevelFileLimitsTest, ALevelWithoutBirdsOrEnemiesStillLoads) {
    Level level = load("BLOCK LONG_WOOD 700 520 120 20\nENEMY 760 nan\nBIRD NORMAL -1\n");
    EXPECT_EQ(level.entities.size(), 1u);
    EXPECT_TRUE(level.allEnemiesDead());
    EXPECT_THAT(err, HasSubstr("ENEMY on line 2"));
    EXPECT_THAT(err, HasSubstr("BIRD on line 3"));
}

TEST_F(LevelFileLimitsTest, RecordsBeyondTheEntityLimitAreSkipped) {
    std::string contents = "BACKGROUND game_bg_1\n";
    for (std::size_t i = 0; i < LevelLoader::MAX_ENTITIES + 3; ++i) {
        contents += i % 2 == 0 ? "BIRD NORMAL 1\n" : "ENEMY " + std::to_string(i * 30) + " 0\n";
    }
    Level level = load(contents);
    EXPECT_EQ(level.entities.size(), LevelLoader::MAX_ENTITIES);
    const std::string limit =
        "the level already holds " + std::to_string(LevelLoader::MAX_ENTITIES) + " entities\n";
    std::size_t warnings = 0;
    for (std::size_t at = err.find(limit); at != std::string::npos; at = err.find(limit, at + 1)) {
        ++warnings;
    }
    EXPECT_EQ(warnings, 3u);
    EXPECT_THAT(err, HasSubstr("Skipping BIRD on line " +
                               std::to_string(LevelLoader::MAX_ENTITIES + 2) + " of "));
}

TEST_F(LevelFileLimitsTest, AnOversizedFileIsReadOnlyUpToItsLimitAndWholeLines) {
    // One long valid line ending 5 bytes short of the limit, then a record
    // that the limit cuts in half.
    const std::string head = "BACKGROUND ";
    std::string contents = head + std::string(LevelLoader::MAX_FILE_BYTES - 6 - head.size(), 'k');
    contents += "\nBIRD NORMAL 7\n";
    contents += "BLOCK LONG_WOOD 100 200 40 40\n";
    contents += std::string(1 << 20, 'x'); // a megabyte without a line break
    Level level = load(contents);
    EXPECT_THAT(err, HasSubstr(" is longer than " + std::to_string(LevelLoader::MAX_FILE_BYTES) +
                               " bytes; the rest of it is ignored.\n"));
    EXPECT_EQ(err.find("Unknown entity type"), std::string::npos);
    EXPECT_TRUE(level.entities.empty()) << "the cut-off BIRD line must not load as a bird";
    EXPECT_THAT(out, HasSubstr("LevelLoader: Loaded 0 entities from "));
}

} // namespace

// A file whose every enemy (or every bird) is broken still gives a level the
// game plays by its rules for that case.
class BrokenLevelInTheGame : public ::testing::Test {
protected:
    void play(const std::string& name, const std::string& contents) {
        ::testing::internal::CaptureStderr();
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile(name, contents));
        ::testing::internal::GetCapturedStderr();
    }

    std::string runFor(float seconds) {
        ::testing::internal::CaptureStdout();
        for (float t = 0.0f; t < seconds; t += 0.1f) {
            game->updatePlaying(0.1f);
        }
        return ::testing::internal::GetCapturedStdout();
    }

    std::unique_ptr<Game> game;
};

TEST_F(BrokenLevelInTheGame, NoValidEnemyMeansTheLevelIsWon) {
    play("no_enemy", "BIRD NORMAL 1\nENEMY 900 nan\nARMED_ENEMY 900 540 0\n");
    EXPECT_NE(game->birdOnSlingshot, nullptr);
    EXPECT_NE(runFor(2.5f).find("Level completed!"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, LevelComplete);
}

TEST_F(BrokenLevelInTheGame, NoValidBirdMeansTheLevelIsLost) {
    play("no_bird", "BIRD NORMAL 0\nBIRD SPLIT 24748375\nENEMY 900 540\n");
    EXPECT_EQ(game->birdOnSlingshot, nullptr);
    EXPECT_NE(runFor(2.0f).find("Game Over! No birds left."), std::string::npos);
    EXPECT_EQ(game->stateManager.state, Playing);
}

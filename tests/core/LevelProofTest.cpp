#include "core/LevelProof.h"
#include "core/LevelProofJob.h"
#include "core/OwnLevelList.h"
#include "core/Replay.h"
#include "core/ReplayPlayer.h"

#include "BuildPaths.h"
#include "TemporaryDirectory.h"

#include <chrono>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <thread>

// A level's proof plays it bare: these keep the search and the player
// model small, so each proof takes a moment even on a busy machine.
namespace {

std::string shippedLevel(int number) {
    std::ifstream in(std::string(VOLLARIN_SOURCE_DIR) + "/resources/levels/level" +
                         std::to_string(number) + ".txt",
                     std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

LevelProof::Limits quick() {
    LevelProof::Limits limits;
    limits.searchRuns = 120;
    limits.modelPlays = 4;
    return limits;
}

TEST(LevelProof, ProvesAShippedLevelWithAReplayThatScoresTheVerdictOnASavedCopy) {
    const std::string level = shippedLevel(1);
    ASSERT_FALSE(level.empty());
    const ProofVerdict verdict = LevelProof(quick()).run(level);
    ASSERT_TRUE(verdict.proven) << verdict.reason;
    EXPECT_TRUE(verdict.stands);
    EXPECT_TRUE(verdict.allInView);
    EXPECT_TRUE(verdict.winnable);
    EXPECT_GT(verdict.bestScore, 0);
    EXPECT_GE(verdict.stars, 1);
    EXPECT_EQ(verdict.modelPlays, 4);

    // The player's copy of the level, wherever it is kept, plays the
    // solution: a player level is known by its content alone.
    const TemporaryDirectory dir;
    const std::string copy = (dir.path / "mine.txt").string();
    std::ofstream(copy, std::ios::binary) << level;
    std::string why;
    const std::optional<Replay> replay = Replay::decode(verdict.solutionReplay, why);
    ASSERT_TRUE(replay) << why;
    EXPECT_EQ(replay->levelNumber, LevelProof::PLAYER_LEVEL_NUMBER);
    const std::optional<ReplayPlayer::Result> result = ReplayPlayer::playBare(*replay, copy, why);
    ASSERT_TRUE(result) << why;
    EXPECT_TRUE(result->won);
    EXPECT_EQ(result->score, verdict.bestScore);
    EXPECT_EQ(result->stars, verdict.stars);
}

struct BadLevel {
    const char* name;
    const char* level;
    const char* reason;
};

class UnprovenLevel : public ::testing::TestWithParam<BadLevel> {};

TEST_P(UnprovenLevel, IsRefusedWithItsReason) {
    std::vector<ProofProgress> heard;
    const ProofVerdict verdict = LevelProof(quick()).run(
        GetParam().level, [&](const ProofProgress& progress) { heard.push_back(progress); });
    EXPECT_FALSE(verdict.proven);
    EXPECT_FALSE(verdict.cancelled);
    EXPECT_THAT(verdict.reason, ::testing::HasSubstr(GetParam().reason));
    EXPECT_TRUE(verdict.solutionReplay.empty());
    // The bar is told the proof is over either way.
    ASSERT_FALSE(heard.empty());
    EXPECT_FLOAT_EQ(heard.back().fraction, 1.0f);
}

INSTANTIATE_TEST_SUITE_P(
    LevelProof, UnprovenLevel,
    ::testing::Values(
        BadLevel{"FallsDown", "BLOCK TALL_WOOD 700 200 20 80\nENEMY 710 540\nBIRD NORMAL 1\n",
                 "does not stand still"},
        BadLevel{"EnemyOutOfView", "ENEMY 1300 540\nBIRD NORMAL 1\n",
                 "not everything starts in view"},
        BadLevel{"NoBirds", "ENEMY 710 540\n", "no birds"},
        // Behind the slingshot, where no throw goes.
        BadLevel{"UnreachableEnemy", "ENEMY -60 540\nBIRD NORMAL 1\n", "no win found"},
        BadLevel{"NotALevel", "\x01\x02 garbage\nBLOCK\n", "no birds"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LevelProofJob, FinishesOnItsWorkerKeepsTheVerdictBesideTheLevelAndHandsItOverOnce) {
    const TemporaryDirectory dir;
    const std::string saved = (dir.path / "mine.txt").string();
    const std::string level = shippedLevel(1);
    std::ofstream(saved, std::ios::binary) << level;
    LevelProofJob job(level, quick(), saved);
    while (!job.finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_FLOAT_EQ(job.progress().fraction, 1.0f);
    const std::optional<ProofVerdict> verdict = job.take();
    ASSERT_TRUE(verdict);
    EXPECT_TRUE(verdict->proven) << verdict->reason;
    EXPECT_FALSE(job.take());
    const std::optional<ProofVerdict> kept =
        OwnLevelList::readVerdict(saved, *Replay::levelFileHash(saved));
    ASSERT_TRUE(kept);
    EXPECT_TRUE(kept->proven);
    EXPECT_EQ(kept->bestScore, verdict->bestScore);
}

TEST(LevelProofJob, CancelledWhileRunningStopsAndSaysSo) {
    // The full proof: far longer than it takes to ask it to stop.
    LevelProofJob job(shippedLevel(7));
    job.cancel();
    while (!job.finished()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    const std::optional<ProofVerdict> verdict = job.take();
    ASSERT_TRUE(verdict);
    EXPECT_TRUE(verdict->cancelled);
    EXPECT_FALSE(verdict->proven);
}

} // namespace

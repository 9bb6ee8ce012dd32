#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "TemporaryDirectory.h"
#include "core/Attempt.h"
#include "core/QuietOutput.h"
#include "core/Replay.h"
#include "core/ReplayPlayer.h"
#include "core/ReplayShelf.h"
#include "core/SimulationFingerprint.h"
#include "level/ShippedLevels.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <limits>

// Replays: what an attempt records, the file it becomes, and how a replay
// from outside is refused or played.
namespace {

// A level's stored winning shots, played bare as the level checker plays them.
Attempt& playStoredShots(Attempt& attempt, int levelNumber) {
    const QuietOutput quiet;
    ShotDriver driver(attempt);
    driver.startLevel(levelNumber - 1);
    const auto shots = SolutionFile::read(SolutionFile::pathFor(levelNumber));
    driver.play(shots.value_or(std::vector<Shot>{}),
                FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
    return attempt;
}

Replay sampleReplay() {
    Replay replay;
    replay.gameVersion = "1.2.3";
    replay.fingerprint = 0x0123456789abcdefull;
    replay.levelHash = 0xfedcba9876543210ull;
    replay.levelNumber = 4;
    replay.inputs = {{ReplayInput::Kind::Press, 15, {48.0f, 495.0f}},
                     {ReplayInput::Kind::Pull, 15, {-61.25f, 540.5f}},
                     {ReplayInput::Kind::Release, 15, {}},
                     {ReplayInput::Kind::Special, 40, {}},
                     {ReplayInput::Kind::Press, 300, {48.0f, 495.0f}}};
    return replay;
}

TEST(ReplayFileTest, EncodesAndDecodesEveryFieldExactly) {
    const Replay replay = sampleReplay();
    std::string why;
    const std::optional<Replay> decoded = Replay::decode(replay.encode(), why);
    ASSERT_TRUE(decoded) << why;
    EXPECT_EQ(decoded->gameVersion, replay.gameVersion);
    EXPECT_EQ(decoded->fingerprint, replay.fingerprint);
    EXPECT_EQ(decoded->levelHash, replay.levelHash);
    EXPECT_EQ(decoded->levelNumber, replay.levelNumber);
    EXPECT_EQ(decoded->inputs, replay.inputs);
}

TEST(ReplayFileTest, RefusesEveryTruncationAndEveryTrailingByte) {
    const std::string bytes = sampleReplay().encode();
    for (std::size_t length = 0; length < bytes.size(); ++length) {
        std::string why;
        EXPECT_FALSE(Replay::decode(bytes.substr(0, length), why)) << length;
        EXPECT_FALSE(why.empty());
    }
    std::string why;
    EXPECT_FALSE(Replay::decode(bytes + '\0', why));
}

TEST(ReplayFileTest, RefusesValuesOutsideTheirBounds) {
    auto refused = [](const Replay& replay) {
        std::string why;
        return !Replay::decode(replay.encode(), why).has_value();
    };
    Replay backwards = sampleReplay();
    backwards.inputs[3].step = 10; // before the input ahead of it
    EXPECT_TRUE(refused(backwards));
    Replay endless = sampleReplay();
    endless.inputs.back().step = Replay::MAX_STEP + 1;
    EXPECT_TRUE(refused(endless));
    Replay notANumber = sampleReplay();
    notANumber.inputs[1].point.x = std::numeric_limits<float>::quiet_NaN();
    EXPECT_TRUE(refused(notANumber));
    Replay farAway = sampleReplay();
    farAway.inputs[0].point.y = 1e9f;
    EXPECT_TRUE(refused(farAway));
    Replay noLevel = sampleReplay();
    noLevel.levelNumber = 0;
    EXPECT_TRUE(refused(noLevel));
    Replay unprintable = sampleReplay();
    unprintable.gameVersion = "1.0\n";
    EXPECT_TRUE(refused(unprintable));

    std::string bytes = sampleReplay().encode();
    std::string why;
    EXPECT_FALSE(Replay::decode("XRPL" + bytes.substr(4), why));
    bytes[4] = static_cast<char>(Replay::FORMAT_VERSION + 1);
    EXPECT_FALSE(Replay::decode(bytes, why));
    EXPECT_NE(why.find("format"), std::string::npos) << why;
    // An input kind the format does not know.
    std::string unknownKind = sampleReplay().encode();
    const std::size_t firstInput = 4 + 1 + 1 + 5 + 8 + 8 + 1 + 2;
    unknownKind[firstInput] = 9;
    EXPECT_FALSE(Replay::decode(unknownKind, why));
}

TEST(ReplayFileTest, IsWrittenAndReadBackWhole) {
    const TemporaryDirectory folder;
    const std::string path = (folder.path / "a.vrpl").string();
    ASSERT_EQ(sampleReplay().writeFile(path), "");
    std::string why;
    const auto read = Replay::readFile(path, why);
    ASSERT_TRUE(read) << why;
    EXPECT_EQ(read->inputs, sampleReplay().inputs);
    EXPECT_FALSE(Replay::readFile((folder.path / "missing.vrpl").string(), why));
    // A file far larger than any replay is refused without reading it all.
    std::ofstream(path, std::ios::binary) << std::string(Replay::MAX_FILE_BYTES * 4, 'V');
    EXPECT_FALSE(Replay::readFile(path, why));
}

TEST(AttemptRecordingTest, KeepsOnlyTheInputsThatChangeTheWorldStampedWithTheirStep) {
    Attempt attempt;
    const QuietOutput quiet;
    attempt.start(ShippedLevels::path(1));
    for (int i = 0; i < 5; ++i) {
        attempt.step();
    }
    // No bird is in flight: the special does nothing and is not kept.
    attempt.activateSpecial();
    attempt.press(attempt.bandRestPos);
    for (int i = 0; i < 10; ++i) {
        attempt.pull(attempt.slingshotPos + sf::Vector2f(-3.0f * static_cast<float>(i), 2.0f));
        attempt.step();
    }
    attempt.release();
    // Nothing is pulled any more: a second release launches nothing.
    attempt.release();

    const std::vector<ReplayInput>& inputs = attempt.recordedInputs();
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0].kind, ReplayInput::Kind::Press);
    EXPECT_EQ(inputs[0].step, 5u);
    // A drag is one record: its last point, at its last step.
    EXPECT_EQ(inputs[1].kind, ReplayInput::Kind::Pull);
    EXPECT_EQ(inputs[1].step, 14u);
    EXPECT_EQ(inputs[1].point, attempt.slingshotPos + sf::Vector2f(-27.0f, 2.0f));
    EXPECT_EQ(inputs[2].kind, ReplayInput::Kind::Release);
    EXPECT_EQ(inputs[2].step, 15u);
    EXPECT_TRUE(attempt.turnActive);
}

// Every stored win, played bare and recorded, plays again from its file to
// the same step, verdict, score, stars and final positions; and the file is
// small.
class StoredWinReplay : public ::testing::TestWithParam<int> {};

TEST_P(StoredWinReplay, PlaysBackToTheSameEnd) {
    const int level = GetParam();
    Attempt played;
    playStoredShots(played, level);
    ASSERT_TRUE(played.won());
    const std::string bytes = played.replay(level).encode();
    EXPECT_LT(bytes.size(), 1024u);

    std::string why;
    const auto replay = Replay::decode(bytes, why);
    ASSERT_TRUE(replay) << why;
    Attempt again;
    const QuietOutput quiet;
    again.start(ShippedLevels::path(level));
    ReplayPlayer player(*replay, again);
    while (player.step()) {
    }
    EXPECT_TRUE(again.won());
    EXPECT_EQ(again.stepsTaken(), played.stepsTaken());
    EXPECT_EQ(again.score(), played.score());
    EXPECT_EQ(again.stars(), played.stars());
    EXPECT_EQ(ShotDriver::bodyPoses(again), ShotDriver::bodyPoses(played));
    EXPECT_EQ(again.recordedInputs(), played.recordedInputs());
}

INSTANTIATE_TEST_SUITE_P(ShippedLevels, StoredWinReplay, ::testing::Range(1, 8),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

TEST(ReplayPlayerTest, RefusesOtherSimulationsAndOtherLevelContent) {
    Attempt played;
    playStoredShots(played, 2);
    const Replay replay = played.replay(2);
    std::string why;
    ASSERT_TRUE(ReplayPlayer::playBare(replay, ShippedLevels::path(2), why)) << why;

    Replay otherBuild = replay;
    otherBuild.fingerprint ^= 1;
    EXPECT_FALSE(ReplayPlayer::playBare(otherBuild, ShippedLevels::path(2), why));
    EXPECT_NE(why.find("fingerprint"), std::string::npos) << why;

    // Level 2's inputs against level 3's file.
    EXPECT_FALSE(ReplayPlayer::playBare(replay, ShippedLevels::path(3), why));
    EXPECT_NE(why.find("level 2"), std::string::npos) << why;

    const TemporaryDirectory folder;
    const std::string edited = (folder.path / "level2.txt").string();
    std::ifstream original(ShippedLevels::path(2), std::ios::binary);
    std::ofstream(edited, std::ios::binary) << original.rdbuf() << "\n";
    EXPECT_FALSE(ReplayPlayer::playBare(replay, edited, why));
}

TEST(ReplayPlayerTest, ReportsTheSameOutcomeAsTheAttemptThatWasRecorded) {
    Attempt played;
    playStoredShots(played, 5);
    std::string why;
    const QuietOutput quiet;
    const auto result = ReplayPlayer::playBare(played.replay(5), ShippedLevels::path(5), why);
    ASSERT_TRUE(result) << why;
    EXPECT_EQ(result->levelNumber, 5);
    EXPECT_TRUE(result->won);
    EXPECT_EQ(result->score, played.score());
    EXPECT_EQ(result->stars, played.stars());
}

TEST(SimulationFingerprintTest, IsTheSameOnEveryRunOfOneBuild) {
    EXPECT_EQ(SimulationFingerprint::compute(), SimulationFingerprint::compute());
    EXPECT_EQ(SimulationFingerprint::ofThisBuild(), SimulationFingerprint::compute());
}

TEST(ReplayShelfTest, KeepsTheLastAttemptAndTheBestWin) {
    const TemporaryDirectory folder;
    const ReplayShelf shelf(folder.path / "replays");
    const std::string level = ShippedLevels::path(1);
    Attempt won;
    playStoredShots(won, 1);
    ASSERT_TRUE(won.won());

    // A lost attempt of no inputs: kept as the last, never as the best.
    Attempt lost;
    lost.start(level);
    EXPECT_EQ(shelf.keep(lost.replay(1), false, 0, level), "");
    std::string why;
    EXPECT_TRUE(Replay::readFile(shelf.lastPath(1), why));
    EXPECT_FALSE(shelf.best(1));

    EXPECT_EQ(shelf.keep(won.replay(1), true, won.score(), level), "");
    ASSERT_TRUE(shelf.best(1));
    EXPECT_EQ(shelf.best(1)->inputs, won.recordedInputs());

    // A win claiming fewer points than the kept best replays to leaves it.
    Replay lesser = lost.replay(1);
    EXPECT_EQ(shelf.keep(lesser, true, won.score() - 1, level), "");
    EXPECT_EQ(shelf.best(1)->inputs, won.recordedInputs());
    EXPECT_EQ(Replay::readFile(shelf.lastPath(1), why)->inputs, lesser.inputs);

    // A best that no longer plays (another build) gives way to any win.
    Replay foreign = won.replay(1);
    foreign.fingerprint ^= 1;
    ASSERT_EQ(foreign.writeFile(shelf.bestPath(1)), "");
    EXPECT_EQ(shelf.keep(lesser, true, 1, level), "");
    EXPECT_EQ(shelf.best(1)->fingerprint, SimulationFingerprint::ofThisBuild());
}

} // namespace

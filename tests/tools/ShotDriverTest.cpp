#include "core/Game.h"

#include "BuildPaths.h"
#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include <gtest/gtest.h>
#include <optional>
#include <sstream>

// The stored winning shots of every level, replayed through the real
// Game::update at frame rates other than the 60 Hz they were found at, must
// do exactly what they did there: same step count, score and survivors, and
// every body in the same place to the last bit.
namespace {

std::vector<Shot> storedShots(int number) {
    const auto shots =
        SolutionFile::read(std::string(VOLLARIN_SOURCE_DIR) + "/resources/levels/level" +
                           std::to_string(number) + ".solution");
    return shots.value_or(std::vector<Shot>{});
}

class StoredShots : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        ::testing::internal::CaptureStdout();
        game = ShotDriver::makeGame();
    }
    void TearDown() override { ::testing::internal::GetCapturedStdout(); }

    std::unique_ptr<Game> game;
};

TEST_P(StoredShots, DoTheSameAtEveryFrameRate) {
    const std::vector<Shot> shots = storedShots(GetParam());
    ASSERT_FALSE(shots.empty());
    ShotDriver driver(*game);
    driver.startLevel(GetParam() - 1);
    const Outcome reference = driver.play(shots, FrameSequence::steady(1.0f / 60.0f, "60 Hz"));
    const std::vector<BodyPose> referencePoses = driver.bodyPoses();
    ASSERT_TRUE(reference.won);

    // A seed of its own, so the checker's uneven sequence is not the only one.
    for (FrameSequence frames :
         {FrameSequence::steady(1.0f / 30.0f, "30 Hz"),
          FrameSequence::steady(1.0f / 144.0f, "144 Hz"),
          FrameSequence::uneven(7u, 1.0f / 240.0f, 1.0f / 20.0f, 40, 0.4f, "uneven")}) {
        SCOPED_TRACE(frames.name());
        driver.startLevel(GetParam() - 1);
        const Outcome outcome = driver.play(shots, frames);
        EXPECT_TRUE(outcome.won);
        EXPECT_EQ(outcome.steps, reference.steps);
        EXPECT_EQ(outcome.score, reference.score);
        EXPECT_EQ(outcome.enemiesAlive, reference.enemiesAlive);
        EXPECT_TRUE(driver.bodyPoses() == referencePoses) << "bodies ended elsewhere";
    }
}

INSTANTIATE_TEST_SUITE_P(ShippedLevels, StoredShots, ::testing::Range(1, 8),
                         [](const auto& info) { return "level" + std::to_string(info.param); });

TEST(ShotDriverTest, LandsOnTheAskedStepWhateverTheFrames) {
    ::testing::internal::CaptureStdout();
    auto game = ShotDriver::makeGame();
    ShotDriver driver(*game);
    driver.startLevel(0);
    // A stall first, then frames of up to three steps: each mark is met exactly.
    FrameSequence frames =
        FrameSequence::uneven(3u, 1.0f / 240.0f, 1.0f / 20.0f, 0, 0.4f, "uneven");
    for (std::uint64_t mark : {7u, 8u, 30u, 31u, 45u, 200u}) {
        ASSERT_TRUE(driver.advanceTo(mark, frames));
        EXPECT_EQ(driver.stepsSinceStart(), mark);
    }
    ::testing::internal::GetCapturedStdout();
}

// On the second level a low, hard first shot knocks the helmeted enemy off
// its tower and it rolls all the way back to the slingshot, into the bird
// waiting there. That bird was never thrown: it must not count as one. It
// is an obstacle like the ground, so the enemy may still come to grief
// against it, by the impact rules, but never as "killed by bird".
TEST(ShotDriverTest, AnEnemyRollingIntoTheWaitingBirdIsNotKilledByIt) {
    ::testing::internal::CaptureStdout();
    auto game = ShotDriver::makeGame();
    ShotDriver driver(*game);
    driver.startLevel(1);
    // Pulled 140 px back and 35 px down from the slingshot.
    const Shot lowAndHard{14.036f, 144.31f, Shot::NO_SPECIAL};
    driver.play(
        [&](std::size_t index) {
            return index == 0 ? std::optional<Shot>(lowAndHard) : std::nullopt;
        },
        FrameSequence::steady(Game::STEP_SECONDS, "60 Hz"));
    // The enemy takes its time rolling back; the game waits with it.
    FrameSequence frames = FrameSequence::steady(Game::STEP_SECONDS, "60 Hz");
    driver.advanceTo(driver.stepsSinceStart() + 12 * 60, frames);
    const std::string log = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("Armed Enemy killed by bird!"), std::string::npos) << log;
}

} // namespace

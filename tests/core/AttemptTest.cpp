#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "assets/SoundManager.h"
#include "core/Attempt.h"
#include "core/QuietOutput.h"

#include <gtest/gtest.h>
#include <map>

// An attempt run without the game: what it lets out besides its numbers.
namespace {

// Plays a level's stored winning shots in `attempt`, bare.
void playStoredShots(Attempt& attempt, int levelNumber) {
    const QuietOutput quiet;
    ShotDriver driver(attempt);
    driver.startLevel(levelNumber - 1);
    const auto shots = SolutionFile::read(SolutionFile::pathFor(levelNumber));
    ASSERT_TRUE(shots);
    driver.play(*shots, FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
}

// The sounds a run asks for go to whoever fills the hooks, and only there:
// the game's speakers never hear a thing from a bare run, even with every
// effect loaded and ready to play.
TEST(AttemptSoundTest, EveryEffectGoesThroughTheHooksAndNeverStraightToTheSpeakers) {
    SoundManager& speakers = SoundManager::getInstance();
    {
        const QuietOutput quiet;
        speakers.loadAllSounds();
    }
    ASSERT_FALSE(speakers.buffers.empty());
    const int startedBefore = speakers.soundsStarted();

    std::map<int, int> full;
    std::map<int, int> impacts;
    Attempt::Hooks hooks;
    hooks.sound = [&](int id) { ++full[id]; };
    hooks.impact = [&](int id, float impulse) {
        EXPECT_GT(impulse, 0.0f);
        ++impacts[id];
    };
    Attempt heard(nullptr, hooks);
    playStoredShots(heard, 1);
    ASSERT_TRUE(heard.won());
    EXPECT_GT(full[SlingshotPull], 0);
    EXPECT_GT(full[BirdLaunch], 0);
    // The contact rules' own sounds: a kill, and blocks knocking together.
    EXPECT_GT(full[EnemyDeath], 0);
    EXPECT_GT(impacts[BlockHit] + impacts[EnemyHit], 0);

    // Unheard: the same run, with no hooks at all, reaches the same end.
    Attempt bare;
    playStoredShots(bare, 1);
    EXPECT_EQ(bare.score(), heard.score());
    EXPECT_EQ(speakers.soundsStarted(), startedBefore);
}

} // namespace

#include "ReplayEquivalence.h"
#include "SolutionFile.h"
#include "core/ShotDriver.h"

#include "core/Game.h"
#include "core/QuietOutput.h"

#include <gtest/gtest.h>
#include <sstream>

// What the game records while it is played through its frame loop, at 60,
// 30 and 144 frames a second and at uneven frames, replays bare with no
// window to the same end. The level checker's --equivalence runs the same
// check over many more attempts.
namespace {

TEST(ReplayEquivalenceTest, GameRecordingsReplayBareToTheSameEnd) {
    std::ostringstream log;
    const QuietOutput quiet;
    const std::unique_ptr<Game> game = ShotDriver::makeGame();
    ShotDriver driver(*game);
    ReplayEquivalence check(driver, log);
    check.check(7, SolutionFile::read(SolutionFile::pathFor(7)).value_or(std::vector<Shot>{}));
    check.checkRandom(7, 2026);
    EXPECT_EQ(check.attempts, 8 * 4);
    EXPECT_EQ(check.mismatches, 0) << log.str();
    EXPECT_LT(check.largestReplayBytes, 1024u);
}

} // namespace

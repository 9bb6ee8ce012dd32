#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "TemporaryDirectory.h"
#include "assets/Narration.h"
#include "core/Attempt.h"
#include "core/QuietOutput.h"
#include "core/ReplayKeeper.h"
#include "level/ShippedLevels.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

// Keeping replays off the frame loop: what the worker writes is what a
// reload reads, nothing asked for is lost, and its replays say nothing.
namespace {

// Level 1 won by its stored shots, and lost by throwing nothing.
class ReplayKeeperTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QuietOutput quiet;
        Attempt attempt;
        ShotDriver driver(attempt);
        driver.startLevel(0);
        driver.play(*SolutionFile::read(SolutionFile::pathFor(1)),
                    FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
        ASSERT_TRUE(attempt.won());
        won = attempt.replay(1);
        wonScore = attempt.score();
        attempt.start(level);
        lost = attempt.replay(1);
    }

    const std::string level = ShippedLevels::path(1);
    TemporaryDirectory folder;
    Replay won;
    Replay lost;
    int wonScore = 0;
};

// Gone with keeps still waiting, the keeper has finished them all, in order:
// a reload reads the last attempt asked for, and the best win.
TEST_F(ReplayKeeperTest, FinishesEveryKeepInOrderBeforeItGoes) {
    const ReplayShelf shelf(folder.path / "replays");
    {
        ReplayKeeper keeper;
        keeper.keep(shelf, won, true, wonScore, level);
        keeper.keep(shelf, lost, false, 0, level);
    }
    ASSERT_TRUE(shelf.best(1));
    EXPECT_EQ(shelf.best(1)->inputs, won.inputs);
    std::string why;
    const std::optional<Replay> last = Replay::readFile(shelf.lastPath(1), why);
    ASSERT_TRUE(last) << why;
    EXPECT_EQ(last->inputs, lost.inputs);
}

TEST_F(ReplayKeeperTest, HandsBackWhatFailedOnTheAskingThread) {
    // A file where the folder should be: nothing can be kept there.
    const std::filesystem::path blocked = folder.path / "not-a-folder";
    std::ofstream(blocked) << "x";
    ReplayKeeper keeper;
    keeper.keep(ReplayShelf(blocked), won, true, wonScore, level);
    keeper.waitIdle();
    const ReplayKeeper::Finished finished = keeper.takeFinished();
    ASSERT_EQ(finished.failures.size(), 1u);
    EXPECT_NE(finished.failures[0].find("not-a-folder"), std::string::npos) << finished.failures[0];
    // Taken once.
    EXPECT_TRUE(keeper.takeFinished().failures.empty());
}

// The worker plays the kept best again (to compare scores, and for the
// ghost); none of that reaches standard output, and the asking thread's own
// narration still does.
TEST_F(ReplayKeeperTest, ItsReplaysStayQuietWhileTheGameGoesOnTalking) {
    const ReplayShelf shelf(folder.path / "replays");
    ReplayKeeper keeper;
    keeper.keep(shelf, won, true, wonScore, level);
    keeper.waitIdle();

    std::ostringstream captured;
    std::streambuf* const saved = std::cout.rdbuf(captured.rdbuf());
    keeper.keep(shelf, won, true, wonScore, level);
    keeper.traceBest(shelf, 1, level);
    Narration::out() << "the game's own line\n";
    keeper.waitIdle();
    std::cout.rdbuf(saved);

    EXPECT_EQ(captured.str(), "the game's own line\n");
    const ReplayKeeper::Finished finished = keeper.takeFinished();
    ASSERT_TRUE(finished.ghost);
    EXPECT_EQ(finished.ghost->levelNumber, 1);
    EXPECT_FALSE(finished.ghost->shots.empty());
}

} // namespace

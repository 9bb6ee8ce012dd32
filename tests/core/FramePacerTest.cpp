#include "core/FramePacer.h"

#include <gtest/gtest.h>

#include <vector>

// The frame limit on a clock of the test's own: each frame's drawing time is
// added by hand, and a sleep moves the clock by what was asked plus however
// long the test says sleeps overrun.

namespace {

using namespace std::chrono_literals;
using Clock = FramePacer::Clock;

struct FakeTime {
    Clock::time_point now{};
    Clock::duration overrun{0};
    std::vector<Clock::duration> sleeps;

    FramePacer pacer(int limit) {
        FramePacer paced([this] { return now; },
                         [this](Clock::duration span) {
                             sleeps.push_back(span);
                             now += span + overrun;
                         });
        paced.setLimit(limit);
        return paced;
    }
};

// Frames started in one second of the fake clock, each drawn in `drawing`.
int framesInASecond(FakeTime& time, FramePacer& pacer, Clock::duration drawing) {
    int frames = 0;
    const Clock::time_point end = time.now + 1s;
    while (time.now < end) {
        time.now += drawing;
        pacer.frameDone();
        ++frames;
    }
    return frames;
}

TEST(FramePacer, HoldsTheRateWhateverTheDrawingTimeAndTheSleepsOverrun) {
    for (const auto overrun : {Clock::duration(0ms), Clock::duration(3ms)}) {
        for (const int limit : {30, 60, 144}) {
            FakeTime time;
            time.overrun = overrun;
            FramePacer pacer = time.pacer(limit);
            framesInASecond(time, pacer, 1ms); // settles on its schedule
            EXPECT_NEAR(framesInASecond(time, pacer, 1ms), limit, 1)
                << limit << " a second, sleeps " << overrun.count() << " ns long";
        }
    }
}

TEST(FramePacer, ALateFrameStartsAFreshScheduleWithoutABurstToCatchUp) {
    FakeTime time;
    FramePacer pacer = time.pacer(50); // 20 ms a frame
    pacer.frameDone();
    time.now += 5ms;
    pacer.frameDone();
    ASSERT_EQ(time.sleeps.size(), 1u);
    EXPECT_EQ(time.sleeps.back(), 15ms);

    time.now += 200ms; // a window drag, a level load
    pacer.frameDone();
    EXPECT_EQ(time.sleeps.size(), 1u) << "late already: no sleep";
    time.now += 5ms;
    pacer.frameDone();
    ASSERT_EQ(time.sleeps.size(), 2u);
    EXPECT_EQ(time.sleeps.back(), 15ms) << "the next frame gets its whole share again";
}

TEST(FramePacer, NoLimitNeverSleepsAndANewLimitStartsOver) {
    FakeTime time;
    FramePacer pacer = time.pacer(0);
    EXPECT_GT(framesInASecond(time, pacer, 1ms), 900);
    EXPECT_TRUE(time.sleeps.empty());

    pacer.setLimit(10);
    EXPECT_EQ(pacer.limit(), 10);
    EXPECT_NEAR(framesInASecond(time, pacer, 1ms), 10, 1);
    pacer.setLimit(-5);
    EXPECT_EQ(pacer.limit(), 0);
    const std::size_t slept = time.sleeps.size();
    framesInASecond(time, pacer, 1ms);
    EXPECT_EQ(time.sleeps.size(), slept);
}

} // namespace

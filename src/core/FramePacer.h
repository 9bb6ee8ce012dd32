#pragma once

#include <chrono>
#include <functional>
#include <optional>

// Holds the frame loop to a chosen number of frames a second: once a frame
// has been presented, it sleeps until that frame's share of the second is
// spent. It keeps a schedule rather than timing each sleep from the last
// wake-up, so a sleep that runs a little long never lowers the rate; a frame
// that ran past its share starts a new schedule instead of being made up
// for with a burst of short frames. The clock and the sleep can be handed
// in, so that what the limit does can be checked on a clock of one's own.
class FramePacer {
public:
    using Clock = std::chrono::steady_clock;
    using Now = std::function<Clock::time_point()>;
    using Sleep = std::function<void(Clock::duration)>;

    // The steady clock and a real sleep.
    FramePacer();
    FramePacer(Now now, Sleep sleep);

    // Keeps the limit and starts a new schedule on the new clock.
    void setClock(Now now, Sleep sleep);
    // Frames per second; 0 or less leaves the frames unpaced.
    void setLimit(int framesPerSecond);
    int limit() const { return framesPerSecond; }

    // Called once a frame has been presented; returns when the next may start.
    void frameDone();

private:
    Now now;
    Sleep sleep;
    int framesPerSecond = 0;
    Clock::duration period{0};
    // When the last frame was due to end (or did, if it ran late).
    std::optional<Clock::time_point> lastFrameEnd;
};

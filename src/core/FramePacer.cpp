#include "core/FramePacer.h"

#include <thread>
#include <utility>

FramePacer::FramePacer()
    : FramePacer(&Clock::now, [](Clock::duration span) { std::this_thread::sleep_for(span); }) {}

FramePacer::FramePacer(Now now, Sleep sleep) : now(std::move(now)), sleep(std::move(sleep)) {}

void FramePacer::setClock(Now newNow, Sleep newSleep) {
    now = std::move(newNow);
    sleep = std::move(newSleep);
    lastFrameEnd.reset();
}

void FramePacer::setLimit(int rate) {
    framesPerSecond = rate > 0 ? rate : 0;
    period = rate > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(1)) / rate
                      : Clock::duration::zero();
    lastFrameEnd.reset();
}

void FramePacer::frameDone() {
    if (framesPerSecond == 0) {
        return;
    }
    const Clock::time_point current = now();
    if (!lastFrameEnd) {
        lastFrameEnd = current;
        return;
    }
    const Clock::time_point due = *lastFrameEnd + period;
    if (current < due) {
        sleep(due - current);
        lastFrameEnd = due;
    } else {
        lastFrameEnd = current;
    }
}

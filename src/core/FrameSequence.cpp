#include "core/FrameSequence.h"

FrameSequence FrameSequence::steady(float seconds, std::string name) {
    FrameSequence sequence;
    sequence.label = std::move(name);
    sequence.minSeconds = seconds;
    sequence.maxSeconds = seconds;
    return sequence;
}

FrameSequence FrameSequence::uneven(std::uint32_t seed, float minSeconds, float maxSeconds,
                                    int stallFrame, float stallSeconds, std::string name) {
    FrameSequence sequence;
    sequence.label = std::move(name);
    sequence.minSeconds = minSeconds;
    sequence.maxSeconds = maxSeconds;
    sequence.stallFrame = stallFrame;
    sequence.stallSeconds = stallSeconds;
    sequence.engine.seed(seed);
    return sequence;
}

std::vector<FrameSequence> FrameSequence::checkedSet() {
    return {steady(1.0f / 60.0f, "60 Hz"), steady(1.0f / 30.0f, "30 Hz"),
            steady(1.0f / 144.0f, "144 Hz"),
            uneven(20240611u, 1.0f / 240.0f, 1.0f / 20.0f, 90, 0.4f, "uneven")};
}

float FrameSequence::next() {
    const int index = frame++;
    if (index == stallFrame) {
        return stallSeconds;
    }
    if (minSeconds == maxSeconds) {
        return minSeconds;
    }
    // The engine's raw output is the same everywhere; the standard
    // distributions are not, so the mapping to a time is done here.
    const double unit = static_cast<double>(engine()) / 4294967296.0;
    return static_cast<float>(minSeconds + (maxSeconds - minSeconds) * unit);
}

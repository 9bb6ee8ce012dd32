#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

// Frame times to feed Game::update with, as players' machines produce them:
// a steady refresh rate, or an uneven seeded sequence with a stall in it.
// The same sequence always yields the same times, on every machine.
class FrameSequence {
public:
    static FrameSequence steady(float seconds, std::string name);
    // Uniform times between minSeconds and maxSeconds; frame number
    // stallFrame (counted from 0) lasts stallSeconds instead.
    static FrameSequence uneven(std::uint32_t seed, float minSeconds, float maxSeconds,
                                int stallFrame, float stallSeconds, std::string name);
    // The sequences every stored solution must win at: 60 Hz, 30 Hz, 144 Hz
    // and an uneven one between 240 Hz and 20 Hz with a 0.4 s stall.
    static std::vector<FrameSequence> checkedSet();

    float next();
    const std::string& name() const { return label; }

private:
    FrameSequence() = default;

    std::string label;
    float minSeconds = 0.0f;
    float maxSeconds = 0.0f;
    int stallFrame = -1;
    float stallSeconds = 0.0f;
    int frame = 0;
    std::mt19937 engine;
};

#pragma once

#include <cstdint>

// What this build's simulation computes, in 64 bits: a hash of the step
// constants and of every body's state after a short fixed run of the
// physics engine and of the maths functions the rules use. Two builds whose
// arithmetic differs anywhere (another compiler, other flags, another engine
// version) get different fingerprints, so a replay made by one is never
// played by the other to a wrong result.
class SimulationFingerprint {
public:
    // Runs the fixed simulation afresh.
    static std::uint64_t compute();
    // Computed once, on first use (the game asks at start-up).
    static std::uint64_t ofThisBuild();
};

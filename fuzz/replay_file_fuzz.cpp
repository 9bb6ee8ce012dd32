// Any bytes as a replay file: the reader must refuse them or give back a
// replay that encodes to the very same bytes, and any replay it accepts is
// played (briefly) against a shipped level as if it had been recorded there.

#include "FuzzSupport.h"

#include "core/Attempt.h"
#include "core/Replay.h"
#include "core/ReplayPlayer.h"
#include "core/SimulationFingerprint.h"
#include "level/ShippedLevels.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {
// Enough steps for a bird to be pulled, thrown and land.
constexpr int MAX_PLAYED_STEPS = 240;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::silenceGameLog();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string why;
    const std::optional<Replay> replay = Replay::decode(bytes, why);
    if (!replay) {
        if (why.empty()) {
            fuzz_support::fail("a refused replay without a reason");
        }
        return 0;
    }
    if (replay->encode() != bytes) {
        fuzz_support::fail("an accepted replay does not encode back to its bytes");
    }
    if (replay->inputs.size() > Replay::MAX_INPUTS) {
        fuzz_support::fail("more inputs than the format allows");
    }

    Replay playable = *replay;
    playable.levelNumber = 1;
    playable.fingerprint = SimulationFingerprint::ofThisBuild();
    playable.levelHash = Replay::levelFileHash(ShippedLevels::path(1)).value_or(0);
    Attempt attempt;
    attempt.start(ShippedLevels::path(1));
    ReplayPlayer player(playable, attempt);
    for (int i = 0; i < MAX_PLAYED_STEPS && player.step(); ++i) {
    }
    return 0;
}

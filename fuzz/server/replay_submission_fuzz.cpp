// A replay as a signed-in client submits it: a level number, a claimed score
// and base64 text, all chosen by the client. The verifier must answer every
// one without crashing, never verify a score it did not recompute, and give
// a reason whenever it does not verify.
//
// Input: one byte of level number, two of claimed score, one of mode, then
// the payload. In text mode the payload is the base64 text as sent. In replay
// mode it is a replay file's bytes: if they decode, they are stamped with
// this build's fingerprint and the chosen level's content hash before being
// encoded, so the fuzzer reaches the playing itself and not only the checks
// in front of it.

#include "core/Replay.h"
#include "core/SimulationFingerprint.h"
#include "level/ShippedLevels.h"
#include "online/Base64.h"
#include "server/ReplayVerifier.h"

#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {
constexpr std::size_t HEADER_BYTES = 4;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_support::silenceGameLog();
    if (size < HEADER_BYTES) {
        return 0;
    }
    static const backend::ReplayVerifier verifier;
    // A few numbers either side of the shipped range, as a client may send.
    const int levelNumber = static_cast<int>(data[0] % 32) - 4;
    const int claimedScore = static_cast<int>((data[1] << 8) | data[2]) - 1000;
    const bool replayMode = (data[3] & 1) != 0;
    const std::string_view payload(reinterpret_cast<const char*>(data) + HEADER_BYTES,
                                   size - HEADER_BYTES);

    std::string text(payload);
    if (replayMode) {
        std::string why;
        std::optional<Replay> replay = Replay::decode(payload, why);
        if (!replay) {
            return 0;
        }
        if (levelNumber >= 1 && levelNumber <= ShippedLevels::count()) {
            replay->levelNumber = levelNumber;
            replay->levelHash = Replay::levelFileHash(ShippedLevels::path(levelNumber)).value_or(0);
        }
        replay->fingerprint = SimulationFingerprint::ofThisBuild();
        text = Base64::encode(replay->encode());
    }

    const backend::ReplayVerifier::Outcome outcome =
        verifier.verifyEncoded(levelNumber, claimedScore, text);
    using Verdict = backend::ReplayVerifier::Verdict;
    if (outcome.verdict == Verdict::Verified && outcome.score != claimedScore) {
        fuzz_support::fail("a score was verified that the replay did not recompute to");
    }
    if (outcome.verdict != Verdict::Verified && outcome.reason.empty()) {
        fuzz_support::fail("a replay was turned down without a reason");
    }
    return 0;
}

#include "server/ReplayVerifier.h"

#include "core/Attempt.h"
#include "core/Replay.h"
#include "core/ReplayPlayer.h"
#include "core/SimulationFingerprint.h"
#include "level/ShippedLevels.h"
#include "online/Base64.h"

#include <sstream>

namespace backend {

namespace {

ReplayVerifier::Outcome refused(int score, std::string reason) {
    return {ReplayVerifier::Verdict::Refused, score, std::move(reason)};
}

std::string hex(std::uint64_t value) {
    std::ostringstream text;
    text << std::hex << value;
    return text.str();
}

} // namespace

ReplayVerifier::ReplayVerifier() : ReplayVerifier(&ShippedLevels::path) {}

ReplayVerifier::ReplayVerifier(LevelPath levelPath)
    : levelPath(levelPath ? std::move(levelPath) : LevelPath(&ShippedLevels::path)) {}

ReplayVerifier::Outcome ReplayVerifier::verifyEncoded(int levelNumber, int claimedScore,
                                                      std::string_view base64) const {
    if (base64.size() > Base64::encodedLength(MAX_REPLAY_BYTES)) {
        return refused(claimedScore,
                       "the replay is larger than " + std::to_string(MAX_REPLAY_BYTES) + " bytes");
    }
    const auto bytes = Base64::decode(base64, MAX_REPLAY_BYTES);
    if (!bytes) {
        return refused(claimedScore, "the replay is not base64");
    }
    return verify(levelNumber, claimedScore, *bytes);
}

ReplayVerifier::Outcome ReplayVerifier::verify(int levelNumber, int claimedScore,
                                               std::string_view replayBytes) const {
    if (replayBytes.size() > MAX_REPLAY_BYTES) {
        return refused(claimedScore,
                       "the replay is larger than " + std::to_string(MAX_REPLAY_BYTES) + " bytes");
    }
    std::string why;
    const auto replay = Replay::decode(replayBytes, why);
    if (!replay) {
        return refused(claimedScore, "the replay cannot be read: " + why);
    }
    if (replay->levelNumber != levelNumber) {
        return refused(claimedScore, "the replay is of level " +
                                         std::to_string(replay->levelNumber) + ", not level " +
                                         std::to_string(levelNumber));
    }
    const std::string path = levelPath(levelNumber);
    const auto shippedHash = Replay::levelFileHash(path);
    if (!shippedHash) {
        return refused(claimedScore,
                       "level " + std::to_string(levelNumber) + " is not available here");
    }
    // The level is checked before the build: a replay of another level's
    // content proves nothing whoever recorded it.
    if (replay->levelHash != *shippedHash) {
        return refused(claimedScore, "the replay was recorded on another version of level " +
                                         std::to_string(levelNumber) + " (content " +
                                         hex(replay->levelHash) + ", shipped " + hex(*shippedHash) +
                                         ")");
    }
    const std::uint64_t fingerprint = SimulationFingerprint::ofThisBuild();
    if (replay->fingerprint != fingerprint) {
        return {Verdict::Unverified, claimedScore,
                "recorded by a build whose simulation differs (fingerprint " +
                    hex(replay->fingerprint) + ", this server " + hex(fingerprint) + ")"};
    }

    Attempt attempt;
    attempt.start(path);
    ReplayPlayer player(*replay, attempt);
    while (attempt.stepsTaken() < MAX_SIMULATED_STEPS && player.step()) {
    }
    const int score = attempt.score();
    if (!attempt.decided() && !player.finished()) {
        return refused(score, "the replay runs past " + std::to_string(MAX_SIMULATED_STEPS) +
                                  " steps without an end");
    }
    if (!attempt.won()) {
        return refused(score, "the replay does not win level " + std::to_string(levelNumber));
    }
    if (score != claimedScore) {
        return refused(score, "the replay scores " + std::to_string(score) + ", not " +
                                  std::to_string(claimedScore));
    }
    return {Verdict::Verified, score, {}};
}

} // namespace backend

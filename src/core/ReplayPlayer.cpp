#include "core/ReplayPlayer.h"

#include "core/Attempt.h"
#include "core/SimulationFingerprint.h"

#include <sstream>

namespace {
std::string hex(std::uint64_t value) {
    std::ostringstream text;
    text << std::hex << value;
    return text.str();
}

} // namespace

std::optional<std::string> ReplayPlayer::refusal(const Replay& replay, std::uint64_t levelHash,
                                                 std::uint64_t fingerprint) {
    if (replay.fingerprint != fingerprint) {
        return "recorded by a build whose simulation differs (fingerprint " +
               hex(replay.fingerprint) + ", this build " + hex(fingerprint) + ")";
    }
    if (replay.levelHash != levelHash) {
        return "level " + std::to_string(replay.levelNumber) +
               " is not the level it was recorded on (its content differs)";
    }
    return std::nullopt;
}

std::optional<ReplayPlayer::Result>
ReplayPlayer::playBare(const Replay& replay, const std::string& levelPath, std::string& why) {
    const std::optional<std::uint64_t> levelHash = Replay::levelFileHash(levelPath);
    if (!levelHash) {
        why = "level " + std::to_string(replay.levelNumber) + " cannot be read from " + levelPath;
        return std::nullopt;
    }
    if (const auto refused = refusal(replay, *levelHash, SimulationFingerprint::ofThisBuild())) {
        why = *refused;
        return std::nullopt;
    }
    Attempt attempt;
    attempt.start(levelPath);
    ReplayPlayer player(replay, attempt);
    while (player.step()) {
    }
    Result result;
    result.levelNumber = replay.levelNumber;
    result.score = attempt.score();
    result.stars = attempt.stars();
    result.won = attempt.won();
    result.steps = attempt.stepsTaken();
    return result;
}

ReplayPlayer::ReplayPlayer(const Replay& replay, Attempt& attempt)
    : replay(replay), attempt(attempt),
      lastStep(replay.inputs.empty() ? 0 : replay.inputs.back().step) {}

void ReplayPlayer::applyDueInputs() {
    while (next < replay.inputs.size() && replay.inputs[next].step <= attempt.stepsTaken()) {
        attempt.apply(replay.inputs[next]);
        ++next;
    }
}

bool ReplayPlayer::finished() const {
    return attempt.decided() || attempt.stepsTaken() > lastStep + SETTLE_STEPS;
}

bool ReplayPlayer::step() {
    if (finished()) {
        return false;
    }
    applyDueInputs();
    attempt.step();
    return !finished();
}

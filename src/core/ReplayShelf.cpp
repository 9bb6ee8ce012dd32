#include "core/ReplayShelf.h"

#include "assets/DataPaths.h"
#include "assets/Narration.h"
#include "core/ReplayPlayer.h"

#include <system_error>
#include <utility>

ReplayShelf::ReplayShelf(std::filesystem::path folder) : folder(std::move(folder)) {}

ReplayShelf ReplayShelf::forThisProcess() {
    const std::filesystem::path& data = DataPaths::forThisProcess().playerDataDir();
    return ReplayShelf(data.empty() ? std::filesystem::path() : data / FOLDER_NAME);
}

std::string ReplayShelf::lastPath(int levelNumber) const {
    return (folder / ("level" + std::to_string(levelNumber) + "-last.vrpl")).string();
}

std::string ReplayShelf::bestPath(int levelNumber) const {
    return (folder / ("level" + std::to_string(levelNumber) + "-best.vrpl")).string();
}

std::optional<Replay> ReplayShelf::best(int levelNumber) const {
    if (folder.empty()) {
        return std::nullopt;
    }
    std::string why;
    return Replay::readFile(bestPath(levelNumber), why);
}

std::string ReplayShelf::keep(const Replay& replay, bool won, int score,
                              const std::string& levelPath) const {
    if (folder.empty()) {
        return "";
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        return "cannot make " + folder.string() + ": " + error.message();
    }
    std::string failure = replay.writeFile(lastPath(replay.levelNumber));
    if (!won) {
        return failure;
    }
    // The kept best is played again to learn its score: the file holds
    // inputs only, and what they score is the simulation's to say.
    bool better = true;
    if (const std::optional<Replay> kept = best(replay.levelNumber)) {
        std::string why;
        const Narration::Quiet quiet;
        const auto outcome = ReplayPlayer::playBare(*kept, levelPath, why);
        better = !outcome || !outcome->won || score > outcome->score;
    }
    if (better) {
        const std::string bestFailure = replay.writeFile(bestPath(replay.levelNumber));
        if (failure.empty()) {
            failure = bestFailure;
        }
    }
    return failure;
}

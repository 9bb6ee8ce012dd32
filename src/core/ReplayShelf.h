#pragma once

#include "core/Replay.h"

#include <filesystem>
#include <optional>
#include <string>

// Where the player's replays are kept: the last attempt and the best won
// attempt of every level, one file each, in the player's data folder
// ($XDG_DATA_HOME/vollarin/replays). A best is replaced only by a won
// attempt with more points; one that no longer plays (another build,
// changed level) is replaced by any win.
class ReplayShelf {
public:
    static constexpr const char* FOLDER_NAME = "replays";

    // Keeps nothing when `folder` is empty.
    explicit ReplayShelf(std::filesystem::path folder);
    static ReplayShelf forThisProcess();

    std::string lastPath(int levelNumber) const;
    std::string bestPath(int levelNumber) const;

    // Keeps `replay` as its level's last attempt and, when it was won with
    // `score` points and beats the kept best, as the best. Returns what
    // failed; empty on success (and when the shelf keeps nothing).
    std::string keep(const Replay& replay, bool won, int score, const std::string& levelPath) const;
    // The kept best of a level, when there is one that reads.
    std::optional<Replay> best(int levelNumber) const;
    // Where it keeps them; empty when it keeps nothing.
    const std::filesystem::path& folderPath() const { return folder; }

private:
    std::filesystem::path folder;
};

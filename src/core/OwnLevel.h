#pragma once

#include "core/ReplayShelf.h"

#include <cstdint>
#include <optional>
#include <string>

// A level that is not one of the shipped ones: the player's own, or any
// file from elsewhere. It is untrusted: it plays only when the loader's
// bounds leave something to play. It has no place in the shipped list, so
// what is kept of it (the best result, the replays) is filed under its
// content hash: the same level found under two names is one level, and an
// edited level starts afresh.
struct OwnLevel {
    // A shipped level's replay names its level; a replay of one of these
    // carries this number and is told apart by the level hash it holds.
    static constexpr int REPLAY_LEVEL_NUMBER = 99;
    static constexpr const char* FOLDER_NAME = "own-levels";

    std::string path;
    std::uint64_t hash = 0;

    // The level at path, or nothing with `why` saying what is wrong: it
    // cannot be read, it is longer than a level may be, or nothing in it
    // passed the loader's checks as a bird or an enemy.
    static std::optional<OwnLevel> open(const std::string& path, std::string& why);

    // The hash as 16 hex digits, the name its kept files go under.
    std::string key() const;
    // Where its replays are kept: a shelf of its own beside the shipped
    // levels' (keeps nothing when `shipped` keeps nothing).
    ReplayShelf shelf(const ReplayShelf& shipped) const;
    // Its progress file, "" when `dataDir` is empty (nothing kept).
    std::string progressPath(const std::string& dataDir) const;
};

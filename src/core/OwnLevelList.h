#pragma once

#include "core/OwnLevel.h"
#include "level/ProofVerdict.h"
#include "online/ProgressTable.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The player's own levels: the level files in their levels folder
// ($XDG_DATA_HOME/vollarin/levels/NAME.txt), each with the verdict of its
// last proof kept beside it (NAME.proof) and its best result. Every file
// there is untrusted: a level that cannot be played is listed with the
// reason, a verdict file that does not read (or was made for the level
// before it was changed) counts as no verdict, and the listing is bounded.
class OwnLevelList {
public:
    static constexpr const char* FOLDER_NAME = "levels";
    static constexpr std::size_t MAX_LEVELS = 200;
    static constexpr std::size_t MAX_PROOF_BYTES = 4096;

    struct Entry {
        std::string name; // the file name without ".txt"
        std::string path;
        // Set when the level can be played; else `error` says why not.
        std::optional<OwnLevel> level;
        std::string error;
        // The last proof of this very content, if one was kept.
        std::optional<ProofVerdict> verdict;
        LevelBest best;
    };

    // The player's levels folder; empty when there is no data folder.
    static std::filesystem::path folder();
    // The levels in `levelsFolder`, by name, at most MAX_LEVELS of them;
    // their bests are read from under `dataDir` (nothing when empty).
    static std::vector<Entry> read(const std::filesystem::path& levelsFolder,
                                   const std::string& dataDir);

    // NAME.proof for NAME.txt.
    static std::string proofPath(const std::string& levelPath);
    // Keeps the verdict of the level with content hash `levelHash` beside
    // it, written whole or not at all; an empty text on success.
    static std::string writeVerdict(const std::string& levelPath, std::uint64_t levelHash,
                                    const ProofVerdict& verdict);
    // The kept verdict, when there is one for this content that reads.
    static std::optional<ProofVerdict> readVerdict(const std::string& levelPath,
                                                   std::uint64_t levelHash);
};

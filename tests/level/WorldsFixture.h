#pragma once

#include "level/LevelManifest.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

// Writes `worlds` worlds of `perWorld` levels, each a copy of `levelText`,
// and their manifest into `dir`; returns the manifest as the game reads it.
// World w is named "World <w + 1>" with backdrop game_bg_<w> and the game's
// tune.
inline LevelManifest writeWorlds(const std::filesystem::path& dir, int worlds, int perWorld,
                                 const std::string& levelText) {
    std::ofstream manifest(dir / std::string(LevelManifest::FILE_NAME));
    int number = 0;
    for (int w = 0; w < worlds; ++w) {
        manifest << "world game_bg_" << w << " game_music World " << w + 1 << "\n";
        for (int l = 0; l < perWorld; ++l) {
            const std::string name = "level" + std::to_string(++number) + ".txt";
            std::ofstream(dir / name) << levelText;
            manifest << "level " << name << "\n";
        }
    }
    manifest.close();
    std::string why;
    auto read = LevelManifest::read(dir.string(), why);
    if (!read) {
        throw std::runtime_error("the test's manifest is refused: " + why);
    }
    return *read;
}

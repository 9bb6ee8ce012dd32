#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One world of the game: a run of levels played in order under one name,
// backdrop and tune.
struct World {
    std::string name;
    // Texture key of the world's backdrop (its level-select page, its closing
    // screen, and its levels unless a level file names its own).
    std::string background;
    // Music file under sounds/, without ".wav", played in the world's levels.
    std::string music;
    // The level files, as full paths, in play order.
    std::vector<std::string> levelFiles;
    // Index of the world's first level among all levels.
    int firstLevel = 0;

    int levelCount() const { return static_cast<int>(levelFiles.size()); }
    int lastLevel() const { return firstLevel + levelCount() - 1; }
    bool holds(int level) const { return level >= firstLevel && level <= lastLevel(); }
};

// The list of the levels the game ships, read from levels/manifest.txt so
// that adding a level or a world is a matter of data. The file is ours but
// read like any file from outside: bounded in size and counts, every line
// checked, every level file present; a bad one is refused with its reason.
//
// Format, one item per line; blank lines and lines starting with '#' are
// skipped:
//   world <background key> <music name> <world name ...>
//   level <file name in the manifest's folder>
// Worlds come in play order, each followed by its levels in play order.
// Keys and music names are lower-case letters, digits and '_'; file names
// are letters, digits, '_', '-' and '.', ending in ".txt".
class LevelManifest {
public:
    static constexpr std::string_view FILE_NAME = "manifest.txt";
    static constexpr std::size_t MAX_FILE_BYTES = 16 * 1024;
    static constexpr int MAX_WORLDS = 16;
    static constexpr int MAX_LEVELS_PER_WORLD = 32;
    static constexpr std::size_t MAX_NAME_LENGTH = 32;
    static constexpr std::size_t MAX_KEY_LENGTH = 64;

    // The manifest `text` whose level files lie in `levelDir`; nothing, and
    // the reason in `why`, when it is malformed or names a missing file.
    static std::optional<LevelManifest> parse(std::string_view text, const std::string& levelDir,
                                              std::string& why);
    // levelDir/manifest.txt, read and parsed.
    static std::optional<LevelManifest> read(const std::string& levelDir, std::string& why);

    const std::vector<World>& worlds() const { return worldList; }
    int worldCount() const { return static_cast<int>(worldList.size()); }
    int levelCount() const { return totalLevels; }
    // The world holding level `index` (0-based over all worlds); -1 outside.
    int worldOf(int index) const;
    // The file of level `index`; empty outside.
    std::string levelFile(int index) const;

private:
    std::vector<World> worldList;
    int totalLevels = 0;
};

#include "level/LevelManifest.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

namespace {

bool isKey(std::string_view text) {
    return !text.empty() && text.size() <= LevelManifest::MAX_KEY_LENGTH &&
           std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
           });
}

bool isLevelFileName(std::string_view text) {
    constexpr std::string_view suffix = ".txt";
    if (text.size() <= suffix.size() || text.size() > LevelManifest::MAX_KEY_LENGTH ||
        text.substr(text.size() - suffix.size()) != suffix || text.front() == '.') {
        return false;
    }
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '-' || c == '.';
    });
}

bool isWorldName(std::string_view text) {
    return !text.empty() && text.size() <= LevelManifest::MAX_NAME_LENGTH &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= ' ' && c <= '~'; });
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The first word of `text`, taken off it.
std::string_view takeWord(std::string_view& text) {
    text = trimmed(text);
    const auto end = std::min(text.find_first_of(" \t"), text.size());
    const std::string_view word = text.substr(0, end);
    text = trimmed(text.substr(end));
    return word;
}

} // namespace

std::optional<LevelManifest> LevelManifest::parse(std::string_view text,
                                                  const std::string& levelDir, std::string& why) {
    if (text.size() > MAX_FILE_BYTES) {
        why = "larger than " + std::to_string(MAX_FILE_BYTES) + " bytes";
        return std::nullopt;
    }
    LevelManifest manifest;
    std::set<std::string> fileNames;
    std::set<std::string> worldNames;
    int lineNumber = 0;
    const auto fail = [&](const std::string& reason) {
        why = "line " + std::to_string(lineNumber) + ": " + reason;
        return std::nullopt;
    };
    while (!text.empty()) {
        ++lineNumber;
        const auto end = std::min(text.find('\n'), text.size());
        std::string_view line = trimmed(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::string_view what = takeWord(line);
        if (what == "world") {
            if (!manifest.worldList.empty() && manifest.worldList.back().levelFiles.empty()) {
                return fail("world \"" + manifest.worldList.back().name + "\" has no levels");
            }
            if (manifest.worldCount() == MAX_WORLDS) {
                return fail("more than " + std::to_string(MAX_WORLDS) + " worlds");
            }
            World world;
            world.background = std::string(takeWord(line));
            world.music = std::string(takeWord(line));
            world.name = std::string(line);
            if (!isKey(world.background) || !isKey(world.music)) {
                return fail("a world needs a background key and a music name");
            }
            if (!isWorldName(world.name)) {
                return fail("a world needs a name of 1 to " + std::to_string(MAX_NAME_LENGTH) +
                            " plain characters");
            }
            if (!worldNames.insert(world.name).second) {
                return fail("world \"" + world.name + "\" named twice");
            }
            world.firstLevel = manifest.totalLevels;
            manifest.worldList.push_back(std::move(world));
        } else if (what == "level") {
            const std::string name(takeWord(line));
            if (manifest.worldList.empty()) {
                return fail("level before any world");
            }
            if (!line.empty() || !isLevelFileName(name)) {
                return fail("a level needs one file name ending in .txt");
            }
            if (!fileNames.insert(name).second) {
                return fail("level " + name + " listed twice");
            }
            World& world = manifest.worldList.back();
            if (world.levelCount() == MAX_LEVELS_PER_WORLD) {
                return fail("world \"" + world.name + "\" has more than " +
                            std::to_string(MAX_LEVELS_PER_WORLD) + " levels");
            }
            const std::string path = levelDir + "/" + name;
            std::error_code error;
            if (!std::filesystem::is_regular_file(path, error)) {
                return fail("level file " + name + " is missing");
            }
            world.levelFiles.push_back(path);
            ++manifest.totalLevels;
        } else {
            return fail("unknown entry \"" + std::string(what.substr(0, MAX_KEY_LENGTH)) + "\"");
        }
    }
    if (manifest.worldList.empty()) {
        why = "no worlds";
        return std::nullopt;
    }
    if (manifest.worldList.back().levelFiles.empty()) {
        return fail("world \"" + manifest.worldList.back().name + "\" has no levels");
    }
    return manifest;
}

std::optional<LevelManifest> LevelManifest::read(const std::string& levelDir, std::string& why) {
    const std::string path = levelDir + "/" + std::string(FILE_NAME);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        why = path + " cannot be read";
        return std::nullopt;
    }
    // One byte past the limit is enough to know it is too large.
    std::string text(MAX_FILE_BYTES + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    std::optional<LevelManifest> manifest = parse(text, levelDir, why);
    if (!manifest) {
        why = path + ": " + why;
    }
    return manifest;
}

int LevelManifest::worldOf(int index) const {
    for (int w = 0; w < worldCount(); ++w) {
        if (worldList[static_cast<std::size_t>(w)].holds(index)) {
            return w;
        }
    }
    return -1;
}

std::string LevelManifest::levelFile(int index) const {
    const int w = worldOf(index);
    if (w < 0) {
        return {};
    }
    const World& world = worldList[static_cast<std::size_t>(w)];
    return world.levelFiles[static_cast<std::size_t>(index - world.firstLevel)];
}

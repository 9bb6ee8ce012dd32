#include "level/ShippedLevels.h"

#include "assets/DataPaths.h"

#include <iostream>
#include <mutex>
#include <optional>

namespace {

std::optional<LevelManifest>& current() {
    static std::optional<LevelManifest> manifest;
    return manifest;
}

// The server's threads may ask for the first time together.
std::mutex& currentMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace

const LevelManifest& ShippedLevels::manifest() {
    const std::lock_guard<std::mutex> lock(currentMutex());
    std::optional<LevelManifest>& manifest = current();
    if (!manifest) {
        std::string why;
        manifest = LevelManifest::read(DataPaths::forThisProcess().resource("/levels"), why);
        if (!manifest) {
            std::cerr << "ShippedLevels: the level list is unusable: " << why << std::endl;
            manifest = LevelManifest();
        }
    }
    return *manifest;
}

std::string ShippedLevels::path(int number) {
    return manifest().levelFile(number - 1);
}

void ShippedLevels::use(LevelManifest replacement) {
    const std::lock_guard<std::mutex> lock(currentMutex());
    current() = std::move(replacement);
}

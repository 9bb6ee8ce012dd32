#pragma once

#include "BuildPaths.h"
#include "e2e/GameProcess.h"

#include <filesystem>
#include <random>
#include <set>
#include <string>

// A `cmake --install` of this build tree into a temporary DESTDIR of the
// test's own, removed again when the test ends.
class InstalledTree {
public:
    InstalledTree() {
        std::random_device seed;
        root = std::filesystem::temp_directory_path() /
               ("vollarin_install_" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(root);
        destdir = root / "destdir";
        result = runCommand("DESTDIR=" + quote(destdir.string()) + " cmake --install " +
                            quote(VOLLARIN_BINARY_DIR));
    }
    ~InstalledTree() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    InstalledTree(const InstalledTree&) = delete;
    InstalledTree& operator=(const InstalledTree&) = delete;

    bool ok() const { return result.status == 0; }
    const std::string& output() const { return result.output; }

    // The configured prefix inside DESTDIR, e.g. <destdir>/usr/local.
    std::filesystem::path prefix() const {
        return destdir / std::filesystem::path(VOLLARIN_INSTALL_PREFIX).relative_path();
    }
    std::filesystem::path dataDir() const { return prefix() / "share" / "vollarin"; }
    // A folder of the test's own beside the install, for working directories
    // and XDG folders.
    std::filesystem::path scratch(const std::string& name) const {
        const auto dir = root / name;
        std::filesystem::create_directories(dir);
        return dir;
    }

    // Every file and link installed, as a path from the file system's root
    // ("usr/local/bin/vollarin").
    std::set<std::string> files() const {
        std::set<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(destdir)) {
            if (!entry.is_directory() || entry.is_symlink()) {
                found.insert(std::filesystem::relative(entry.path(), destdir).string());
            }
        }
        return found;
    }

    static std::string quote(const std::string& text) { return "'" + text + "'"; }

private:
    std::filesystem::path root;
    std::filesystem::path destdir;
    CommandResult result;
};

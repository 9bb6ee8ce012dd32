#include "assets/DataPaths.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#ifndef VOLLARIN_INSTALLED_DATA_DIR
#define VOLLARIN_INSTALLED_DATA_DIR "/usr/local/share/vollarin"
#endif
#ifndef VOLLARIN_DATA_FROM_BINDIR
#define VOLLARIN_DATA_FROM_BINDIR "../share/vollarin"
#endif

namespace fs = std::filesystem;

namespace {

constexpr mode_t PRIVATE_DIR_MODE = 0700;

bool isDirectory(const fs::path& path) {
    std::error_code error;
    return !path.empty() && fs::is_directory(path, error);
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// The home folder: $HOME when usable, else the password database's entry.
fs::path homeDirectory(std::string_view home) {
    fs::path dir = DataPaths::usableBaseDir(home);
    if (!dir.empty()) {
        return dir;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 &&
        result != nullptr && result->pw_dir != nullptr) {
        return DataPaths::usableBaseDir(result->pw_dir);
    }
    return {};
}

fs::path xdgFolder(std::string_view value, const fs::path& home, const fs::path& fallback) {
    fs::path base = DataPaths::usableBaseDir(value);
    if (base.empty()) {
        if (home.empty()) {
            return {};
        }
        base = home / fallback;
    }
    return base / DataPaths::APP_DIR;
}

} // namespace

DataPaths::DataPaths(Environment environment)
    : workingDirectory(std::move(environment.workingDirectory)) {
    environment.workingDirectory = workingDirectory;
    locateResources(environment);
    const fs::path home = homeDirectory(environment.home);
    dataDir = xdgFolder(environment.xdgDataHome, home, fs::path(".local") / "share");
    configDir = xdgFolder(environment.xdgConfigHome, home, ".config");
}

DataPaths::Environment DataPaths::processEnvironment() {
    Environment environment;
    std::error_code error;
    environment.workingDirectory = fs::current_path(error);
    environment.executable = fs::read_symlink("/proc/self/exe", error);
    if (error) {
        environment.executable.clear();
    }
    environment.installedDataDir = VOLLARIN_INSTALLED_DATA_DIR;
    environment.dataFromExecutableDir = VOLLARIN_DATA_FROM_BINDIR;
    environment.home = environmentValue("HOME");
    environment.xdgDataHome = environmentValue("XDG_DATA_HOME");
    environment.xdgConfigHome = environmentValue("XDG_CONFIG_HOME");
    return environment;
}

const DataPaths& DataPaths::forThisProcess() {
    static const DataPaths paths(processEnvironment());
    return paths;
}

void DataPaths::locateResources(const Environment& environment) {
    if (isDirectory(environment.workingDirectory / RESOURCE_DIR)) {
        root = std::string(RESOURCE_DIR);
        inWorkingDirectory = true;
        found = true;
        return;
    }
    std::vector<fs::path> candidates;
    if (!environment.executable.empty()) {
        candidates.push_back(
            (environment.executable.parent_path() / environment.dataFromExecutableDir)
                .lexically_normal());
    }
    candidates.push_back(environment.installedDataDir.lexically_normal());
    for (const fs::path& candidate : candidates) {
        if (candidate.is_absolute() && isDirectory(candidate)) {
            root = candidate.string();
            found = true;
            return;
        }
    }
    // Nothing to read: keep the working directory's name so that every
    // warning about a missing file names the place a player would look.
    root = std::string(RESOURCE_DIR);
    std::cerr << "DataPaths: no game data found: no \"" << RESOURCE_DIR
              << "\" folder in the working directory";
    for (const fs::path& candidate : candidates) {
        std::cerr << ", no " << candidate;
    }
    std::cerr << std::endl;
}

std::string DataPaths::resource(std::string_view path) const {
    return root + std::string(path);
}

fs::path DataPaths::usableBaseDir(std::string_view value) {
    // The XDG rules: an empty or relative value is to be ignored.
    if (value.empty() || value.size() > MAX_PATH_LENGTH ||
        value.find('\0') != std::string_view::npos) {
        return {};
    }
    const fs::path path(value);
    return path.is_absolute() ? path.lexically_normal() : fs::path();
}

bool DataPaths::makePrivateDirectory(const fs::path& dir) {
    if (dir.empty()) {
        return false;
    }
    if (isDirectory(dir)) {
        return true;
    }
    // Parent first, each missing level with the private mode (the XDG rules
    // ask for 0700 on base folders the program creates).
    const fs::path parent = dir.parent_path();
    if (parent != dir && !parent.empty() && !makePrivateDirectory(parent)) {
        return false;
    }
    if (::mkdir(dir.c_str(), PRIVATE_DIR_MODE) != 0 && errno != EEXIST) {
        std::cerr << "DataPaths: cannot create " << dir << ": " << std::strerror(errno)
                  << std::endl;
        return false;
    }
    if (!isDirectory(dir)) {
        std::cerr << "DataPaths: " << dir << " is not a folder" << std::endl;
        return false;
    }
    return true;
}

std::string DataPaths::fileIn(const fs::path& dir, std::string_view name) {
    if (dir.empty()) {
        std::cerr << "DataPaths: no home folder (HOME is not an absolute path); \"" << name
                  << "\" is not kept" << std::endl;
        return {};
    }
    if (!makePrivateDirectory(dir)) {
        return {};
    }
    return (dir / name).string();
}

std::string DataPaths::playerDataFile(std::string_view name) const {
    return fileIn(dataDir, name);
}

std::string DataPaths::playerConfigFile(std::string_view name) const {
    return fileIn(configDir, name);
}

std::string DataPaths::highScoreFile() const {
    if (inWorkingDirectory) {
        const fs::path beside = fs::path("..") / RESOURCE_DIR;
        const fs::path besideAbsolute = workingDirectory / beside;
        if (isDirectory(besideAbsolute) && ::access(besideAbsolute.c_str(), W_OK) == 0) {
            return (beside / HIGH_SCORE_FILE).string();
        }
    }
    return playerDataFile(HIGH_SCORE_FILE);
}

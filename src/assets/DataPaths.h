#pragma once

#include "assets/SharedConstants.h"

#include <filesystem>
#include <string>
#include <string_view>

// Where the game reads its data and where it keeps the player's own files.
//
// Data: "resources" in the working directory when that folder exists (a
// checkout's build/ folder, where every path stays "resources/..."), else the
// installed data folder: ../share/vollarin beside the executable first, so a
// package or a prefix install works wherever it lands, then the folder the
// build was configured to install into.
//
// The player's files go to the XDG folders ($XDG_DATA_HOME/vollarin and
// $XDG_CONFIG_HOME/vollarin), except the high-score table of a checkout,
// which stays beside the resources as it always has.
class DataPaths {
public:
    // Everything the search looks at, so that tests can describe a machine.
    struct Environment {
        std::filesystem::path workingDirectory;
        std::filesystem::path executable; // empty when unknown
        std::filesystem::path installedDataDir;
        std::filesystem::path dataFromExecutableDir; // relative, e.g. ../share/vollarin
        std::string home;
        std::string xdgDataHome;
        std::string xdgConfigHome;
    };

    // The folder names of the game's files (the resources root is the one
    // every layer shares, SharedConstants.h).
    static constexpr std::string_view RESOURCE_DIR = RESOURCE_ROOT;
    static constexpr std::string_view APP_DIR = "vollarin";
    static constexpr std::string_view HIGH_SCORE_FILE = "highscores.txt";
    // Longer environment values are not paths anyone meant.
    static constexpr std::size_t MAX_PATH_LENGTH = 4096;

    explicit DataPaths(Environment environment);

    // This process's environment (working directory, /proc/self/exe, HOME,
    // XDG variables and the build's install folder).
    static Environment processEnvironment();
    // Resolved once, on first use, from processEnvironment().
    static const DataPaths& forThisProcess();

    // "resources", or the installed data folder as an absolute path.
    const std::string& resourceRoot() const { return root; }
    // The root followed by `path`, which begins with a slash ("/levels/...").
    std::string resource(std::string_view path) const;
    bool resourcesInWorkingDirectory() const { return inWorkingDirectory; }
    // False when no candidate folder existed; the root is then "resources".
    bool resourcesFound() const { return found; }

    // $XDG_DATA_HOME/vollarin and $XDG_CONFIG_HOME/vollarin, with the XDG
    // defaults (~/.local/share, ~/.config). Empty when there is no home.
    const std::filesystem::path& playerDataDir() const { return dataDir; }
    const std::filesystem::path& playerConfigDir() const { return configDir; }

    // A file of the player's in the data or config folder. The folder is
    // created (mode 0700) when missing; empty when it cannot be.
    std::string playerDataFile(std::string_view name) const;
    std::string playerConfigFile(std::string_view name) const;

    // "../resources/highscores.txt" when the resources are the working
    // directory's and that folder is writable, else the player's data folder.
    std::string highScoreFile() const;

    // Creates `dir` and its missing parents with mode 0700. Warns and returns
    // false when it cannot.
    static bool makePrivateDirectory(const std::filesystem::path& dir);

    // An environment value as an XDG base folder: set, absolute and bounded,
    // or nothing.
    static std::filesystem::path usableBaseDir(std::string_view value);

private:
    void locateResources(const Environment& environment);
    static std::string fileIn(const std::filesystem::path& dir, std::string_view name);

    std::filesystem::path workingDirectory;
    std::string root;
    bool inWorkingDirectory = false;
    bool found = false;
    std::filesystem::path dataDir;
    std::filesystem::path configDir;
};

#include "assets/DataPaths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sys/stat.h>

// Where the game looks for its data and keeps the player's files, on
// machines described folder by folder in a temporary directory.

namespace fs = std::filesystem;

namespace {

class DataPathsTest : public testing::Test {
protected:
    void SetUp() override {
        std::random_device seed;
        root = fs::temp_directory_path() /
               ("vollarin_paths_" + std::to_string(seed()) + std::to_string(seed()));
        fs::create_directories(root);
        environment.workingDirectory = root / "somewhere";
        fs::create_directories(environment.workingDirectory);
        environment.executable = root / "prefix" / "bin" / "vollarin";
        environment.dataFromExecutableDir = "../share/vollarin";
        environment.installedDataDir = root / "configured" / "share" / "vollarin";
        environment.home = (root / "home").string();
    }

    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    static mode_t modeOf(const fs::path& path) {
        struct stat info {};
        EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
        return info.st_mode & 0777;
    }

    fs::path root;
    DataPaths::Environment environment;
};

TEST_F(DataPathsTest, TheWorkingDirectorysResourcesComeFirstAndKeepTheirRelativeNames) {
    fs::create_directories(environment.workingDirectory / "resources");
    fs::create_directories(root / "prefix" / "share" / "vollarin");
    const DataPaths paths(environment);
    EXPECT_TRUE(paths.resourcesInWorkingDirectory());
    EXPECT_EQ(paths.resourceRoot(), "resources");
    EXPECT_EQ(paths.resource("/levels/level1.txt"), "resources/levels/level1.txt");
}

TEST_F(DataPathsTest, WithoutThemTheInstalledDataIsFoundBesideTheExecutableThenWhereConfigured) {
    // A file named "resources" is not the folder.
    std::ofstream(environment.workingDirectory / "resources") << "not a folder";
    fs::create_directories(environment.installedDataDir);
    {
        const DataPaths paths(environment);
        EXPECT_FALSE(paths.resourcesInWorkingDirectory());
        EXPECT_EQ(paths.resourceRoot(), environment.installedDataDir.string());
    }
    const fs::path beside = root / "prefix" / "share" / "vollarin";
    fs::create_directories(beside);
    const DataPaths paths(environment);
    EXPECT_TRUE(paths.resourcesFound());
    EXPECT_EQ(paths.resourceRoot(), beside.string());
    EXPECT_EQ(paths.resource("/images/icon.png"), (beside / "images" / "icon.png").string());
}

TEST_F(DataPathsTest, NothingFoundKeepsTheUsualNameAndSaysWhereItLooked) {
    environment.executable.clear();
    testing::internal::CaptureStderr();
    const DataPaths paths(environment);
    const std::string warning = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(paths.resourcesFound());
    EXPECT_EQ(paths.resourceRoot(), "resources");
    EXPECT_NE(warning.find(environment.installedDataDir.string()), std::string::npos) << warning;
}

TEST_F(DataPathsTest, XdgFoldersAreUsedWhenAbsoluteAndIgnoredWhenEmptyOrRelative) {
    environment.xdgDataHome = (root / "data").string();
    environment.xdgConfigHome = (root / "config").string();
    {
        const DataPaths paths(environment);
        EXPECT_EQ(paths.playerDataDir(), root / "data" / "vollarin");
        EXPECT_EQ(paths.playerConfigDir(), root / "config" / "vollarin");
    }
    for (const std::string& ignored : {std::string(), std::string("relative/data"),
                                       std::string(DataPaths::MAX_PATH_LENGTH + 1, '/')}) {
        environment.xdgDataHome = ignored;
        environment.xdgConfigHome = ignored;
        const DataPaths paths(environment);
        EXPECT_EQ(paths.playerDataDir(), root / "home" / ".local" / "share" / "vollarin");
        EXPECT_EQ(paths.playerConfigDir(), root / "home" / ".config" / "vollarin");
    }
}

TEST_F(DataPathsTest, PlayerFilesGetPrivateFoldersCreatedOnDemand) {
    environment.xdgDataHome = (root / "fresh" / "data").string();
    environment.xdgConfigHome = (root / "fresh" / "config").string();
    const DataPaths paths(environment);
    EXPECT_FALSE(fs::exists(root / "fresh"));

    const std::string settings = paths.playerConfigFile("settings.ini");
    EXPECT_EQ(settings, (root / "fresh" / "config" / "vollarin" / "settings.ini").string());
    EXPECT_EQ(modeOf(root / "fresh"), 0700u);
    EXPECT_EQ(modeOf(root / "fresh" / "config"), 0700u);
    EXPECT_EQ(modeOf(root / "fresh" / "config" / "vollarin"), 0700u);

    // A folder that exists keeps its mode.
    fs::create_directories(root / "fresh" / "data");
    fs::permissions(root / "fresh" / "data", fs::perms(0755));
    EXPECT_FALSE(paths.playerDataFile("progress.txt").empty());
    EXPECT_EQ(modeOf(root / "fresh" / "data"), 0755u);
    EXPECT_EQ(modeOf(root / "fresh" / "data" / "vollarin"), 0700u);
}

TEST_F(DataPathsTest, AFolderThatCannotBeMadeGivesNoFileAndAWarning) {
    std::ofstream(root / "blocked") << "a file where a folder should be";
    environment.xdgDataHome = (root / "blocked").string();
    const DataPaths paths(environment);
    testing::internal::CaptureStderr();
    EXPECT_EQ(paths.playerDataFile("highscores.txt"), "");
    EXPECT_FALSE(testing::internal::GetCapturedStderr().empty());
    EXPECT_FALSE(DataPaths::makePrivateDirectory({}));
}

TEST_F(DataPathsTest, TheHighScoreTableStaysBesideACheckoutsResourcesElseGoesToTheDataFolder) {
    environment.xdgDataHome = (root / "data").string();
    // A checkout: build/resources beside ../resources.
    environment.workingDirectory = root / "checkout" / "build";
    fs::create_directories(environment.workingDirectory / "resources");
    fs::create_directories(root / "checkout" / "resources");
    EXPECT_EQ(DataPaths(environment).highScoreFile(), "../resources/highscores.txt");

    // Resources in the working directory but nothing one level up.
    fs::remove_all(root / "checkout" / "resources");
    EXPECT_EQ(DataPaths(environment).highScoreFile(),
              (root / "data" / "vollarin" / "highscores.txt").string());

    // An installed game never writes next to its data.
    environment.workingDirectory = root / "somewhere";
    fs::create_directories(root / "prefix" / "share" / "vollarin");
    const DataPaths installed(environment);
    EXPECT_EQ(installed.highScoreFile(), (root / "data" / "vollarin" / "highscores.txt").string());
    EXPECT_TRUE(fs::is_directory(root / "data" / "vollarin"));
}

} // namespace

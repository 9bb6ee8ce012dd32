#include "e2e/GameProcess.h"

#include "BuildPaths.h"
#include "core/Settings.h"
#include "ui/UIRenderer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

// The real executable with display and sound options: they hold for the run,
// M and F11 work from the keyboard, and what the player changes is kept in
// the settings file of the player's folder.

namespace {

namespace fs = std::filesystem;

fs::path outputDir() {
    const fs::path dir = fs::path(VOLLARIN_BINARY_DIR) / "test-output";
    fs::create_directories(dir);
    return dir;
}

std::string readFile(const fs::path& path) {
    std::ifstream file(path);
    return std::string((std::istreambuf_iterator<char>(file)), {});
}

bool showsMutedIcon(const sf::Image& image) {
    const sf::FloatRect icon = UIRenderer::mutedIconRect(
        {static_cast<float>(image.getSize().x), static_cast<float>(image.getSize().y)});
    const sf::Color cross = image.getPixel(static_cast<unsigned>(icon.left + icon.width * 0.75f),
                                           static_cast<unsigned>(icon.top + icon.height * 0.5f));
    return cross.r > 180 && cross.g < 90 && cross.b < 90;
}

class SettingsEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        home = fs::temp_directory_path() / ("vollarin_settings_e2e_" + std::to_string(::getpid()));
        fs::remove_all(home);
        fs::create_directories(home);
    }
    void TearDown() override { fs::remove_all(home); }

    GameLaunch launch(std::vector<std::string> arguments) const {
        GameLaunch run;
        run.arguments = std::move(arguments);
        run.environment = {{"XDG_CONFIG_HOME", (home / "config").string()},
                           {"XDG_DATA_HOME", (home / "data").string()}};
        return run;
    }
    fs::path settingsFile() const { return home / "config" / "vollarin" / Settings::FILE_NAME; }

    fs::path home;
};

TEST_F(SettingsEndToEnd, OptionsHoldForTheRunAndTheKeysChangeWhatIsKept) {
    GameProcess game(outputDir() / "e2e_settings.log",
                     launch({"--mute", "--fps-limit", "30", "--vsync"}));
    ASSERT_TRUE(game.start());
    ASSERT_TRUE(game.findWindow()) << game.log();
    ASSERT_TRUE(game.waitForLog("Settings: music 100%, effects 100%, sound muted, windowed, "
                                "vertical sync on, frame rate limit 30\n"))
        << game.log();
    ASSERT_TRUE(game.waitForLog("Transitioning from 0 to 1\n")) << game.log();
    EXPECT_TRUE(game.screenshotWhen(outputDir() / "e2e_settings_muted.png", showsMutedIcon))
        << "the menu shows the muted speaker";
    EXPECT_FALSE(fs::exists(settingsFile())) << "options are not settings to keep";

    // M, from the real keyboard: sound on, and the file keeps the player's
    // choice, without the options of this run.
    std::size_t mark = game.log().size();
    ASSERT_TRUE(game.moveMouse(640, 600));
    ASSERT_TRUE(game.key("m"));
    ASSERT_TRUE(game.waitForLog("Sound on\n", mark)) << game.log();
    EXPECT_TRUE(game.screenshotWhen(outputDir() / "e2e_settings_unmuted.png",
                                    [](const sf::Image& image) { return !showsMutedIcon(image); }));
    const std::string kept = readFile(settingsFile());
    for (const char* line : {"muted = false\n", "frame_rate_limit = 0\n", "vertical_sync = false\n",
                             "fullscreen = false\n"}) {
        EXPECT_NE(kept.find(line), std::string::npos) << line << kept;
    }
    const auto mode = fs::status(settingsFile().parent_path()).permissions();
    EXPECT_EQ(mode & fs::perms::all, fs::perms::owner_all) << "the folder is the player's alone";

    // F11: the window becomes the whole screen, then a 1280 x 720 window again.
    mark = game.log().size();
    ASSERT_TRUE(game.key("F11"));
    ASSERT_TRUE(game.waitForLog("Fullscreen 1600x1000\n", mark)) << game.log();
    EXPECT_NE(readFile(settingsFile()).find("fullscreen = true\n"), std::string::npos);
    ASSERT_TRUE(game.findWindow()) << "the game has a window again";
    EXPECT_TRUE(game.screenshotWhen(
        outputDir() / "e2e_settings_fullscreen.png",
        [](const sf::Image& image) { return image.getSize() == sf::Vector2u(1600, 1000); }));
    mark = game.log().size();
    ASSERT_TRUE(game.moveMouse(640, 600));
    ASSERT_TRUE(game.key("F11"));
    ASSERT_TRUE(game.waitForLog("Windowed 1280x720\n", mark)) << game.log();
    ASSERT_TRUE(game.findWindow());
    EXPECT_TRUE(
        game.screenshotWhen(outputDir() / "e2e_settings_windowed.png", [](const sf::Image& image) {
            return image.getSize() == sf::Vector2u(1280, 720);
        }));
}

} // namespace

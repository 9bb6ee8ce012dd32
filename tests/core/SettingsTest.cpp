#include "core/Settings.h"

#include "core/CommandLine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

// The settings file: what it keeps, how it survives damage, and how the
// command line sits on top of it for one run.

namespace {

namespace fs = std::filesystem;

class SettingsFileTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vollarin_settings_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "settings.ini").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

    fs::path dir;
    std::string path;
};

Settings everythingChanged() {
    Settings settings;
    settings.musicVolume = 35;
    settings.effectsVolume = 0;
    settings.muted = true;
    settings.fullscreen = true;
    settings.verticalSync = true;
    settings.frameRateLimit = 144;
    settings.shotTrail = false;
    settings.hardMode = true;
    settings.uiScale = 150;
    settings.backendUrl = "https://scores.example.org";
    settings.anonKey = "key.part.two";
    settings.emailDomain = "players.example.org";
    settings.unknownLines = {"colour_scheme = night"};
    return settings;
}

std::size_t lineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

TEST(Settings, DefaultsAreTheGamesOwnBehaviour) {
    const Settings settings;
    EXPECT_EQ(settings.musicVolume, 100);
    EXPECT_EQ(settings.effectsVolume, 100);
    EXPECT_FALSE(settings.muted);
    EXPECT_FALSE(settings.fullscreen);
    EXPECT_FALSE(settings.verticalSync);
    EXPECT_EQ(settings.frameRateLimit, 0);
    EXPECT_FALSE(settings.backendUrl || settings.anonKey || settings.emailDomain);
    EXPECT_EQ(settings.describe(), "Settings: music 100%, effects 100%, sound on, windowed, "
                                   "vertical sync off, frame rate unlimited");
}

TEST_F(SettingsFileTest, EverySettingSurvivesASaveAndALoad) {
    const Settings saved = everythingChanged();
    ASSERT_EQ(saved.save(path), "");
    std::ostringstream warnings;
    const Settings loaded = Settings::load(path, warnings);
    EXPECT_EQ(loaded, saved);
    // The unknown key is named once, when it is read.
    EXPECT_EQ(lineCount(warnings.str()), 1u) << warnings.str();
    EXPECT_NE(warnings.str().find("unknown key \"colour_scheme\"; kept"), std::string::npos);

    // The defaults are written out in full, so a player sees what can be set.
    ASSERT_EQ(Settings().save(path), "");
    std::ifstream file(path);
    const std::string text((std::istreambuf_iterator<char>(file)), {});
    for (const char* line :
         {"music_volume = 100\n", "effects_volume = 100\n", "muted = false\n",
          "fullscreen = false\n", "vertical_sync = false\n", "frame_rate_limit = 0\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(text.find("backend_url"), std::string::npos) << "unset values are left out";
    EXPECT_EQ(fs::remove(path + ".tmp." + std::to_string(::getpid())), false);
}

TEST_F(SettingsFileTest, AMissingFileIsTheDefaultsWithoutAWord) {
    std::ostringstream warnings;
    EXPECT_EQ(Settings::load(path, warnings), Settings());
    EXPECT_EQ(warnings.str(), "");
}

TEST_F(SettingsFileTest, ADamagedFileKeepsItsGoodLinesAndWarnsOncePerBadOne) {
    const std::string binary("\xff\xfe garbage \0 bytes\n", 20);
    write("# a comment\n"
          "\n"
          "music_volume = 40\r\n"         // good, with a Windows line end
          "effects_volume = 101\n"        // out of range
          "muted = maybe\n"               // not a flag
          "fullscreen\n"                  // no value
          "= true\n"                      // no key
          "  vertical_sync   =   YES  \n" // good, with blanks and capitals
          "frame_rate_limit = 14\n"       // below the lowest limit
          "frame_rate_limit = 60fps\n"    // not a number
          "[display]\n"                   // not key = value
          "Music_Volume = 10\n"           // keys are lower case
          "backend_url = \x01\x02\n"      // control characters
          "anon_key =\n"                  // empty
          "ui_scale = 250\n"              // above the largest scale
          "hard_mode = sometimes\n" +     // not a flag
          binary +
          std::string(Settings::MAX_LINE_LENGTH + 1, 'x') + "\n" +
          "muted = on\n"
          "muted = off\n"); // given twice: the later one counts, with a word
    std::ostringstream warnings;
    const Settings loaded = Settings::load(path, warnings);
    EXPECT_EQ(loaded.musicVolume, 40);
    EXPECT_EQ(loaded.effectsVolume, 100);
    EXPECT_FALSE(loaded.muted);
    EXPECT_FALSE(loaded.fullscreen);
    EXPECT_TRUE(loaded.verticalSync);
    EXPECT_EQ(loaded.frameRateLimit, 0);
    EXPECT_FALSE(loaded.backendUrl);
    EXPECT_FALSE(loaded.anonKey);
    EXPECT_EQ(loaded.uiScale, Settings::MIN_UI_SCALE);
    EXPECT_FALSE(loaded.hardMode);
    EXPECT_TRUE(loaded.unknownLines.empty());
    // "effects_volume", "muted = maybe", "fullscreen", "= true", the two limits,
    // "[display]", "Music_Volume", the URL, the key, the scale, hard mode, the
    // binary line, the long line, and the second "muted".
    EXPECT_EQ(lineCount(warnings.str()), 15u) << warnings.str();
    EXPECT_NE(warnings.str().find("line 4 of " + path + ": effects_volume = \"101\""),
              std::string::npos)
        << warnings.str();
    for (const char c : warnings.str()) {
        EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7f)) << "control byte in a warning";
    }
}

TEST_F(SettingsFileTest, FilesThatAreNotSettingsGiveTheDefaultsWithAWarning) {
    write(std::string(Settings::MAX_FILE_SIZE + 1, '#'));
    std::ostringstream oversized;
    EXPECT_EQ(Settings::load(path, oversized), Settings());
    EXPECT_NE(oversized.str().find("larger than"), std::string::npos);

    fs::remove(path);
    fs::create_directory(path);
    std::ostringstream folder;
    EXPECT_EQ(Settings::load(path, folder), Settings());
    EXPECT_NE(folder.str().find("is not a file"), std::string::npos);
    EXPECT_NE(Settings().save(path), "") << "a folder in the way is a failure, not a success";
}

TEST(Settings, TheCommandLineHoldsForTheRunOnTopOfTheFile) {
    Settings saved;
    saved.frameRateLimit = 120;
    saved.musicVolume = 20;
    CommandLineOptions options;
    EXPECT_EQ(saved.withCommandLine(options), saved);

    options.fullscreen = true;
    options.verticalSync = true;
    options.mute = true;
    options.frameRateLimit = 0;
    const Settings run = saved.withCommandLine(options);
    EXPECT_TRUE(run.fullscreen && run.verticalSync && run.muted);
    EXPECT_EQ(run.frameRateLimit, 0);
    EXPECT_EQ(run.musicVolume, 20);
    EXPECT_EQ(saved.frameRateLimit, 120) << "the saved settings are left as they were";
}

TEST(Settings, FrameRateLimitsAreNoneOrARateAScreenCanShow) {
    for (const char* good : {"0", "15", "60", "1000"}) {
        EXPECT_TRUE(Settings::parseFrameRateLimit(good)) << good;
    }
    for (const char* bad : {"1", "14", "1001", "-1", "60.0", "", "sixty"}) {
        EXPECT_FALSE(Settings::parseFrameRateLimit(bad)) << bad;
    }
}

TEST(Settings, TheBackendValuesFormALayerBetweenTheBuildAndTheEnvironment) {
    const Settings settings =
        Settings::parse("backend_url = https://Scores.Example.org/\nemail_domain = bad domain\n",
                        "test", std::cerr);
    std::ostringstream warnings;
    const BackendConfig config = BackendConfig::layered({settings.backendLayer()}, warnings);
    EXPECT_EQ(config.baseUrl, "https://scores.example.org");
    EXPECT_EQ(config.baseUrlSource, "settings file");
    EXPECT_EQ(config.anonKey, BACKEND_ANON_KEY);
    EXPECT_EQ(config.emailDomain, BACKEND_EMAIL_DOMAIN) << "an invalid value is ignored";
    EXPECT_NE(warnings.str().find("ignoring the e-mail domain from the settings file"),
              std::string::npos)
        << warnings.str();
}

} // namespace

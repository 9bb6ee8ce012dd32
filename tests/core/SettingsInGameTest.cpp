#include "core/GameTestSupport.h"

#include "assets/DataPaths.h"
#include "assets/SoundManager.h"
#include "ui/FieldViewLayout.h"

#include <SFML/Audio/Listener.hpp>
#include <SFML/Window/VideoMode.hpp>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

// The player's settings in a real game: read at start, the keys that work on
// every screen (M, F11), the command line for one run, and the frame-rate
// limit as the frame loop keeps it.

namespace {

namespace fs = std::filesystem;

class SettingsInGame : public testing::Test {
protected:
    void SetUp() override { fs::remove(settingsFile()); }
    void TearDown() override { fs::remove(settingsFile()); }

    static fs::path settingsFile() {
        return DataPaths::forThisProcess().playerConfigDir() / Settings::FILE_NAME;
    }
    static std::string savedText() {
        std::ifstream file(settingsFile());
        return std::string((std::istreambuf_iterator<char>(file)), {});
    }
    static void writeSettings(const std::string& text) {
        ASSERT_TRUE(DataPaths::makePrivateDirectory(settingsFile().parent_path()));
        std::ofstream(settingsFile()) << text;
    }
    static std::unique_ptr<Game> loadedGame(const CommandLineOptions& options = {}) {
        auto game = std::make_unique<Game>(1280, 720, "Skysling Clone", options);
        game->update(Game::LOADING_SECONDS);
        return game;
    }
};

// What the audio device is told for the music and the newest effect (both
// read back from the audio library's source, not from our own fields).
struct Heard {
    float music;
    float effect;
};

Heard heardNow() {
    SoundManager& sounds = SoundManager::getInstance();
    sounds.play(ButtonClick, 100.0f);
    return {sounds.music.getVolume(),
            sounds.newestSound() != nullptr ? sounds.newestSound()->getVolume() : -1.0f};
}

TEST_F(SettingsInGame, MSilencesEverythingOnAnyScreenAndTheFileKeepsIt) {
    auto game = loadedGame();
    SoundManager& sounds = SoundManager::getInstance();
    ASSERT_EQ(game->stateManager.state, Menu);
    ASSERT_EQ(sounds.music.getStatus(), sf::SoundSource::Playing) << "the menu music plays";
    const Heard before = heardNow();
    EXPECT_FLOAT_EQ(before.music, 50.0f);
    EXPECT_FLOAT_EQ(before.effect, 80.0f);
    const sf::Sound* playing = sounds.newestSound();

    game->input.handleEvent(keyPress(sf::Keyboard::M));
    EXPECT_TRUE(sounds.isMuted());
    EXPECT_EQ(sounds.currentMusicVolume(), 0.0f);
    EXPECT_EQ(sounds.currentEffectsVolume(), 0.0f);
    EXPECT_EQ(sounds.music.getVolume(), 0.0f);
    EXPECT_EQ(playing->getVolume(), 0.0f) << "an effect already playing falls silent too";
    EXPECT_EQ(heardNow().effect, 0.0f) << "and so does every new one";
    EXPECT_EQ(sounds.music.getStatus(), sf::SoundSource::Playing)
        << "the track runs on, silent, so that unmuting resumes it";
    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_NE(savedText().find("muted = true\n"), std::string::npos) << savedText();

    // Still muted on the next screen, and the key works there too.
    game->stateManager.startLevel();
    EXPECT_EQ(sounds.music.getVolume(), 0.0f);
    game->input.handleEvent(keyPress(sf::Keyboard::M));
    EXPECT_FALSE(sounds.isMuted());
    const Heard after = heardNow();
    EXPECT_FLOAT_EQ(after.music, 50.0f);
    EXPECT_FLOAT_EQ(after.effect, 80.0f);
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_NE(savedText().find("muted = false\n"), std::string::npos) << savedText();
    // Ctrl+M is not M.
    sf::Event withControl = keyPress(sf::Keyboard::M);
    withControl.key.control = true;
    game->input.handleEvent(withControl);
    EXPECT_FALSE(sounds.isMuted());
}

TEST_F(SettingsInGame, AnMTypedIntoATextFieldIsALetter) {
    auto game = loadedGame();
    GameStateManager& flow = game->stateManager;
    auto typeM = [&] {
        game->input.handleEvent(keyPress(sf::Keyboard::M));
        game->input.handleEvent(textEntered('m'));
    };
    flow.openLogin(Menu);
    flow.loginFocus = 1;
    typeM();
    flow.loginFocus = 2;
    typeM();
    EXPECT_EQ(flow.usernameInput, "m");
    EXPECT_EQ(flow.passwordInput, "m");
    EXPECT_FALSE(SoundManager::getInstance().isMuted());

    // On the login screen with no field in focus, M is the mute key again.
    flow.loginFocus = 0;
    typeM();
    EXPECT_TRUE(SoundManager::getInstance().isMuted());
    EXPECT_EQ(flow.usernameInput, "m");

    flow.transitionTo(EnterNickname);
    flow.nicknameInput.clear();
    typeM();
    EXPECT_EQ(flow.nicknameInput, "m");
    EXPECT_TRUE(SoundManager::getInstance().isMuted()) << "unchanged by the letter";
}

TEST_F(SettingsInGame, TheFileIsReadAtStartAndItsVolumesScaleTheGamesMix) {
    writeSettings("music_volume = 40\neffects_volume = 25\nmuted = true\nframe_rate_limit = 500\n");
    auto game = loadedGame();
    SoundManager& sounds = SoundManager::getInstance();
    EXPECT_TRUE(game->settings.muted);
    EXPECT_EQ(game->settings.frameRateLimit, 500);
    EXPECT_EQ(sounds.music.getVolume(), 0.0f);

    game->input.handleEvent(keyPress(sf::Keyboard::M));
    const Heard heard = heardNow();
    EXPECT_FLOAT_EQ(heard.music, 50.0f * 0.40f);
    EXPECT_FLOAT_EQ(heard.effect, 80.0f * 0.25f);
    // The rewrite keeps the player's other choices.
    const std::string text = savedText();
    for (const char* line : {"music_volume = 40\n", "effects_volume = 25\n", "muted = false\n",
                             "frame_rate_limit = 500\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
}

// The muted icon where the window of this size puts it, in what was drawn.
bool drawsMutedIcon(Game& game) {
    game.renderer.startRecording();
    game.drawFrame();
    game.renderer.stopRecording();
    const sf::Vector2u size = game.window.getSize();
    const sf::FloatRect icon =
        UIRenderer::mutedIconRect({static_cast<float>(size.x), static_cast<float>(size.y)});
    for (const DrawnElement& element : game.renderer.recorded()) {
        if (element.kind == DrawnElement::Box &&
            std::abs(element.pixels.left - icon.left) < 0.01f &&
            std::abs(element.pixels.top - icon.top) < 0.01f) {
            return true;
        }
    }
    return false;
}

TEST_F(SettingsInGame, F11GoesFullscreenAndBackAndTheFieldStillFits) {
    auto game = loadedGame();
    game->stateManager.startLevel();
    game->toggleMute();
    const sf::VideoMode screen = sf::VideoMode::getDesktopMode();

    game->input.handleEvent(keyPress(sf::Keyboard::F11));
    EXPECT_TRUE(game->settings.fullscreen);
    EXPECT_EQ(game->window.getSize(), sf::Vector2u(screen.width, screen.height));
    EXPECT_NE(savedText().find("fullscreen = true\n"), std::string::npos) << savedText();
    const FieldViewLayout fullscreenField(game->window.getSize());
    EXPECT_EQ(game->gameView.getSize(), fullscreenField.size);
    EXPECT_EQ(game->gameView.getViewport(), fullscreenField.viewport);
    // The new window draws the field through the camera, and the icon in its
    // own corner.
    EXPECT_TRUE(drawsMutedIcon(*game));
    EXPECT_EQ(game->window.getView().getSize(), fullscreenField.size);

    game->input.handleEvent(keyPress(sf::Keyboard::F11));
    EXPECT_FALSE(game->settings.fullscreen);
    EXPECT_EQ(game->window.getSize(), sf::Vector2u(1280, 720));
    EXPECT_EQ(game->gameView.getSize(), FieldViewLayout({1280, 720}).size);
    EXPECT_NE(savedText().find("fullscreen = false\n"), std::string::npos) << savedText();
    EXPECT_TRUE(drawsMutedIcon(*game));
    EXPECT_EQ(game->stateManager.state, Playing) << "the level goes on";
}

TEST_F(SettingsInGame, CommandLineOptionsHoldForThisRunAndAreNeverSaved) {
    writeSettings("music_volume = 70\n");
    CommandLineOptions options;
    options.mute = true;
    options.frameRateLimit = 30;
    auto game = loadedGame(options);
    EXPECT_TRUE(SoundManager::getInstance().isMuted());
    EXPECT_EQ(game->settings.frameRateLimit, 30);
    EXPECT_EQ(game->savedSettings.frameRateLimit, 0);
    EXPECT_EQ(savedText(), "music_volume = 70\n") << "starting writes nothing";

    // A change in the game saves the player's settings with that change only.
    game->input.handleEvent(keyPress(sf::Keyboard::F11));
    const std::string text = savedText();
    EXPECT_NE(text.find("fullscreen = true\n"), std::string::npos) << text;
    EXPECT_NE(text.find("muted = false\n"), std::string::npos) << text;
    EXPECT_NE(text.find("frame_rate_limit = 0\n"), std::string::npos) << text;
    EXPECT_NE(text.find("music_volume = 70\n"), std::string::npos) << text;
    EXPECT_TRUE(SoundManager::getInstance().isMuted()) << "still muted for this run";
    game->input.handleEvent(keyPress(sf::Keyboard::F11));
}

// The frame loop as run() turns it, on the menu, with --fps-limit 30, on a
// clock of the test's own: drawing takes 4 ms a frame and every sleep runs
// 2 ms long, and a second still holds thirty frames. Without the limit the
// loop never sleeps. (What the real clock shows is benchmarks/FrameBenchmark's.)
TEST_F(SettingsInGame, AFrameRateLimitOfThirtyHoldsTheMenuAtThirty) {
    using namespace std::chrono_literals;
    for (const std::optional<int> limit : {std::optional<int>(30), std::optional<int>()}) {
        CommandLineOptions options;
        options.frameRateLimit = limit;
        auto game = loadedGame(options);
        ASSERT_EQ(game->stateManager.state, Menu);
        FramePacer::Clock::time_point clock{};
        int sleeps = 0;
        game->framePacer.setClock([&] { return clock; },
                                  [&](FramePacer::Clock::duration span) {
                                      clock += span + 2ms;
                                      ++sleeps;
                                  });
        int frames = 0;
        while (clock < FramePacer::Clock::time_point{} + 1s) {
            clock += 4ms;
            game->runFrame(1.0f / 30.0f);
            ++frames;
        }
        if (limit) {
            EXPECT_NEAR(frames, 30, 1);
            EXPECT_EQ(game->stateManager.state, Menu);
        } else {
            EXPECT_EQ(sleeps, 0);
        }
    }
}

} // namespace

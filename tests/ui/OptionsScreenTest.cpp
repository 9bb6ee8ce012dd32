#include "core/GameTestSupport.h"

#include "assets/DataPaths.h"
#include "assets/SoundManager.h"
#include "ui/OptionsScreen.h"
#include "ui/ScreenChecks.h"
#include "ui/UiScale.h"

#include <SFML/Audio/Sound.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

// The options screen in a real game: the keys and the mouse change the
// settings, each change is applied at once and kept in the settings file,
// and the screen goes back to where it was opened from.

namespace {

namespace fs = std::filesystem;

class OptionsInGame : public testing::Test {
protected:
    void SetUp() override {
        fs::remove(settingsFile());
        game = makeLoadedGame();
        ASSERT_EQ(game->stateManager.state, Menu);
    }
    void TearDown() override { fs::remove(settingsFile()); }

    static fs::path settingsFile() {
        return DataPaths::forThisProcess().playerConfigDir() / Settings::FILE_NAME;
    }
    static Settings saved() {
        std::ostringstream warnings;
        const Settings settings = Settings::load(settingsFile().string(), warnings);
        EXPECT_EQ(warnings.str(), "");
        return settings;
    }
    void press(sf::Keyboard::Key key, int times = 1) {
        for (int i = 0; i < times; ++i) {
            game->input.handleEvent(keyPress(key));
        }
    }
    void chooseLine(OptionsScreen::Line line) {
        while (game->optionsScreen.selection() != line) {
            press(sf::Keyboard::Down);
        }
    }
    static float heardEffect() {
        SoundManager& sounds = SoundManager::getInstance();
        sounds.play(ButtonClick, 100.0f);
        return sounds.newestSound() != nullptr ? sounds.newestSound()->getVolume() : -1.0f;
    }

    std::unique_ptr<Game> game;
};

TEST_F(OptionsInGame, TheKeysChangeSettingsThatApplyAtOnceAndAreSaved) {
    const float loud = heardEffect();
    press(sf::Keyboard::O);
    ASSERT_EQ(game->stateManager.state, OptionsMenu);

    chooseLine(OptionsScreen::EffectsVolumeLine);
    press(sf::Keyboard::Left, 2);
    EXPECT_EQ(game->settings.effectsVolume, 80);
    EXPECT_FLOAT_EQ(heardEffect(), loud * 0.8f) << "the new level is heard at once";

    chooseLine(OptionsScreen::FrameRateLine);
    press(sf::Keyboard::Left); // from no limit to the highest limit offered
    const int limit = game->settings.frameRateLimit;
    EXPECT_TRUE(Settings::isFrameRateLimit(limit));
    EXPECT_NE(limit, Settings::NO_FRAME_RATE_LIMIT);
    EXPECT_EQ(game->framePacer.limit(), limit);

    chooseLine(OptionsScreen::HardModeLine);
    press(sf::Keyboard::Enter);
    chooseLine(OptionsScreen::UiScaleLine);
    press(sf::Keyboard::Right, 10); // held on past the largest
    EXPECT_EQ(game->settings.uiScale, Settings::MAX_UI_SCALE);

    const Settings file = saved();
    EXPECT_EQ(file.effectsVolume, 80);
    EXPECT_EQ(file.frameRateLimit, limit);
    EXPECT_TRUE(file.hardMode);
    EXPECT_EQ(file.uiScale, Settings::MAX_UI_SCALE);
    EXPECT_EQ(file.musicVolume, 100) << "untouched lines keep their values";
    // A new run starts with them.
    game.reset();
    game = makeLoadedGame();
    EXPECT_EQ(game->settings, file);
}

TEST_F(OptionsInGame, EscapeGoesBackToTheMenuOrToThePausedAttemptAsItWas) {
    press(sf::Keyboard::O);
    ASSERT_EQ(game->stateManager.state, OptionsMenu);
    press(sf::Keyboard::Escape);
    EXPECT_EQ(game->stateManager.state, Menu);

    playLevel(*game, writeLevelFile("options", THREE_BIRDS_ONE_ENEMY));
    for (int i = 0; i < 30; ++i) {
        game->update(Game::STEP_SECONDS);
    }
    press(sf::Keyboard::Escape);
    ASSERT_EQ(game->stateManager.state, Paused);
    // The pause menu's own entry opens it too.
    press(sf::Keyboard::Down, PauseLayout::OptionsEntry);
    press(sf::Keyboard::Enter);
    ASSERT_EQ(game->stateManager.state, OptionsMenu);
    const std::uint64_t steps = game->attempt.stepsTaken();
    for (int i = 0; i < 120; ++i) {
        game->update(Game::STEP_SECONDS);
        game->drawFrame();
    }
    chooseLine(OptionsScreen::ShotTrailLine);
    press(sf::Keyboard::Enter); // toggles a line, does not leave
    EXPECT_FALSE(game->settings.shotTrail);
    EXPECT_EQ(game->stateManager.state, OptionsMenu);
    EXPECT_EQ(game->attempt.stepsTaken(), steps) << "the attempt waits while options are open";
    press(sf::Keyboard::Escape);
    EXPECT_EQ(game->stateManager.state, Paused);
    EXPECT_EQ(game->stateManager.pauseSelection, PauseLayout::OptionsEntry);
    EXPECT_EQ(game->attempt.stepsTaken(), steps);

    // O from the pause menu, and Back (Enter on the last line) to leave.
    press(sf::Keyboard::O);
    ASSERT_EQ(game->stateManager.state, OptionsMenu);
    press(sf::Keyboard::Up);
    ASSERT_EQ(game->optionsScreen.selection(), OptionsScreen::BackLine);
    press(sf::Keyboard::Enter);
    EXPECT_EQ(game->stateManager.state, Paused);
}

// At 200 % in a large window the screen is twice the size; in a small one the
// scale is cut back so that the whole panel stays in the window. Either way
// a click lands on what is drawn where it is clicked.
TEST_F(OptionsInGame, AtAnyScaleThePanelFitsAndTheMouseHitsWhatIsDrawn) {
    for (const sf::Vector2u size : {sf::Vector2u(2048, 1152), sf::Vector2u(1024, 576)}) {
        const UiScale scale(Settings::MAX_UI_SCALE, size);
        const OptionsScreen::Layout layout(scale.layoutSize());
        EXPECT_GE(layout.panel.left, 0.0f);
        EXPECT_GE(layout.panel.top, 0.0f);
        EXPECT_LE(layout.panel.left + layout.panel.width, static_cast<float>(scale.layoutSize().x));
        EXPECT_LE(layout.panel.top + layout.panel.height, static_cast<float>(scale.layoutSize().y));
        EXPECT_FLOAT_EQ(scale.factor(), size.x == 2048 ? 2.0f : 1.0f);
    }

    // The 1280 x 720 window has room for 125 %, not more.
    game->changeSetting([](Settings& s) { s.uiScale = Settings::MAX_UI_SCALE; });
    game->openOptions(Menu);
    const UiScale scale = game->screenScale();
    ASSERT_FLOAT_EQ(scale.factor(), 1.25f);
    const OptionsScreen::Layout layout(scale.layoutSize());
    auto pixelOf = [&](const sf::FloatRect& box, float x) {
        return game->window.mapCoordsToPixel({box.left + x, box.top + box.height / 2.0f},
                                             scale.view());
    };
    const sf::FloatRect less = layout.less(OptionsScreen::MusicVolumeLine);
    const sf::Vector2i lessPixel = pixelOf(less, less.width / 2.0f);
    EXPECT_GT(lessPixel.x, static_cast<int>(less.left + less.width)) << "drawn larger";
    game->input.handleEvent(mousePress(lessPixel.x, lessPixel.y));
    EXPECT_EQ(game->settings.musicVolume, 100 - OptionsScreen::VOLUME_STEP);
    const sf::FloatRect more = layout.more(OptionsScreen::MusicVolumeLine);
    const sf::Vector2i morePixel = pixelOf(more, more.width / 2.0f);
    game->input.handleEvent(mousePress(morePixel.x, morePixel.y));
    EXPECT_EQ(game->settings.musicVolume, 100);
    // A click on a toggle's line toggles it.
    const sf::Vector2i ghostPixel = pixelOf(layout.line(OptionsScreen::GhostLine), 40.0f);
    const bool ghostBefore = game->settings.ghost;
    game->input.handleEvent(mousePress(ghostPixel.x, ghostPixel.y));
    EXPECT_NE(game->settings.ghost, ghostBefore);
    EXPECT_EQ(game->optionsScreen.selection(), OptionsScreen::GhostLine);
}

// Drawn at two window sizes and two scales (the screenshots are kept to be
// looked at): every line's name lies inside the line the mouse hits, and
// the whole panel inside the window.
TEST_F(OptionsInGame, EachLineIsDrawnInsideTheAreaThatAnswersTheMouse) {
    game->openOptions(Menu);
    struct Case {
        sf::Vector2u size;
        int percent;
    };
    for (const Case& shown : {Case{{1024, 576}, 200}, Case{{1600, 900}, 150}}) {
        resizeWindow(*game, shown.size);
        game->changeSetting([&](Settings& s) { s.uiScale = shown.percent; });
        const DrawnFrame frame = drawRecordedFrame(*game);
        keepScreenshot(frame, "options_" + sizeName(shown.size));
        const UiScale scale = game->screenScale();
        const OptionsScreen::Layout layout(scale.layoutSize());
        auto inWindow = [&](const sf::FloatRect& box) {
            const sf::Vector2i from =
                game->window.mapCoordsToPixel({box.left, box.top}, scale.view());
            const sf::Vector2i to = game->window.mapCoordsToPixel(
                {box.left + box.width, box.top + box.height}, scale.view());
            return sf::FloatRect(static_cast<float>(from.x), static_cast<float>(from.y),
                                 static_cast<float>(to.x - from.x),
                                 static_cast<float>(to.y - from.y));
        };
        const sf::FloatRect panel = inWindow(layout.panel);
        EXPECT_GE(panel.left, 0.0f);
        EXPECT_GE(panel.top, 0.0f);
        EXPECT_LE(panel.left + panel.width, static_cast<float>(shown.size.x));
        EXPECT_LE(panel.top + panel.height, static_cast<float>(shown.size.y));
        for (int i = 0; i < OptionsScreen::LINE_COUNT; ++i) {
            const auto line = static_cast<OptionsScreen::Line>(i);
            const DrawnElement* name = findText(frame, OptionsScreen::label(line));
            ASSERT_NE(name, nullptr) << OptionsScreen::label(line);
            const sf::FloatRect area = inWindow(layout.line(i));
            const sf::FloatRect ink = name->pixels;
            EXPECT_TRUE(area.contains(ink.left, ink.top) &&
                        area.contains(ink.left + ink.width, ink.top + ink.height))
                << OptionsScreen::label(line) << " at " << sizeName(shown.size);
        }
    }
}

} // namespace

// The rules of the lines without a window.
TEST(OptionsRules, StepsStayInTheirBoundsAndComeOntoTheirSteps) {
    Settings settings;
    settings.musicVolume = 5; // edited into the file, off the steps
    auto step = [&](OptionsScreen::Line line, int direction) {
        if (const auto change = OptionsScreen::changeFor(settings, line, direction)) {
            (*change)(settings);
            return true;
        }
        return false;
    };
    EXPECT_TRUE(step(OptionsScreen::MusicVolumeLine, 1));
    EXPECT_EQ(settings.musicVolume, 10);
    EXPECT_TRUE(step(OptionsScreen::MusicVolumeLine, -1));
    EXPECT_EQ(settings.musicVolume, 0);
    EXPECT_FALSE(step(OptionsScreen::MusicVolumeLine, -1)) << "nothing below silence";

    settings.frameRateLimit = 75;
    EXPECT_TRUE(step(OptionsScreen::FrameRateLine, -1));
    EXPECT_EQ(settings.frameRateLimit, 60);
    for (int i = 0; i < 10; ++i) {
        step(OptionsScreen::FrameRateLine, 1);
    }
    EXPECT_EQ(settings.frameRateLimit, Settings::NO_FRAME_RATE_LIMIT) << "the top is no limit";

    settings.uiScale = 130;
    EXPECT_TRUE(step(OptionsScreen::UiScaleLine, -1));
    EXPECT_EQ(settings.uiScale, 125);
    EXPECT_TRUE(step(OptionsScreen::VerticalSyncLine, 0));
    EXPECT_TRUE(settings.verticalSync) << "Enter toggles a flag";
    EXPECT_FALSE(step(OptionsScreen::UiScaleLine, 0)) << "Enter leaves a number alone";
}

#include "e2e/GameProcess.h"

#include "core/GameTestSupport.h"

#include "BuildPaths.h"
#include "ui/LevelSelectLayout.h"
#include "ui/UIRenderer.h"
#include "ui/UiTestGame.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

// One whole session of the real executable: loading, menu, level select, a
// shot with the aiming preview, pause, back to the menu, the high scores and
// quitting, with a screenshot of every screen kept in test-output.

namespace {

const sf::Color CLEAR_COLOUR(30, 30, 30);
const sf::Vector2u WINDOW_SIZE(1280, 720);

std::filesystem::path outputDir() {
    const std::filesystem::path dir = std::filesystem::path(VOLLARIN_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(dir);
    return dir;
}

std::filesystem::path shot(const char* name) {
    return outputDir() / (std::string("e2e_") + name + ".png");
}

int brightness(sf::Color c) {
    return c.r + c.g + c.b;
}

// Share of the pixels of a region that differ from a colour.
double shareNotColour(const sf::Image& image, sf::Color colour, sf::IntRect area) {
    int differ = 0;
    for (int y = area.top; y < area.top + area.height; ++y) {
        for (int x = area.left; x < area.left + area.width; ++x) {
            differ += image.getPixel(x, y) != colour ? 1 : 0;
        }
    }
    return static_cast<double>(differ) / (area.width * area.height);
}

double meanBrightness(const sf::Image& image, sf::IntRect area) {
    long total = 0;
    for (int y = area.top; y < area.top + area.height; ++y) {
        for (int x = area.left; x < area.left + area.width; ++x) {
            total += brightness(image.getPixel(x, y));
        }
    }
    return static_cast<double>(total) / (area.width * area.height);
}

int differingPixels(const sf::Image& a, const sf::Image& b, sf::IntRect area) {
    int count = 0;
    for (int y = area.top; y < area.top + area.height; ++y) {
        for (int x = area.left; x < area.left + area.width; ++x) {
            count += a.getPixel(x, y) != b.getPixel(x, y) ? 1 : 0;
        }
    }
    return count;
}

sf::IntRect area(const sf::FloatRect& rect) {
    return {static_cast<int>(rect.left), static_cast<int>(rect.top), static_cast<int>(rect.width),
            static_cast<int>(rect.height)};
}

// Share of a region's pixels that are clearly unlike the same pixels of
// `reference` (scaling and blending leave small differences everywhere).
double shareUnlike(const sf::Image& image, const sf::Image& reference, sf::IntRect rect) {
    int unlike = 0;
    for (int y = rect.top; y < rect.top + rect.height; ++y) {
        for (int x = rect.left; x < rect.left + rect.width; ++x) {
            const sf::Color a = image.getPixel(x, y);
            const sf::Color b = reference.getPixel(x, y);
            unlike += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 60 ? 1 : 0;
        }
    }
    return static_cast<double>(unlike) / (rect.width * rect.height);
}

bool hasWindowSize(const sf::Image& image) {
    return image.getSize() == WINDOW_SIZE;
}

sf::Vector2u imageSize(const std::string& relative) {
    sf::Image image;
    const std::string path = std::string(VOLLARIN_SOURCE_DIR) + "/resources/images/" + relative;
    return image.loadFromFile(path) ? image.getSize() : sf::Vector2u();
}

sf::Vector2i centreOf(const sf::FloatRect& rect) {
    return {static_cast<int>(rect.left + rect.width / 2.0f),
            static_cast<int>(rect.top + rect.height / 2.0f)};
}

// World pixels of the field to window pixels: the field view is 1600 x 900
// around (500, 350) in a 1280 x 720 window.
sf::Vector2i fieldToWindow(float x, float y) {
    return {static_cast<int>((x + 300.0f) / 1.25f), static_cast<int>((y + 100.0f) / 1.25f)};
}

class GameEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(std::filesystem::exists(VOLLARIN_GAME_EXE));
        ASSERT_TRUE(game.start());
        ASSERT_TRUE(game.findWindow()) << game.log();
        // The menu's image buttons are laid out from their texture sizes.
        menu = UIRenderer::menuButtonRects(WINDOW_SIZE, imageSize("start_button.png"),
                                           imageSize("button_quit.png"),
                                           imageSize("button_highscore.png"));
    }

    void TearDown() override { game.kill(); }

    GameProcess game{outputDir() / "e2e_game.log"};
    MenuButtonRects menu;
};

TEST_F(GameEndToEnd, PlaysOneShotThroughEveryScreenAndQuitsCleanly) {
    // Loading: the first presented frame is the loading screen.
    const auto loading = game.screenshotWhen(shot("loading"), [](const sf::Image& image) {
        return hasWindowSize(image) &&
               shareNotColour(image, sf::Color::Black, {0, 0, 1280, 720}) > 0.5;
    });
    ASSERT_TRUE(loading);
    EXPECT_GT(shareNotColour(*loading, CLEAR_COLOUR, {0, 0, 1280, 720}), 0.5);
    const bool loadingShown = game.log().find("Transitioning from 0 to 1") == std::string::npos;

    // Menu.
    ASSERT_TRUE(game.waitForLog("Transitioning from 0 to 1\n")) << game.log();
    ASSERT_TRUE(menu.startShown && menu.quitShown && menu.highScoreShown);
    const sf::Vector2i start = centreOf(menu.start);
    EXPECT_EQ(start, sf::Vector2i(640, 375));
    // The menu is the loading picture with image buttons on it; a loading
    // frame has only the small moving bird there, which can cover at most
    // one of the three buttons' places.
    sf::Image background;
    ASSERT_TRUE(background.loadFromFile(std::string(VOLLARIN_SOURCE_DIR) +
                                        "/resources/images/loading_bg.png"));
    auto coveredShare = [&](const sf::Image& image, const sf::FloatRect& rect) {
        return shareUnlike(image, background, area(rect));
    };
    const auto menuImage = game.screenshotWhen(shot("menu"), [&](const sf::Image& image) {
        return hasWindowSize(image) && coveredShare(image, menu.start) > 0.5 &&
               coveredShare(image, menu.quit) > 0.5 && coveredShare(image, menu.highScore) > 0.5;
    });
    ASSERT_TRUE(menuImage);
    EXPECT_GT(shareNotColour(*menuImage, CLEAR_COLOUR, {0, 0, 1280, 720}), 0.9);
    // On a busy machine the three seconds of loading may be over before the
    // window is found; only a capture made while loading must lack the buttons.
    if (loadingShown) {
        EXPECT_LT(coveredShare(*loading, menu.start), 0.5);
    }

    // Level select: cell 0 is selected, so it is yellow.
    std::size_t mark = game.log().size();
    ASSERT_TRUE(game.click(start.x, start.y));
    ASSERT_TRUE(game.waitForLog("Transitioning from 1 to 2\n", mark)) << game.log();
    const LevelSelectLayout layout(WINDOW_SIZE, 7);
    const auto levelSelect = game.screenshotWhen(shot("level_select"), [](const sf::Image& image) {
        return hasWindowSize(image) && image.getPixel(270, 250) == sf::Color::Yellow;
    });
    ASSERT_TRUE(levelSelect) << "cell 0 never showed up yellow";
    EXPECT_EQ(levelSelect->getPixel(470, 250), sf::Color(100, 100, 100)); // cell 1 is not selected
    EXPECT_EQ(layout.cellAt({340.0f, 295.0f}), 0);

    // Playing: the first level loads and the bird sits in the slingshot.
    mark = game.log().size();
    ASSERT_TRUE(game.click(340, 295));
    ASSERT_TRUE(game.waitForLog("Game constructor: finished.", mark)) << game.log();
    const auto playing = game.screenshotWhen(shot("playing"), [&](const sf::Image& image) {
        return hasWindowSize(image) &&
               differingPixels(image, *levelSelect, {0, 0, 1280, 720}) > 1280 * 720 / 2;
    });
    ASSERT_TRUE(playing);

    // Aiming: press on the seated bird, pull left and down in small steps and
    // photograph the preview while the button is still held.
    const sf::Vector2i bird = fieldToWindow(48.0f, 495.0f);
    EXPECT_EQ(bird, sf::Vector2i(278, 476));
    mark = game.log().size();
    ASSERT_TRUE(game.moveMouse(bird.x, bird.y));
    ASSERT_TRUE(game.pressButton());
    const sf::Vector2i pulled = fieldToWindow(-40.0f, 560.0f);
    for (int step = 1; step <= 10; ++step) {
        ASSERT_TRUE(game.moveMouse(bird.x + (pulled.x - bird.x) * step / 10,
                                   bird.y + (pulled.y - bird.y) * step / 10));
    }
    const sf::IntRect slingshotArea{0, 300, 700, 300};
    const auto aiming = game.screenshotWhen(shot("aiming"), [&](const sf::Image& image) {
        return hasWindowSize(image) && differingPixels(image, *playing, slingshotArea) > 500;
    });
    EXPECT_TRUE(aiming) << "the pull and its preview never showed";
    ASSERT_TRUE(game.releaseButton());
    ASSERT_TRUE(game.waitForLog("launched with velocity", mark)) << game.log();
    const std::string shotLog = game.log().substr(mark);
    EXPECT_NE(shotLog.find("Drag: ("), std::string::npos) << shotLog;
    EXPECT_LT(shotLog.find("Drag: ("), shotLog.find("launched with velocity"));

    // Paused: the overlay darkens the field under it.
    const auto flying = game.screenshot(shot("flying"));
    ASSERT_TRUE(flying);
    mark = game.log().size();
    ASSERT_TRUE(game.key("Escape"));
    ASSERT_TRUE(game.waitForLog("Transitioning from 3 to 4\n", mark)) << game.log();
    const sf::IntRect calmArea{560, 130, 220, 110};
    const auto paused = game.screenshotWhen(shot("paused"), [&](const sf::Image& image) {
        return hasWindowSize(image) &&
               meanBrightness(image, calmArea) < meanBrightness(*flying, calmArea) * 0.7;
    });
    EXPECT_TRUE(paused) << "the pause overlay never darkened the field";

    // "Quit to Menu" (the fourth entry, centred in the window) sets the state
    // without a transition line: wait for the menu's picture instead.
    ASSERT_TRUE(game.click(640, 452));
    const auto backInMenu = game.screenshotWhen(shot("menu_again"), [&](const sf::Image& image) {
        return hasWindowSize(image) &&
               differingPixels(image, *menuImage, {0, 0, 1280, 720}) < 1280 * 720 / 100;
    });
    EXPECT_TRUE(backInMenu) << "Quit to Menu did not bring the menu back";

    // High scores: the button fetches the first level's list (no backend runs
    // here, so it normally fails) and shows the panel with its yellow title.
    mark = game.log().size();
    const sf::Vector2i highScores = centreOf(menu.highScore);
    ASSERT_TRUE(game.click(highScores.x, highScores.y));
    ASSERT_TRUE(game.waitForLog("Transitioning from 1 to 7\n", mark)) << game.log();
    // Either "Failed to fetch high scores" or "High scores fetched ...".
    ASSERT_TRUE(game.waitForLog("igh scores", mark)) << game.log();
    const auto scores = game.screenshotWhen(shot("high_scores"), [](const sf::Image& image) {
        int yellow = 0;
        for (unsigned y = 120; y < 190; ++y) {
            for (unsigned x = 415; x < 865; ++x) {
                yellow += image.getPixel(x, y) == sf::Color::Yellow ? 1 : 0;
            }
        }
        return yellow > 50;
    });
    EXPECT_TRUE(scores) << "the high-score panel never showed its title";
    mark = game.log().size();
    ASSERT_TRUE(game.key("Escape"));
    ASSERT_TRUE(game.waitForLog("Transitioning from 7 to 1\n", mark)) << game.log();

    // Quit, left of the start button: the run ends normally.
    const sf::Vector2i quit = centreOf(menu.quit);
    ASSERT_TRUE(game.click(quit.x, quit.y));
    const std::optional<int> status = game.waitForExit();
    ASSERT_TRUE(status) << "the game did not end after Quit";
    EXPECT_EQ(*status, 0);
    const std::string log = game.log();
    EXPECT_NE(log.find("main: Game finished."), std::string::npos) << log;
    EXPECT_EQ(log.find("exception"), std::string::npos) << log;
}

} // namespace

// Screens that a scripted real session cannot reach in reasonable time (a won
// level, the nickname entry, the login screens): an in-process game draws
// them with believable values, and the frames are kept like the others.

namespace {

const sf::Color GOLD(255, 215, 0);
const sf::Color STAR_GREY(80, 80, 80);

class DrawnScreens : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        game->stateManager.onlineHighScores = {
            {"ava", 3100, 0}, {"bo", 2500, 0}, {"cyrus_the_great_1", 2200, 0}, {"dee", 900, 0}};
    }

    sf::Image keep(const char* name) {
        const sf::Image image = captureWindow(game->window);
        EXPECT_TRUE(image.saveToFile(shot(name).string()));
        game->renderer.display();
        return image;
    }

    std::unique_ptr<Game> game;
};

TEST_F(DrawnScreens, LevelCompleteShowsTheStarsEarnedAndTheOnlineList) {
    game->renderer.clearFrame();
    game->ui.drawLevelComplete(LevelComplete, 0, 2, 1200, 3400, 3, 1, true, "pilot",
                               game->stateManager.onlineHighScores);
    const sf::Image image = keep("level_complete");
    // Stars centred at x 280, 340, 400 on y 240: two earned, one not.
    EXPECT_EQ(image.getPixel(280, 240), GOLD);
    EXPECT_EQ(image.getPixel(340, 240), GOLD);
    EXPECT_EQ(image.getPixel(400, 240), STAR_GREY);
    EXPECT_GT(shareNotColour(image, CLEAR_COLOUR, {0, 0, 1280, 720}), 0.9);
}

TEST_F(DrawnScreens, NicknameEntryShowsTheTypedName) {
    auto frameWith = [&](const std::string& name, const char* file) {
        game->renderer.clearFrame();
        game->ui.drawNicknameEntry(EnterNickname, 3, 1200, name);
        return file != nullptr ? keep(file) : captureWindow(game->window);
    };
    const sf::Image empty = frameWith("", nullptr);
    const sf::Image typed = frameWith("Ace_1", "nickname");
    // The name appears in the field in the middle of the window.
    EXPECT_GT(differingPixels(empty, typed, {490, 300, 300, 200}), 50);
}

TEST_F(DrawnScreens, LoginScreensSignedOutAndSignedIn) {
    game->renderer.clearFrame();
    game->ui.drawLoginScreen(Login, false, "", "pilot", "secret", true, 2);
    const sf::Image signedOut = keep("login");
    game->renderer.clearFrame();
    game->ui.drawLoginScreen(Login, true, "pilot", "", "", true, 0);
    const sf::Image signedIn = keep("login_signed_in");
    EXPECT_GT(differingPixels(signedOut, signedIn, {0, 0, 1280, 720}), 1000);
    // The Login button (green) and the Sign Out button (red) sit where their
    // slots say.
    const sf::Vector2i login = centreOf(game->ui.loginButtonRect);
    const sf::Vector2i signOut = centreOf(game->ui.signOutButtonRect);
    EXPECT_GT(signedOut.getPixel(login.x - 60, login.y).g, 60);
    EXPECT_GT(signedIn.getPixel(signOut.x - 80, signOut.y).r, 60);
}

TEST_F(DrawnScreens, HighScoresListsTheFetchedRows) {
    game->renderer.clearFrame();
    game->ui.drawHighScores(HighScores, 2, 7, game->stateManager.onlineHighScores);
    const sf::Image list = keep("high_scores_list");
    game->renderer.clearFrame();
    game->ui.drawHighScores(HighScores, 2, 7, {});
    const sf::Image none = captureWindow(game->window);
    game->renderer.display();
    // Rows start 130 px below the panel's top (120).
    EXPECT_GT(differingPixels(list, none, {415, 240, 450, 150}), 200);
}

} // namespace

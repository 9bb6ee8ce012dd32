// Screens drawn into the real 1280 x 720 game window (under a virtual
// display): the click areas they publish, the hit tests over them and a few
// pixels read back before the frame is presented.

#include "ui/UIRenderer.h"

#include "ui/LevelSelectLayout.h"
#include "ui/UiTestGame.h"

#include <SFML/Graphics/Text.hpp>
#include <cmath>
#include <gtest/gtest.h>

namespace {

const sf::FloatRect UNTOUCHED(-1.0f, -2.0f, 3.0f, 4.0f);

sf::Vector2f centreOf(const sf::FloatRect& rect) {
    return {rect.left + rect.width / 2.0f, rect.top + rect.height / 2.0f};
}

bool isYellowish(sf::Color c) {
    return c.r > 150 && c.g > 150 && c.b < 60;
}

class UIRendererTest : public ::testing::Test {
protected:
    void SetUp() override {
        game.window.setView(game.window.getDefaultView());
        game.window.clear(sf::Color::Black);
        game.stateManager.isLoggedIn = false;
    }
    void TearDown() override { game.stateManager.isLoggedIn = false; }

    float textWidth(const std::string& string, unsigned int size) const {
        return sf::Text(string, game.renderer.getFont(), size).getLocalBounds().width;
    }
    const sf::Texture* texture(const char* key) const {
        return ResourceManager::getInstance().getTexture(key);
    }
    int yellowPixelsIn(const sf::Image& image, int top, int bottom) const {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = 440; x < 840; ++x) {
                count += isYellowish(image.getPixel(x, y)) ? 1 : 0;
            }
        }
        return count;
    }

    Game& game = uiTestGame();
    UIRenderer& ui = game.ui;
};

TEST_F(UIRendererTest, MenuPublishesItsButtonsAndRestoresTheView) {
    const sf::View camera(sf::Vector2f(500.0f, 360.0f), sf::Vector2f(1200.0f, 900.0f));
    game.window.setView(camera);
    ui.startButtonRect = ui.quitButtonRect = ui.highScoreButtonRect = UNTOUCHED;
    ui.drawMenu(Menu, false, "");

    auto size = [](const sf::Texture* t) { return t ? t->getSize() : sf::Vector2u(0, 0); };
    const MenuButtonRects expected = UIRenderer::menuButtonRects(
        {1280, 720}, size(texture("start_button")), size(texture("button_quit")),
        size(texture("button_highscore")));
    EXPECT_EQ(ui.startButtonRect, expected.startShown ? expected.start : UNTOUCHED);
    EXPECT_EQ(ui.quitButtonRect, expected.quitShown ? expected.quit : UNTOUCHED);
    EXPECT_EQ(ui.highScoreButtonRect, expected.highScoreShown ? expected.highScore : UNTOUCHED);
    EXPECT_EQ(game.window.getView().getCenter(), camera.getCenter());
    EXPECT_EQ(game.window.getView().getSize(), camera.getSize());
}

TEST_F(UIRendererTest, LoginButtonIsCentredAndWidensForLongNames) {
    if (texture("button_login") == nullptr) {
        GTEST_SKIP() << "button_login image not available";
    }
    ui.drawMenu(Menu, false, "");
    const sf::FloatRect signedOut = ui.menuLoginButtonRect;
    EXPECT_EQ(centreOf(signedOut), sf::Vector2f(1185.0f, 650.0f));

    // A name wider than the icon widens the box around the same centre
    // (its label has a 2 px outline on either side).
    const std::string name = "skypilot77";
    ui.drawMenu(Menu, true, name);
    const sf::FloatRect signedIn = ui.menuLoginButtonRect;
    EXPECT_NEAR(signedIn.width, textWidth(name, 20) + 4.0f, 1.0f);
    EXPECT_GT(signedIn.width, 50.0f); // wider than the 50 px icon
    EXPECT_NEAR(centreOf(signedIn).x, 1185.0f, 0.01f);

    // A name too wide for the corner is cut short, and the whole button
    // stays 20 px inside the window.
    ui.drawMenu(Menu, true, "WWWWWWWWWWWWWWWWWWWW");
    const sf::FloatRect widest = ui.menuLoginButtonRect;
    EXPECT_LE(widest.width, 204.0f);
    EXPECT_LE(widest.left + widest.width, 1260.0f);
    EXPECT_LE(widest.top + widest.height, 700.0f);
}

TEST_F(UIRendererTest, HudPublishesLevelsButtonInScreenSpace) {
    game.window.setView(sf::View(sf::Vector2f(900.0f, 100.0f), sf::Vector2f(600.0f, 400.0f)));
    ui.startButtonRect = UNTOUCHED;
    ui.drawHUD(Menu, game.gameView, 0, 0, 7, 0.0f, "", nullptr, false, "");
    EXPECT_EQ(ui.startButtonRect, UNTOUCHED); // not its state

    ui.drawHUD(Playing, game.gameView, 120, 2, 7, 1.0f, "EXPLOSION!", nullptr, false, "");
    EXPECT_EQ(ui.startButtonRect, sf::FloatRect(20.0f, 50.0f, 100.0f, 25.0f));
    EXPECT_EQ(game.window.getView().getCenter(), sf::Vector2f(900.0f, 100.0f));
    if (texture("button_login") != nullptr) {
        EXPECT_EQ(centreOf(ui.hudLoginButtonRect), sf::Vector2f(1185.0f, 650.0f));
    }
}

TEST_F(UIRendererTest, LevelCompletePublishesImageButtons) {
    ui.retryButtonRect = ui.nextLevelButtonRect = UNTOUCHED;
    ui.drawLevelComplete(LevelComplete, 0, 2, 1500, 3000, 4, 2, false, "", {{"ann", 5200, 0}});
    EXPECT_EQ(ui.retryButtonRect, texture("restart_button")
                                      ? sf::FloatRect(510.0f, 580.0f, 100.0f, 100.0f)
                                      : UNTOUCHED);
    EXPECT_EQ(ui.nextLevelButtonRect,
              texture("next_button") ? sf::FloatRect(670.0f, 580.0f, 100.0f, 100.0f) : UNTOUCHED);
    if (texture("button_login") != nullptr) {
        EXPECT_EQ(centreOf(ui.levelCompleteLoginButtonRect), sf::Vector2f(160.0f, 70.0f));
    }
}

TEST_F(UIRendererTest, LoginScreenPublishesTheShownViewsAreas) {
    // Boxes have a 1 px outline, which belongs to their click area.
    ui.drawLoginScreen(Login, false, "", "", "", true, 0);
    EXPECT_EQ(ui.usernameFieldRect, sf::FloatRect(439.0f, 284.0f, 402.0f, 52.0f));
    EXPECT_EQ(ui.passwordFieldRect, sf::FloatRect(439.0f, 354.0f, 402.0f, 52.0f));
    EXPECT_EQ(ui.loginButtonRect, sf::FloatRect(464.0f, 454.0f, 152.0f, 52.0f));
    EXPECT_EQ(ui.signUpButtonRect, sf::FloatRect(664.0f, 454.0f, 152.0f, 52.0f));
    ui.drawLoginScreen(Login, true, "ann", "", "", true, 0);
    EXPECT_EQ(ui.signOutButtonRect, sf::FloatRect(539.0f, 374.0f, 202.0f, 52.0f));
}

TEST_F(UIRendererTest, ButtonIdsPerStateWithHalfOpenEdges) {
    ui.startButtonRect = {100.0f, 100.0f, 50.0f, 50.0f};
    ui.quitButtonRect = {200.0f, 100.0f, 50.0f, 50.0f};
    ui.highScoreButtonRect = {300.0f, 100.0f, 50.0f, 50.0f};
    ui.menuLoginButtonRect = {400.0f, 100.0f, 50.0f, 50.0f};
    ui.hudLoginButtonRect = {100.0f, 300.0f, 50.0f, 50.0f};
    ui.levelSelectLoginButtonRect = {200.0f, 300.0f, 50.0f, 50.0f};
    ui.levelCompleteLoginButtonRect = {300.0f, 300.0f, 50.0f, 50.0f};

    EXPECT_EQ(ui.getButtonAt({100.0f, 100.0f}, Menu), 1); // left/top edge counts
    EXPECT_EQ(ui.getButtonAt({150.0f, 120.0f}, Menu), 0); // right edge does not
    EXPECT_EQ(ui.getButtonAt({149.9f, 149.9f}, Menu), 1);
    EXPECT_EQ(ui.getButtonAt({220.0f, 120.0f}, Menu), 2);
    EXPECT_EQ(ui.getButtonAt({320.0f, 120.0f}, Menu), 3);
    EXPECT_EQ(ui.getButtonAt({420.0f, 120.0f}, Menu), 4);
    EXPECT_EQ(ui.getButtonAt({120.0f, 320.0f}, Playing), 5);
    EXPECT_EQ(ui.getButtonAt({220.0f, 320.0f}, LevelSelect), 6);
    EXPECT_EQ(ui.getButtonAt({320.0f, 320.0f}, LevelComplete), 12);
    // Each state sees only its own buttons.
    EXPECT_EQ(ui.getButtonAt({120.0f, 120.0f}, Playing), 0);
    EXPECT_EQ(ui.getButtonAt({120.0f, 320.0f}, Menu), 0);
    EXPECT_EQ(ui.getButtonAt({120.0f, 320.0f}, Paused), 0);
    EXPECT_EQ(ui.getButtonAt({120.0f, 120.0f}, HighScores), 0);
    EXPECT_EQ(ui.getButtonAt({120.0f, 120.0f}, Loading), 0);
}

TEST_F(UIRendererTest, LoginHitsOnlyTheShownView) {
    ui.drawLoginScreen(Login, true, "ann", "", "", true, 0);
    ui.drawLoginScreen(Login, false, "", "", "", true, 0);
    // The lower part of the password field lies under the Sign Out area.
    const sf::Vector2f overlap(640.0f, 400.0f);
    ASSERT_TRUE(ui.signOutButtonRect.contains(overlap));
    ASSERT_TRUE(ui.passwordFieldRect.contains(overlap));

    EXPECT_EQ(ui.getButtonAt(overlap, Login), 11);
    EXPECT_EQ(ui.getButtonAt({640.0f, 300.0f}, Login), 10);
    EXPECT_EQ(ui.getButtonAt({540.0f, 480.0f}, Login), 7);
    EXPECT_EQ(ui.getButtonAt({740.0f, 480.0f}, Login), 8);
    EXPECT_EQ(ui.getButtonAt({640.0f, 600.0f}, Login), 0);

    // Signed in again: the fields keep their old slots, but only Sign Out
    // answers.
    ui.drawLoginScreen(Login, true, "ann", "", "", true, 0);
    EXPECT_EQ(ui.getButtonAt(overlap, Login), 9);
    EXPECT_EQ(ui.getButtonAt({640.0f, 300.0f}, Login), 0);
    EXPECT_EQ(ui.getButtonAt({540.0f, 480.0f}, Login), 0);
}

TEST_F(UIRendererTest, PauseHitBoxesAreTheEntriesInkCentredInTheWindow) {
    for (int i = 0; i < UIRenderer::PAUSE_ENTRY_COUNT; ++i) {
        const sf::FloatRect box = ui.pauseEntryHitBox(i);
        const sf::FloatRect ink =
            sf::Text(UIRenderer::pauseEntryText(i), game.renderer.getFont(), 32).getLocalBounds();
        EXPECT_GT(ink.width, 0.0f);
        EXPECT_FLOAT_EQ(box.width, ink.width);
        EXPECT_FLOAT_EQ(box.height, ink.height);
        EXPECT_FLOAT_EQ(box.left + box.width / 2.0f, 640.0f);
        // Rows 42 px apart, the first a little above the window's middle.
        EXPECT_FLOAT_EQ(box.top + box.height / 2.0f, 326.0f + 42.0f * static_cast<float>(i));
    }
    const sf::FloatRect resume = ui.pauseEntryHitBox(0);
    EXPECT_TRUE(resume.contains({resume.left, resume.top}));
    EXPECT_FALSE(resume.contains({resume.left + resume.width, resume.top}));
    EXPECT_EQ(ui.pauseEntryHitBox(UIRenderer::PAUSE_ENTRY_COUNT), sf::FloatRect());
}

TEST_F(UIRendererTest, PauseOverlayDarkensTheWindowAndHighlightsTheSelection) {
    game.window.clear(sf::Color::White);
    ui.drawPauseMenu(Paused, 1);
    sf::Image image = captureWindow(game.window);
    // 255 under black at alpha 150, into every corner.
    for (const sf::Vector2u at : {sf::Vector2u(50, 550), sf::Vector2u(1000, 100),
                                  sf::Vector2u(1279, 719), sf::Vector2u(0, 0)}) {
        EXPECT_NEAR(image.getPixel(at.x, at.y).r, 105, 2) << at.x << "," << at.y;
    }

    game.window.clear(sf::Color::Black);
    ui.drawPauseMenu(Paused, 1);
    image = captureWindow(game.window);
    // Rows of 42 px centred on 326, 368 and 410.
    EXPECT_EQ(yellowPixelsIn(image, 305, 347), 0);
    EXPECT_GT(yellowPixelsIn(image, 347, 389), 20);
    EXPECT_EQ(yellowPixelsIn(image, 389, 431), 0);
}

TEST_F(UIRendererTest, SelectedLevelCellIsYellow) {
    const std::vector<std::string> files(7, "level.txt");
    ui.drawLevelSelect(LevelSelect, 2, files, false, "");
    const sf::Image image = captureWindow(game.window);
    // Corners of cells 2 and 1, away from their numbers.
    EXPECT_EQ(image.getPixel(680, 335), sf::Color::Yellow);
    EXPECT_EQ(image.getPixel(480, 335), sf::Color(100, 100, 100));
}

TEST_F(UIRendererTest, EarnedStarsStandOutOnEveryCellAndEmptyOnesLookEmpty) {
    const std::vector<std::string> files(7, "level.txt");
    const std::vector<LevelBest> bests{{1500, 2}, {1500, 2}};
    auto distance = [](sf::Color a, sf::Color b) {
        const float dr = static_cast<float>(a.r) - static_cast<float>(b.r);
        const float dg = static_cast<float>(a.g) - static_cast<float>(b.g);
        const float db = static_cast<float>(a.b) - static_cast<float>(b.b);
        return std::sqrt(dr * dr + dg * dg + db * db);
    };
    // Cell 0 under the cursor, cell 1 beside it: two stars earned of three.
    ui.drawLevelSelect(LevelSelect, 0, files, false, "", bests);
    const sf::Image image = captureWindow(game.window);
    const LevelSelectLayout layout(game.window.getSize(), 7);
    auto at = [&](sf::Vector2f point) {
        return image.getPixel(static_cast<unsigned>(point.x), static_cast<unsigned>(point.y));
    };
    for (int cell : {0, 1}) {
        SCOPED_TRACE(cell == 0 ? "selected cell" : "plain cell");
        const sf::FloatRect box = layout.cellRect(cell);
        const sf::Color background = at({box.left + 5.0f, box.top + 5.0f});
        const sf::Color earned = at(layout.starCentre(cell, 0));
        const sf::Color empty = at(layout.starCentre(cell, 2));
        EXPECT_EQ(earned, at(layout.starCentre(cell, 1)));
        EXPECT_GE(distance(earned, background), 100.0f);
        EXPECT_GE(distance(earned, empty), 100.0f);
    }
}

TEST_F(UIRendererTest, TextCursorFollowsTheMaskedPassword) {
    const float width = textWidth("*****", 24);
    const unsigned int cursorX = static_cast<unsigned int>(640.0f + width / 2.0f + 2.0f) + 1;
    ui.drawLoginScreen(Login, false, "", "", "abcde", true, 2);
    EXPECT_EQ(captureWindow(game.window).getPixel(cursorX, 380), sf::Color::White);

    game.window.clear(sf::Color::Black);
    ui.drawLoginScreen(Login, false, "", "", "abcde", false, 2); // blink phase off
    EXPECT_NE(captureWindow(game.window).getPixel(cursorX, 380), sf::Color::White);
    game.window.clear(sf::Color::Black);
    ui.drawLoginScreen(Login, false, "", "", "abcde", true, 0); // no focus
    EXPECT_NE(captureWindow(game.window).getPixel(cursorX, 380), sf::Color::White);
}

TEST_F(UIRendererTest, ScreensDrawNothingOutsideTheirState) {
    const std::vector<std::string> files(7, "level.txt");
    const std::vector<HighScore> scores{{"ann", 10, 3}};
    ui.drawLoadingScreen(Menu, 0.5f, 160.0f);
    ui.drawMenu(Playing, false, "");
    ui.drawHUD(LevelSelect, game.gameView, 1, 0, 7, 1.0f, "BOOST", nullptr, false, "");
    ui.drawLevelSelect(Menu, 0, files, false, "");
    ui.drawPauseMenu(Playing, 0);
    ui.drawLevelComplete(Playing, 0, 3, 1, 1, 1, 0, false, "", scores);
    ui.drawHighScores(Menu, 0, 7, scores);
    ui.drawNicknameEntry(LevelComplete, 3, 10, "ann");
    ui.drawLoginScreen(Menu, false, "", "a", "b", true, 1);
    const sf::Image image = captureWindow(game.window);
    for (unsigned int y = 0; y < 720; y += 37) {
        for (unsigned int x = 0; x < 1280; x += 41) {
            ASSERT_EQ(image.getPixel(x, y), sf::Color::Black) << x << "," << y;
        }
    }
}

TEST_F(UIRendererTest, LoadingScreenLeavesTheWindowViewSet) {
    game.window.setView(sf::View(sf::Vector2f(0.0f, 0.0f), sf::Vector2f(10.0f, 10.0f)));
    ui.drawLoadingScreen(Loading, 0.0f, 160.0f);
    EXPECT_EQ(game.window.getView().getCenter(), game.window.getDefaultView().getCenter());
    EXPECT_EQ(game.window.getView().getSize(), game.window.getDefaultView().getSize());
}

} // namespace

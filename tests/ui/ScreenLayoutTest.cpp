// Every screen drawn by a real game in its real window at three window
// sizes: nothing meant to be seen leaves the window, no text overlaps another
// or a panel's edge, what is centred is centred, and the text that lies over
// pictures stands out from them. The frames are kept in test-output.

#include "level/ShippedLevels.h"
#include "ui/ScreenChecks.h"

#include "core/GameTestSupport.h"
#include "entities/ExplosionBird.h"
#include "ui/LevelSelectLayout.h"
#include "ui/PauseLayout.h"

#include <SFML/Graphics/Image.hpp>
#include <algorithm>
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <utility>

namespace {

const sf::Color GOLD(255, 215, 0);
const sf::Color DIM_GREY(150, 150, 150);

std::vector<HighScore> tenLongRows() {
    std::vector<HighScore> rows;
    const char* names[] = {"WWWWWWWWWWWWWWWWWWWW",
                           "cyrus_the_great_1",
                           "ann",
                           "Bo",
                           "mmmmmmmmmmmmmmmmmmmm",
                           "dee-dee",
                           "x",
                           "__long__name__here__",
                           "Q_Q",
                           "last_one"};
    for (int i = 0; i < 10; ++i) {
        rows.push_back({names[i], 9999999 - i * 1111, 0});
    }
    return rows;
}

class ScreenLayout : public testing::TestWithParam<sf::Vector2u> {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        size = GetParam();
        resizeWindow(*game, size);
        W = static_cast<float>(size.x);
        H = static_cast<float>(size.y);
    }

    DrawnFrame frame(const std::string& name) {
        DrawnFrame drawn = drawRecordedFrame(*game);
        keepScreenshot(drawn, "screen_" + name + "_" + sizeName(size));
        return drawn;
    }

    // The level with the widest HUD: the fifth has every kind of bird.
    void playFifthLevel(int score) {
        game->currentLevelIndex = 4;
        game->stateManager.startLevel();
        game->totalScore = score;
        game->update(1.0f / 60.0f); // the blocks and enemies take their places
        for (const auto& entity : game->currentLevel->entities) {
            if (auto* bird = dynamic_cast<ExplosionBird*>(entity.get())) {
                game->currentBird = bird; // the longest "Active:" line
            }
        }
        ASSERT_NE(game->currentBird, nullptr);
    }

    std::string localTablePath(const std::string& name) const {
        return std::string(std::getenv("XDG_DATA_HOME")) + "/" + name + "_" + sizeName(size) +
               ".txt";
    }

    // This computer's list for a level: five entries with long names.
    void fillLocalTable(int level) {
        game->localHighScores = HighScoreTable(localTablePath("local_scores"));
        for (int i = 1; i <= 5; ++i) {
            ASSERT_TRUE(game->localHighScores.addHighScore(level, "local_" + std::to_string(i),
                                                           9000000 - i * 1111, 3));
        }
    }

    void expectCentredInWindow(const sf::FloatRect& panel) const {
        EXPECT_NEAR(centreOf(panel).x, W / 2.0f, 2.0f) << describe(panel);
        EXPECT_NEAR(centreOf(panel).y, H / 2.0f, 2.0f) << describe(panel);
    }

    void expectReadable(const DrawnFrame& drawn, const std::string& text, sf::Color fill) {
        const DrawnElement* element = findText(drawn, text);
        ASSERT_NE(element, nullptr) << text;
        EXPECT_GE(textContrast(drawn.image, element->pixels, fill), 3.0)
            << "\"" << text << "\" at " << sizeName(size);
    }

    std::unique_ptr<Game> game;
    sf::Vector2u size;
    float W = 0.0f;
    float H = 0.0f;
};

TEST_P(ScreenLayout, LoadingAndMenuAreCentred) {
    Game loading(size.x, size.y, "Skysling Clone");
    const DrawnFrame first = drawRecordedFrame(loading);
    keepScreenshot(first, "screen_loading_" + sizeName(size));
    expectTidyLayout(first, size, "loading");
    ASSERT_NE(findText(first, "VOLLARIN"), nullptr);
    expectCentredAcross(findText(first, "VOLLARIN")->pixels, W / 2.0f, "loading title");
    expectCentredAcross(findText(first, "Loading...")->pixels, W / 2.0f, "loading line");

    game->progress = ProgressTable("", ShippedLevels::count());
    game->progress.record(0, 1200, 3);
    game->progress.record(1, 900, 2);
    const DrawnFrame menu = frame("menu");
    expectTidyLayout(menu, size, "menu");
    const DrawnElement* title = findText(menu, "VOLLARIN");
    ASSERT_NE(title, nullptr);
    expectCentredAcross(title->pixels, W / 2.0f, "menu title");
    EXPECT_LT(bottomOf(title->pixels), game->ui.startButtonRect.top) << "title over the buttons";
    expectCentredAcross(game->ui.startButtonRect, W / 2.0f, "start button");
    expectReadable(menu, "Login/Sign Up", sf::Color::White);
    // The stars earned, centred under the buttons, clear of every button.
    const std::string tally = UIRenderer::starTallyText(5, game->progress.possibleStars());
    const DrawnElement* stars = findText(menu, tally);
    ASSERT_NE(stars, nullptr);
    expectCentredAcross(stars->pixels, W / 2.0f, "star tally");
    for (const sf::FloatRect& button :
         {game->ui.startButtonRect, game->ui.quitButtonRect, game->ui.highScoreButtonRect,
          game->ui.menuLoginButtonRect}) {
        EXPECT_FALSE(overlap(stars->pixels, button)) << describe(button);
    }
    EXPECT_GT(stars->pixels.top, bottomOf(game->ui.startButtonRect) + 10.0f);
    expectReadable(menu, tally, GOLD);
}

TEST_P(ScreenLayout, LevelSelectPanelIsCentred) {
    game->stateManager.transitionTo(LevelSelect);
    game->stateManager.selectedLevel = 2;
    // Bests of every width: none, small, the largest a level may keep.
    game->progress = ProgressTable("", ShippedLevels::count());
    game->progress.record(0, 1200, 3);
    game->progress.record(2, ProgressTable::MAX_SCORE, 2);
    game->progress.record(3, 0, 1);
    game->progress.record(6, 88888, 3);
    const DrawnFrame drawn = frame("level_select");
    expectTidyLayout(drawn, size, "level select");
    // The panel, and the page buttons of the worlds beside it.
    std::vector<sf::FloatRect> boxes = boxesOf(drawn);
    ASSERT_FALSE(boxes.empty());
    std::sort(boxes.begin(), boxes.end(), [](const sf::FloatRect& a, const sf::FloatRect& b) {
        return a.width * a.height > b.width * b.height;
    });
    expectCentredInWindow(boxes[0]);
    expectCentredAcross(findText(drawn, "SELECT LEVEL")->pixels, W / 2.0f, "title");
    // Each number sits at the top of its cell, its best score under it, the
    // stars under that: all inside the cell, apart, centred across it.
    const LevelSelectLayout layout(size, 7);
    for (int i = 0; i < 7; ++i) {
        const sf::FloatRect cell = layout.cellRect(i);
        const DrawnElement* number = findText(drawn, std::to_string(i + 1));
        ASSERT_NE(number, nullptr);
        EXPECT_NEAR(centreOf(number->pixels).x, layout.cellCentre(i).x, 2.0f) << i;
        EXPECT_NEAR(centreOf(number->pixels).y, layout.numberCentre(i).y, 2.0f) << i;
        EXPECT_TRUE(contains(cell, number->pixels, 4.0f)) << i;
        const float starsTop =
            layout.starCentre(i, 0).y - LevelSelectLayout::CELL_STAR_RADIUS - 2.0f;
        const float starsBottom =
            layout.starCentre(i, 0).y + LevelSelectLayout::CELL_STAR_RADIUS + 2.0f;
        EXPECT_LT(bottomOf(number->pixels), starsTop) << i;
        EXPECT_LT(starsBottom, bottomOf(cell) - 2.0f) << i;
        const float starsLeft =
            layout.starCentre(i, 0).x - LevelSelectLayout::CELL_STAR_RADIUS - 2.0f;
        const float starsRight =
            layout.starCentre(i, 2).x + LevelSelectLayout::CELL_STAR_RADIUS + 2.0f;
        EXPECT_GT(starsLeft, cell.left + 4.0f) << i;
        EXPECT_LT(starsRight, rightOf(cell) - 4.0f) << i;
        const LevelBest& best = game->progress.best(i);
        const DrawnElement* score =
            best.completed() ? findText(drawn, std::to_string(best.score)) : nullptr;
        if (best.completed()) {
            ASSERT_NE(score, nullptr) << i;
            EXPECT_TRUE(contains(cell, score->pixels, 4.0f)) << i << describe(score->pixels);
            EXPECT_NEAR(centreOf(score->pixels).x, layout.cellCentre(i).x, 2.0f) << i;
            EXPECT_GT(score->pixels.top, bottomOf(number->pixels)) << i;
            EXPECT_LT(bottomOf(score->pixels), starsTop) << i;
        }
    }
    expectReadable(drawn, "Login/Sign Up", sf::Color::White);
}

TEST_P(ScreenLayout, HudKeepsLargeScoresAndEveryBannerInside) {
    for (const int score : {1234567, 9999999}) {
        playFifthLevel(score);
        const std::pair<const char*, std::optional<BirdKind>> banners[] = {
            {"BOOST ACTIVATED!", Boost},
            {"SPLIT INTO 3 BIRDS!", Split},
            {"EXPLOSION!", Explosion},
            {"Game Over! Restarting...", std::nullopt}};
        for (const auto& [banner, kind] : banners) {
            game->stateManager.showMessage(banner, 2.0f, kind);
            const std::string name =
                score == 1234567 && std::string(banner) == "EXPLOSION!" ? "playing" : "";
            const DrawnFrame drawn = name.empty() ? drawRecordedFrame(*game) : frame("playing_hud");
            const std::string what = std::string("HUD with ") + banner;
            expectTidyLayout(drawn, size, what);

            const DrawnElement* scoreLine = findText(drawn, "Score: " + std::to_string(score));
            const std::string levelText = "Level: 5/" + std::to_string(game->levelFiles.size());
            const DrawnElement* levelLine = findText(drawn, levelText);
            ASSERT_NE(scoreLine, nullptr);
            ASSERT_NE(levelLine, nullptr);
            // Right-aligned to the 20 px margin, outline included.
            EXPECT_NEAR(rightOf(scoreLine->pixels), W - 20.0f, 0.5f);
            EXPECT_NEAR(rightOf(levelLine->pixels), W - 20.0f, 0.5f);
            expectReadable(drawn, "Score: " + std::to_string(score), sf::Color::Yellow);
            expectReadable(drawn, levelText, sf::Color::White);
            expectReadable(drawn, banner, UIRenderer::bannerColor(kind));
            expectCentredAcross(findText(drawn, banner)->pixels, W / 2.0f, banner);
        }
    }
    const DrawnFrame drawn = drawRecordedFrame(*game);
    expectReadable(drawn, "Active: Explosion Bird (Pushes objects!)", sf::Color::Cyan);
    expectReadable(drawn, "<< Levels", sf::Color::White);
    expectReadable(drawn, "Drag to aim | Click for special | ESC=Pause", sf::Color::White);
    expectReadable(drawn, "Login/Sign Up", sf::Color::White);
}

TEST_P(ScreenLayout, PauseVeilsTheWholeWindowAndCentresItsMenu) {
    playFifthLevel(1234567);
    game->currentBird = nullptr;
    const DrawnFrame playing = drawRecordedFrame(*game);
    game->stateManager.transitionTo(Paused);
    game->stateManager.pauseSelection = 1;
    const DrawnFrame paused = frame("paused");
    expectTidyLayout(paused, size, "pause");

    // Darker everywhere, up to the far corners.
    for (const sf::Vector2u corner :
         {sf::Vector2u(2, 2), sf::Vector2u(size.x - 3, 2), sf::Vector2u(2, size.y - 3),
          sf::Vector2u(size.x - 3, size.y - 3)}) {
        const sf::Color before = playing.image.getPixel(corner.x, corner.y);
        const sf::Color after = paused.image.getPixel(corner.x, corner.y);
        EXPECT_LT(after.r + after.g + after.b, (before.r + before.g + before.b) * 0.6)
            << corner.x << "," << corner.y;
    }
    expectCentredAcross(findText(paused, "PAUSED")->pixels, W / 2.0f, "PAUSED");
    expectCentredAcross(findText(paused, "Press ESC to resume")->pixels, W / 2.0f, "hint");
    for (int i = 0; i < PauseLayout::ENTRY_COUNT; ++i) {
        const DrawnElement* entry = findText(paused, UIRenderer::pauseEntryText(i));
        ASSERT_NE(entry, nullptr);
        expectCentredAcross(entry->pixels, W / 2.0f, entry->text);
        // The click area is the drawn entry.
        const sf::FloatRect hit = game->ui.pauseEntryHitBox(i);
        EXPECT_NEAR(hit.left, entry->pixels.left, 0.01f);
        EXPECT_NEAR(hit.top, entry->pixels.top, 0.01f);
        EXPECT_NEAR(hit.width, entry->pixels.width, 0.01f);
        EXPECT_NEAR(hit.height, entry->pixels.height, 0.01f);
    }
    // The marker stands left of the selected entry, on its line.
    const DrawnElement* marker = findText(paused, ">");
    ASSERT_NE(marker, nullptr);
    const sf::FloatRect selected = game->ui.pauseEntryHitBox(1);
    EXPECT_LT(rightOf(marker->pixels), selected.left);
    EXPECT_NEAR(centreOf(marker->pixels).y, centreOf(selected).y, 2.0f);
}

TEST_P(ScreenLayout, LevelCompleteFitsTenRowsAndLargeScores) {
    game->stateManager.state = LevelComplete;
    game->stateManager.stars = 2;
    game->contactListener.levelScore = 1234567;
    game->totalScore = 9999999;
    game->stateManager.onlineHighScores = tenLongRows();
    game->stateManager.isLoggedIn = true;
    game->stateManager.loggedInUsername = "WWWWWWWWWWWWWWWWWWWW";
    fillLocalTable(0);
    const DrawnFrame drawn = frame("level_complete");
    expectTidyLayout(drawn, size, "level complete");
    expectCentredAcross(findText(drawn, "LEVEL COMPLETE")->pixels, W / 2.0f, "title");
    const std::vector<sf::FloatRect> panels = boxesOf(drawn);
    ASSERT_EQ(panels.size(), 2u);
    // The two panels mirror each other about the middle of the window.
    EXPECT_NEAR(panels[0].left, W - rightOf(panels[1]), 1.0f);
    expectCentredAcross(findText(drawn, "HIGH SCORES")->pixels, centreOf(panels[1]).x,
                        "list title");
    const int rows = UIRenderer::levelCompleteRowCount(H);
    EXPECT_NE(findText(drawn, std::to_string(rows) + "."), nullptr);
    EXPECT_EQ(findText(drawn, std::to_string(rows + 1) + "."), nullptr);
    // Signed in and answered: this computer's list is not shown.
    EXPECT_EQ(findText(drawn, "On this computer"), nullptr);
    EXPECT_EQ(findText(drawn, "local_1"), nullptr);
    EXPECT_EQ(findText(drawn, "New best!"), nullptr);

    game->stateManager.onlineHighScores.clear();
    const DrawnFrame empty = frame("level_complete_empty");
    expectTidyLayout(empty, size, "level complete without scores");
    expectReadable(empty, "No scores yet!", DIM_GREY);
}

// Signed out, or with nothing answering, the results show this computer's
// list under the online one, and a score that beat the stored best says so.
TEST_P(ScreenLayout, LevelCompleteShowsThisComputersListAndANewBest) {
    GameStateManager& flow = game->stateManager;
    flow.state = LevelComplete;
    flow.stars = 3;
    flow.newBest = true;
    game->contactListener.levelScore = 1234567;
    game->totalScore = 7777777;
    flow.onlineHighScores = tenLongRows();
    fillLocalTable(0);
    for (const bool offline : {false, true}) {
        flow.lastScoresFetch = offline ? ScoresFetch::Unreachable : ScoresFetch::Received;
        const std::string what = offline ? "offline results" : "signed-out results";
        const DrawnFrame drawn = frame(offline ? "level_complete_offline" : "level_complete_local");
        expectTidyLayout(drawn, size, what);
        const std::vector<sf::FloatRect> panels = boxesOf(drawn);
        ASSERT_EQ(panels.size(), 2u);

        const DrawnElement* best = findText(drawn, "New best!");
        ASSERT_NE(best, nullptr) << what;
        EXPECT_TRUE(contains(panels[0], best->pixels, 10.0f)) << describe(best->pixels);
        EXPECT_GT(best->pixels.top, bottomOf(findText(drawn, "Birds Used:")->pixels));
        expectCentredAcross(best->pixels, centreOf(panels[0]).x, "New best!");
        expectReadable(drawn, "New best!", GOLD);

        const DrawnElement* heading = findText(drawn, "On this computer");
        ASSERT_NE(heading, nullptr) << what;
        expectCentredAcross(heading->pixels, centreOf(panels[1]).x, what);
        // Every entry of the local list, inside the panel, below its heading.
        for (int i = 1; i <= 5; ++i) {
            const DrawnElement* row = findText(drawn, "local_" + std::to_string(i));
            ASSERT_NE(row, nullptr) << what << " local_" << i;
            EXPECT_TRUE(contains(panels[1], row->pixels, 10.0f)) << describe(row->pixels);
            EXPECT_GT(row->pixels.top, bottomOf(heading->pixels));
        }
        const DrawnElement* firstOnline = findText(drawn, "9999999"); // its score
        if (offline) {
            EXPECT_EQ(firstOnline, nullptr) << "rows of an earlier fetch shown as current";
            const DrawnElement* said = findText(drawn, "Offline");
            ASSERT_NE(said, nullptr);
            EXPECT_LT(bottomOf(said->pixels), heading->pixels.top);
            expectReadable(drawn, "Offline", DIM_GREY);
        } else {
            // Some online rows still fit above this computer's.
            ASSERT_NE(firstOnline, nullptr);
            EXPECT_LT(bottomOf(firstOnline->pixels), heading->pixels.top);
            EXPECT_EQ(findText(drawn, "Offline"), nullptr);
        }
    }
}

TEST_P(ScreenLayout, HighScoresShowTheOnlineAndTheLocalListSideBySide) {
    game->stateManager.transitionTo(HighScores);
    game->stateManager.onlineHighScores = tenLongRows();
    fillLocalTable(0);
    const DrawnFrame drawn = frame("high_scores");
    expectTidyLayout(drawn, size, "high scores");
    const std::vector<sf::FloatRect> boxes = boxesOf(drawn);
    ASSERT_EQ(boxes.size(), 1u);
    const sf::FloatRect panel = boxes[0];
    expectCentredInWindow(panel);
    const DrawnElement* tenth = findTextStarting(drawn, "10. ");
    const DrawnElement* fifthLocal = findTextStarting(drawn, "5. local_5");
    const DrawnElement* hint = findText(drawn, "LEFT/RIGHT to change level");
    ASSERT_NE(tenth, nullptr);
    ASSERT_NE(fifthLocal, nullptr);
    ASSERT_NE(hint, nullptr);
    EXPECT_LT(bottomOf(tenth->pixels), hint->pixels.top);
    // Titles and hints across the panel; each list centred in its half.
    const float onlineX = panel.left + panel.width * 0.25f;
    const float localX = panel.left + panel.width * 0.75f;
    for (const DrawnElement& element : drawn.drawn) {
        if (element.kind != DrawnElement::Text) {
            continue;
        }
        EXPECT_TRUE(contains(panel, element.pixels, 2.0f)) << element.text;
        const bool local =
            element.text == "On this computer" || element.text.find("local_") != std::string::npos;
        const bool online =
            element.text == "Online" || (!local && element.text.find(". ") != std::string::npos);
        const float expected = local ? localX : online ? onlineX : W / 2.0f;
        expectCentredAcross(element.pixels, expected, element.text);
        if (local || online) {
            // A row keeps to its own half.
            EXPECT_TRUE(local ? element.pixels.left > W / 2.0f : rightOf(element.pixels) < W / 2.0f)
                << element.text;
        }
    }
    EXPECT_EQ(findTextStarting(drawn, "6. local"), nullptr);

    game->stateManager.onlineHighScores.clear();
    game->localHighScores = HighScoreTable(localTablePath("empty"));
    const DrawnFrame empty = frame("high_scores_empty");
    expectTidyLayout(empty, size, "high scores without any");
    expectReadable(empty, "No scores yet!", DIM_GREY);

    // Nothing answered: the online half says so, and keeps no older rows.
    game->stateManager.onlineHighScores = tenLongRows();
    game->stateManager.lastScoresFetch = ScoresFetch::Unreachable;
    fillLocalTable(0);
    const DrawnFrame offline = frame("high_scores_offline");
    expectTidyLayout(offline, size, "high scores offline");
    const DrawnElement* said = findText(offline, "Offline");
    ASSERT_NE(said, nullptr);
    expectCentredAcross(said->pixels, onlineX, "Offline");
    expectReadable(offline, "Offline", DIM_GREY);
    EXPECT_EQ(findTextStarting(offline, "1. WWW"), nullptr);
    EXPECT_NE(findTextStarting(offline, "1. local_1"), nullptr);
}

TEST_P(ScreenLayout, NicknamePanelFitsWithItsCursorInTheBox) {
    game->stateManager.state = EnterNickname;
    game->stateManager.stars = 3;
    game->contactListener.levelScore = 1234567;
    for (const std::string& nickname : {std::string(), std::string("WWWWWWWWWW")}) {
        game->stateManager.nicknameInput = nickname;
        const DrawnFrame drawn = frame(nickname.empty() ? "nickname_empty" : "nickname_full");
        expectTidyLayout(drawn, size, "nickname '" + nickname + "'");
        const std::vector<sf::FloatRect> boxes = boxesOf(drawn);
        ASSERT_EQ(boxes.size(), 2u); // the panel, then the input box
        const sf::FloatRect window(0.0f, 0.0f, W, H);
        EXPECT_TRUE(contains(window, boxes[0], 20.0f)) << describe(boxes[0]);
        expectCentredInWindow(boxes[0]);
        const DrawnElement* typed = findText(drawn, nickname + "_");
        ASSERT_NE(typed, nullptr);
        EXPECT_TRUE(contains(boxes[1], typed->pixels, 2.0f)) << describe(typed->pixels);
        expectCentredAcross(findText(drawn, "NEW HIGH SCORE")->pixels, W / 2.0f, "title");
        // The stars lie between the title and the score, touching neither.
        const float titleBottom = bottomOf(findText(drawn, "NEW HIGH SCORE")->pixels);
        const float scoreTop = findText(drawn, "1234567")->pixels.top;
        EXPECT_EQ(drawn.image.getPixel(size.x / 2, static_cast<unsigned>(titleBottom + 3.0f)),
                  drawn.image.getPixel(size.x / 2 + 90, static_cast<unsigned>(titleBottom + 3.0f)))
            << "a star reaches up to the title";
        EXPECT_EQ(
            drawn.image.getPixel(size.x / 2, static_cast<unsigned>((titleBottom + scoreTop) / 2)),
            GOLD);
    }
}

TEST_P(ScreenLayout, LoginShowsTheErrorAndKeepsLongInputsInTheirFields) {
    GameStateManager& flow = game->stateManager;
    flow.openLogin(Menu);
    flow.usernameInput = std::string(20, 'W');
    flow.passwordInput = std::string(72, 'x');
    flow.loginFocus = 2;
    flow.loginError = "A user name has only letters, digits, _ and -";
    const DrawnFrame drawn = frame("login_error");
    expectTidyLayout(drawn, size, "login");
    expectCentredAcross(findText(drawn, "LOGIN or SIGN UP")->pixels, W / 2.0f, "title");
    const DrawnElement* error = findText(drawn, flow.loginError);
    ASSERT_NE(error, nullptr);
    expectCentredAcross(error->pixels, W / 2.0f, "error");
    EXPECT_GT(error->pixels.top, bottomOf(game->ui.loginButtonRect));
    // The labels sit in the middle of their buttons.
    for (const auto& [label, button] :
         {std::pair{"Login", game->ui.loginButtonRect}, {"Sign Up", game->ui.signUpButtonRect}}) {
        const sf::Vector2f middle = centreOf(findText(drawn, label)->pixels);
        EXPECT_NEAR(middle.x, centreOf(button).x, 1.0f) << label;
        EXPECT_NEAR(middle.y, centreOf(button).y, 1.0f) << label;
        expectReadable(drawn, label, sf::Color::White);
    }
    // The cursor shows inside the password field, right of the last asterisk.
    const sf::FloatRect field = game->ui.passwordFieldRect;
    bool cursorInField = false;
    for (unsigned x = static_cast<unsigned>(field.left + 1); x < rightOf(field) - 1; ++x) {
        cursorInField = cursorInField ||
                        drawn.image.getPixel(x, static_cast<unsigned>(centreOf(field).y + 8)) ==
                            sf::Color::White;
    }
    EXPECT_TRUE(cursorInField);

    flow.isLoggedIn = true;
    flow.loggedInUsername = std::string(20, 'W');
    const DrawnFrame signedIn = frame("login_signed_in");
    expectTidyLayout(signedIn, size, "signed in");
}

// The contrast measure itself tells readable from unreadable: light text on a
// light picture fails it until the outline is added.
TEST(ContrastMeasure, FailsPlainLightTextAndPassesOutlinedText) {
    Game& game = uiTestGame();
    game.window.setView(game.window.getDefaultView());
    const sf::Color sky(250, 230, 170);
    TextStyle style{24, sf::Color::Yellow};
    game.window.clear(sky);
    const sf::FloatRect plain =
        game.renderer.drawTextAt("Score: 1234567", {100.0f, 100.0f}, TextAnchor::TopLeft, style);
    const double plainContrast = textContrast(captureWindow(game.window), plain, style.color);
    game.renderer.display();
    style.outlineThickness = 2.0f;
    game.window.clear(sky);
    const sf::FloatRect outlined =
        game.renderer.drawTextAt("Score: 1234567", {100.0f, 100.0f}, TextAnchor::TopLeft, style);
    const double outlinedContrast = textContrast(captureWindow(game.window), outlined, style.color);
    game.renderer.display();
    EXPECT_GT(plainContrast, 0.0);
    EXPECT_LT(plainContrast, 1.5);
    EXPECT_GE(outlinedContrast, 3.0);
    // A text that is not there is never found readable.
    game.window.clear(sky);
    EXPECT_EQ(textContrast(captureWindow(game.window), outlined, style.color), 0.0);
    game.renderer.display();
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, ScreenLayout,
                         testing::Values(sf::Vector2u(1280, 720), sf::Vector2u(1600, 900),
                                         sf::Vector2u(1024, 768)),
                         [](const testing::TestParamInfo<sf::Vector2u>& info) {
                             return "w" + sizeName(info.param);
                         });

} // namespace

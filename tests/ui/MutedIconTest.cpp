// The crossed-out speaker that shows the sound is muted: drawn on every
// screen at three window sizes, clear of everything else the screen draws,
// and only while muted.

#include "ui/ScreenChecks.h"

#include "assets/DataPaths.h"
#include "core/GameTestSupport.h"
#include "entities/ExplosionBird.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

struct Screen {
    const char* name;
    std::function<void(Game&)> show;
};

std::vector<HighScore> tenRows() {
    std::vector<HighScore> rows;
    for (int i = 0; i < 10; ++i) {
        rows.push_back({"WWWWWWWWWWWWWWWWWWWW", 9999999 - i, 0});
    }
    return rows;
}

void playFifthLevelWithABanner(Game& game) {
    game.currentLevelIndex = 4;
    game.stateManager.startLevel();
    game.totalScore = 1234567;
    game.update(1.0f / 60.0f);
    for (const auto& entity : game.currentLevel->entities) {
        if (auto* bird = dynamic_cast<ExplosionBird*>(entity.get())) {
            game.currentBird = bird;
        }
    }
    game.stateManager.showMessage("SPLIT INTO 3 BIRDS!", 2.0f, Split);
}

const std::vector<Screen>& everyScreen() {
    static const std::vector<Screen> screens{
        {"menu", [](Game& game) { game.stateManager.transitionTo(Menu); }},
        {"level_select", [](Game& game) { game.stateManager.transitionTo(LevelSelect); }},
        {"playing", playFifthLevelWithABanner},
        {"paused",
         [](Game& game) {
             playFifthLevelWithABanner(game);
             game.stateManager.transitionTo(Paused);
         }},
        {"level_complete",
         [](Game& game) {
             game.stateManager.state = LevelComplete;
             game.stateManager.isLoggedIn = true;
             game.stateManager.loggedInUsername = "WWWWWWWWWWWWWWWWWWWW";
             game.stateManager.onlineHighScores = tenRows();
         }},
        {"high_scores",
         [](Game& game) {
             game.stateManager.transitionTo(HighScores);
             game.stateManager.onlineHighScores = tenRows();
         }},
        {"login",
         [](Game& game) {
             game.stateManager.openLogin(Menu);
             game.stateManager.loginError = "Cannot reach the scores server";
         }},
        {"nickname",
         [](Game& game) {
             game.stateManager.transitionTo(EnterNickname);
             game.stateManager.nicknameInput = "WWWWWWWWWW";
         }},
    };
    return screens;
}

// The icon's own backdrop, as the renderer recorded it.
bool isIconBox(const DrawnElement& element, const sf::FloatRect& icon) {
    const sf::FloatRect& r = element.pixels;
    return element.kind == DrawnElement::Box && std::abs(r.left - icon.left) < 0.01f &&
           std::abs(r.top - icon.top) < 0.01f && std::abs(r.width - icon.width) < 0.01f &&
           std::abs(r.height - icon.height) < 0.01f;
}

bool isCrossRed(sf::Color c) {
    return c.r > 180 && c.g < 90 && c.b < 90;
}

class MutedIcon : public testing::TestWithParam<sf::Vector2u> {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        resizeWindow(*game, GetParam());
    }
    void TearDown() override {
        std::filesystem::remove(DataPaths::forThisProcess().playerConfigDir() /
                                Settings::FILE_NAME);
    }

    std::unique_ptr<Game> game;
};

TEST_P(MutedIcon, ShowsOnEveryScreenClearOfEverythingElse) {
    const sf::Vector2u size = GetParam();
    const sf::FloatRect icon =
        UIRenderer::mutedIconRect({static_cast<float>(size.x), static_cast<float>(size.y)});
    // The cross's centre and the speaker's body, on the icon's 36-unit grid.
    const sf::Vector2u crossCentre(static_cast<unsigned>(icon.left + 27.0f * icon.width / 36.0f),
                                   static_cast<unsigned>(icon.top + 18.0f * icon.height / 36.0f));
    const sf::Vector2u body(static_cast<unsigned>(icon.left + 10.0f * icon.width / 36.0f),
                            static_cast<unsigned>(icon.top + 18.0f * icon.height / 36.0f));
    game->toggleMute();
    for (const Screen& screen : everyScreen()) {
        SCOPED_TRACE(std::string(screen.name) + " at " + sizeName(size));
        screen.show(*game);
        const DrawnFrame muted = drawRecordedFrame(*game);
        keepScreenshot(muted, "muted_" + std::string(screen.name) + "_" + sizeName(size));
        int iconBoxes = 0;
        for (const DrawnElement& element : muted.drawn) {
            if (isIconBox(element, icon)) {
                ++iconBoxes;
                continue;
            }
            EXPECT_FALSE(overlap(element.pixels, icon))
                << "\"" << element.text << "\" " << describe(element.pixels)
                << " lies under the icon " << describe(icon);
        }
        EXPECT_EQ(iconBoxes, 1);
        EXPECT_TRUE(isCrossRed(muted.image.getPixel(crossCentre.x, crossCentre.y)));
        EXPECT_EQ(muted.image.getPixel(body.x, body.y), sf::Color::White);
    }

    // Unmuted, the corner shows the screen alone.
    game->toggleMute();
    for (const Screen& screen : everyScreen()) {
        SCOPED_TRACE(std::string(screen.name) + " unmuted at " + sizeName(size));
        screen.show(*game);
        const DrawnFrame plain = drawRecordedFrame(*game);
        for (const DrawnElement& element : plain.drawn) {
            EXPECT_FALSE(isIconBox(element, icon));
        }
        EXPECT_FALSE(isCrossRed(plain.image.getPixel(crossCentre.x, crossCentre.y)));
    }
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, MutedIcon,
                         testing::Values(sf::Vector2u(1280, 720), sf::Vector2u(1600, 900),
                                         sf::Vector2u(1024, 768)),
                         [](const testing::TestParamInfo<sf::Vector2u>& info) {
                             return sizeName(info.param);
                         });

} // namespace

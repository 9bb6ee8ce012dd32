#include "ui/ClosingScreen.h"

#include "e2e/FlowTestSupport.h"
#include "ui/ScreenChecks.h"

#include <gtest/gtest.h>

#include <algorithm>

// The screen that closes a run: reached from the last level's results, it
// shows what the run and the levels earned and offers the ways on.
namespace {

bool shows(const DrawnFrame& frame, const std::string& text) {
    return std::any_of(frame.drawn.begin(), frame.drawn.end(), [&](const DrawnElement& element) {
        return element.kind == DrawnElement::Text && element.text == text;
    });
}

class ClosingFlow : public FlowTest {
protected:
    // Wins the only level of a one-level run, `banked` already in the run's
    // total, and leaves its results.
    void finishTheRun(int score, int banked = 0) {
        game->levelFiles = {writeLevelFile("closing", THREE_BIRDS_ONE_ENEMY)};
        game->currentLevelIndex = 0;
        game->stateManager.startLevel();
        game->totalScore = banked;
        winCurrentLevel(score);
        handle(keyPress(sf::Keyboard::Enter));
        if (game->stateManager.state == EnterNickname) {
            handle(keyPress(sf::Keyboard::Escape));
        }
        ASSERT_EQ(game->stateManager.state, GameComplete);
    }
};

TEST_F(ClosingFlow, TheLastLevelEndsOnAScreenOfItsScoreStarsAndBests) {
    finishTheRun(900, 2500); // 2500 banked by the levels before
    EXPECT_EQ(game->totalScore, 0) << "the run is over";
    const DrawnFrame frame = drawRecordedFrame(*game);
    keepScreenshot(frame, "closing_screen");
    EXPECT_TRUE(shows(frame, "Final Score: 3400"));
    EXPECT_TRUE(shows(frame, UIRenderer::starTallyText(game->progress.totalStars(),
                                                       game->progress.possibleStars())));
    EXPECT_GT(game->progress.totalStars(), 0);
    EXPECT_TRUE(shows(frame, "Level 1"));
    EXPECT_TRUE(shows(frame, std::to_string(game->progress.levels()[0].score)));
    EXPECT_TRUE(shows(frame, "Menu"));
    EXPECT_TRUE(shows(frame, "Play Again"));
}

TEST_F(ClosingFlow, ItsWaysOnWorkByMouseAndKeyboard) {
    finishTheRun(900);
    const ClosingScreen screen(game->window.getSize());
    clickCentreOf(screen.button(ClosingScreen::PlayAgain));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 0);
    EXPECT_EQ(game->contactListener.levelScore, 0);

    finishTheRun(900);
    clickCentreOf(screen.button(ClosingScreen::BackToMenu));
    EXPECT_EQ(game->stateManager.state, Menu);

    finishTheRun(900);
    handle(keyPress(sf::Keyboard::Right));
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.state, Playing) << "Right selects Play Again";

    finishTheRun(900);
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_TRUE(game->isRunning());
}

TEST(ClosingScreenLayout, EverythingFitsTheWindowsThePlayerCanHave) {
    for (const sf::Vector2u size : {sf::Vector2u(800, 600), sf::Vector2u(1280, 720),
                                    sf::Vector2u(1920, 1080), sf::Vector2u(1024, 768)}) {
        SCOPED_TRACE(std::to_string(size.x) + "x" + std::to_string(size.y));
        const ClosingScreen screen(size);
        const sf::FloatRect window(0.0f, 0.0f, static_cast<float>(size.x),
                                   static_cast<float>(size.y));
        const sf::FloatRect menu = screen.button(ClosingScreen::BackToMenu);
        const sf::FloatRect again = screen.button(ClosingScreen::PlayAgain);
        const sf::FloatRect list = screen.listArea();
        sf::FloatRect overlap;
        for (const sf::FloatRect& part : {menu, again, list}) {
            EXPECT_TRUE(window.intersects(part, overlap) && overlap == part);
        }
        EXPECT_FALSE(menu.intersects(again));
        EXPECT_FALSE(list.intersects(menu));
        EXPECT_LT(menu.left + menu.width, again.left + 1.0f) << "Menu on the left";
        // Seven levels' rows fit the list at a readable pitch.
        EXPECT_GE(screen.rowStep(7), 20.0f);
    }
}

} // namespace

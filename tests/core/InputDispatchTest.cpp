#include "GameTestSupport.h"

#include "assets/SoundManager.h"
#include "ui/LevelSelectLayout.h"

#include <gtest/gtest.h>

// Dispatch rules with synthetic events. Screens are drawn once where their
// button rectangles are needed, exactly as the frame loop would.
class InputDispatch : public testing::Test {
protected:
    void SetUp() override { game = makeLoadedGame(); }

    void handle(const sf::Event& event) { game->input.handleEvent(event); }
    void drawFrame() { game->render(); }

    sf::Vector2i centreOf(const sf::FloatRect& rect) const {
        return {static_cast<int>(rect.left + rect.width / 2),
                static_cast<int>(rect.top + rect.height / 2)};
    }

    void clickAt(sf::Vector2i pixel) { handle(mousePress(pixel.x, pixel.y)); }

    std::unique_ptr<Game> game;
};

TEST_F(InputDispatch, ButtonEdgesAreHalfOpen) {
    drawFrame();
    const sf::FloatRect start = game->ui.startButtonRect;
    ASSERT_GT(start.width, 0.0f);
    // Window-view pixels equal window pixels, so integer edges test exactly.
    game->ui.startButtonRect = {540.0f, 325.0f, 200.0f, 100.0f};
    handle(mousePress(740, 350)); // right edge: outside
    EXPECT_EQ(game->stateManager.state, Menu);
    handle(mousePress(540, 325)); // top-left corner: inside
    EXPECT_EQ(game->stateManager.state, LevelSelect);
}

TEST_F(InputDispatch, MenuToLevelSelectAndBackLogsTwoTransitionsAndRestartsTheMusic) {
    drawFrame();
    SoundManager& sound = SoundManager::getInstance();
    const int musicStarts = sound.musicStartCount();
    testing::internal::CaptureStdout();
    clickAt(centreOf(game->ui.startButtonRect));
    handle(keyPress(sf::Keyboard::Escape));
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Transitioning from 1 to 2\n"), std::string::npos);
    EXPECT_NE(log.find("Transitioning from 2 to 1\n"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_EQ(sound.musicStartCount() - musicStarts, 2);
}

TEST_F(InputDispatch, LevelSelectWrapsAroundWithTheArrows) {
    game->stateManager.transitionTo(LevelSelect);
    game->stateManager.selectedLevel = 0;
    const int last = static_cast<int>(game->levelFiles.size()) - 1;
    handle(keyPress(sf::Keyboard::Up));
    EXPECT_EQ(game->stateManager.selectedLevel, last);
    handle(keyPress(sf::Keyboard::Right));
    EXPECT_EQ(game->stateManager.selectedLevel, 0);
    handle(keyPress(sf::Keyboard::Left));
    handle(keyPress(sf::Keyboard::Down));
    EXPECT_EQ(game->stateManager.selectedLevel, 0);
}

TEST_F(InputDispatch, TheMenuWorksFromTheKeyboardAsTheLevelSelectDoes) {
    GameStateManager& flow = game->stateManager;
    ASSERT_EQ(flow.state, Menu);
    handle(keyPress(sf::Keyboard::Enter)); // Start is selected to begin with
    EXPECT_EQ(flow.state, LevelSelect);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(flow.state, Menu);

    handle(keyPress(sf::Keyboard::Down)); // on to the high scores
    testing::internal::CaptureStdout();
    handle(keyPress(sf::Keyboard::Enter));
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(flow.state, HighScores);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(flow.state, Menu);

    handle(keyPress(sf::Keyboard::Right)); // the editor corner
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(flow.state, Editor);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(flow.state, Menu);

    handle(keyPress(sf::Keyboard::Right)); // the options beside it
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(flow.state, OptionsMenu);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(flow.state, Menu);

    handle(keyPress(sf::Keyboard::Right)); // the login corner
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(flow.state, Login);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(flow.state, Menu);

    // Round the ends both ways, then Escape: Quit is selected, not taken.
    handle(keyPress(sf::Keyboard::Down));
    handle(keyPress(sf::Keyboard::Up));
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(flow.state, Menu);
    EXPECT_TRUE(game->isRunning());
    EXPECT_EQ(flow.menuSelection, QuitButton);
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_FALSE(game->isRunning());
}

TEST_F(InputDispatch, ClickingALevelCellStartsThatLevel) {
    game->stateManager.transitionTo(LevelSelect);
    const LevelSelectLayout layout(game->window.getSize(), 7);
    const sf::Vector2f centre = layout.cellCentre(4);
    clickAt({static_cast<int>(centre.x), static_cast<int>(centre.y)});
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 4);
    EXPECT_EQ(game->stateManager.selectedLevel, 4);
}

TEST_F(InputDispatch, TwoEventsInOneFrameAreEachHandledByTheStateOfTheirTime) {
    drawFrame();
    game->stateManager.state = Menu;
    clickAt(centreOf(game->ui.startButtonRect));
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Menu);
}

TEST_F(InputDispatch, AnyButtonOnTheLevelsButtonLeavesTheLevel) {
    playLevel(*game, writeLevelFile("dispatch", THREE_BIRDS_ONE_ENEMY));
    drawFrame(); // the HUD writes the "<< Levels" rectangle
    ASSERT_EQ(game->ui.startButtonRect, sf::FloatRect(20.0f, 50.0f, 100.0f, 25.0f));
    handle(mousePress(1000, 300, sf::Mouse::Right)); // elsewhere: nothing
    EXPECT_EQ(game->stateManager.state, Playing);
    game->contactListener.levelScore = 800;
    handle(mousePress(30, 60, sf::Mouse::Right));
    EXPECT_EQ(game->stateManager.state, LevelSelect);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    EXPECT_TRUE(game->currentLevel->entities.empty());
}

TEST_F(InputDispatch, EscapeFromLoginReturnsWhereItWasOpened) {
    SoundManager& sound = SoundManager::getInstance();
    playLevel(*game, writeLevelFile("dispatch", THREE_BIRDS_ONE_ENEMY));
    game->stateManager.openLogin(Playing);
    int starts = sound.musicStartCount();
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(sound.musicStartCount() - starts, 1); // the game music starts over

    game->stateManager.state = LevelComplete;
    game->stateManager.openLogin(LevelComplete);
    starts = sound.musicStartCount();
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, LevelComplete);
    EXPECT_EQ(sound.musicStartCount(), starts);
}

TEST_F(InputDispatch, LoginFieldsTakeTypedText) {
    game->stateManager.openLogin(Menu);
    drawFrame();
    clickAt(centreOf(game->ui.usernameFieldRect));
    EXPECT_EQ(game->stateManager.loginFocus, 1);
    handle(textEntered(8)); // backspace on an empty field
    // Only printable characters enter a field: not Enter, Tab, Delete or
    // anything beyond ASCII.
    for (sf::Uint32 code :
         {sf::Uint32('a'), sf::Uint32('b'), 8u, sf::Uint32('c'), 13u, 200u, 9u, 127u, 10u}) {
        handle(textEntered(code));
    }
    EXPECT_EQ(game->stateManager.usernameInput, "ac");
    clickAt(centreOf(game->ui.passwordFieldRect));
    EXPECT_EQ(game->stateManager.loginFocus, 2);
    handle(textEntered('x'));
    EXPECT_EQ(game->stateManager.passwordInput, "x");
    clickAt({5, 5});
    EXPECT_EQ(game->stateManager.loginFocus, 0);
    handle(textEntered('y'));
    EXPECT_EQ(game->stateManager.passwordInput, "x");
}

TEST_F(InputDispatch, PauseEntriesAreHitByTheirMeasuredBoxes) {
    playLevel(*game, writeLevelFile("dispatch", THREE_BIRDS_ONE_ENEMY));
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, Paused);
    handle(keyPress(sf::Keyboard::Up));
    EXPECT_EQ(game->stateManager.pauseSelection, PauseLayout::QuitToMenuEntry);

    // Entries are centred in the window, one 42 px row below the other.
    const sf::FloatRect resume = game->ui.pauseEntryHitBox(0);
    EXPECT_FLOAT_EQ(resume.left + resume.width / 2.0f, 640.0f);
    // Just outside "Resume" to the right: nothing happens.
    const int resumeMiddle = static_cast<int>(resume.top + resume.height / 2.0f);
    handle(mousePress(static_cast<int>(resume.left + resume.width) + 1, resumeMiddle));
    EXPECT_EQ(game->stateManager.state, Paused);

    const sf::FloatRect quit = game->ui.pauseEntryHitBox(PauseLayout::QuitToMenuEntry);
    EXPECT_NEAR(quit.top + quit.height / 2.0f,
                resume.top + resume.height / 2.0f +
                    42.0f * static_cast<float>(PauseLayout::QuitToMenuEntry),
                0.01f);
    handle(mousePress(640, static_cast<int>(quit.top + quit.height / 2.0f)));
    EXPECT_EQ(game->stateManager.state, Menu);
    EXPECT_EQ(game->stateManager.pauseSelection, PauseLayout::QuitToMenuEntry);
}

TEST_F(InputDispatch, HighScoresBrowsesLevelsWithoutWrapping) {
    game->stateManager.transitionTo(HighScores);
    game->currentLevelIndex = 0;
    handle(keyPress(sf::Keyboard::Left));
    EXPECT_EQ(game->currentLevelIndex, 0);
    const int last = static_cast<int>(game->levelFiles.size()) - 1;
    game->currentLevelIndex = last;
    handle(keyPress(sf::Keyboard::Right));
    EXPECT_EQ(game->currentLevelIndex, last);
    handle(keyPress(sf::Keyboard::Left));
    EXPECT_EQ(game->currentLevelIndex, last - 1);
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.state, Menu);
}

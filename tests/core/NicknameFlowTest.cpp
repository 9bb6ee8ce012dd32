#include "e2e/FlowTestSupport.h"

#include <gtest/gtest.h>

// Leaving the results screen asks for a nickname when the score earns a place
// in the local table of that level; the name then goes into the file.
class NicknameFlow : public FlowTest {
protected:
    // What the table file holds now (empty when it was never written).
    std::string tableFile() const { return readWholeFile(tablePath).value_or(""); }

    // Five entries of `score` each for level 0, written through the game's table.
    void fillLevelZero(int score) {
        for (int i = 0; i < 5; ++i) {
            game->localHighScores.addHighScore(0, "old" + std::to_string(i), score, 1);
        }
    }

    // Next Level on the results screen, as drawn in the last frame.
    void pressNextButton() {
        game->render();
        clickCentreOf(game->ui.nextLevelButtonRect);
    }
};

TEST_F(NicknameFlow, EveryWayOfLeavingWithAQualifyingScoreAsksForANameFirst) {
    const std::vector<sf::Keyboard::Key> keys{sf::Keyboard::Space, sf::Keyboard::Enter};
    for (const sf::Keyboard::Key key : keys) {
        winLevel(1200);
        testing::internal::CaptureStdout();
        handle(keyPress(key));
        EXPECT_NE(testing::internal::GetCapturedStdout().find("Transitioning from 5 to 6\n"),
                  std::string::npos);
        EXPECT_EQ(game->stateManager.state, EnterNickname) << "key " << key;
        EXPECT_EQ(game->currentLevelIndex, 0);
    }
    winLevel(1200);
    pressNextButton();
    EXPECT_EQ(game->stateManager.state, EnterNickname);
    EXPECT_EQ(tableFile(), "") << "nothing is stored before a name is given";
}

TEST_F(NicknameFlow, EnterStoresTheLevelScoreUnderTheNameAndGoesOn) {
    game->totalScore = 700; // banked earlier in the run: must not be stored
    winLevel(1200);
    const int stars = game->stateManager.stars;
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, EnterNickname);

    type("Ace_1");
    handle(textEntered(13));

    EXPECT_EQ(tableFile(), "0,Ace_1,1200," + std::to_string(stars) + "\n");
    ASSERT_EQ(game->localHighScores.getHighScores(0).size(), 1u);
    EXPECT_EQ(game->localHighScores.getHighScores(0)[0].score, 1200);
    // Then on to the next level, as Next Level always did.
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 1);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    EXPECT_EQ(game->totalScore, 1200);

    // A reloaded table (the next start of the game) finds the entry again.
    HighScoreTable reloaded(tablePath);
    reloaded.loadHighScores();
    ASSERT_EQ(reloaded.getHighScores(0).size(), 1u);
    EXPECT_EQ(reloaded.getHighScores(0)[0].name, "Ace_1");
}

TEST_F(NicknameFlow, NameAfterTheLastLevelIsStoredAndTheRunEndsOnItsClosingScreen) {
    winLevel(900, 1);
    handle(keyPress(sf::Keyboard::Enter));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("zed");
    testing::internal::CaptureStdout();
    handle(textEntered(10));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("All levels completed! Final score: 900"),
              std::string::npos);
    EXPECT_EQ(game->stateManager.state, GameComplete);
    EXPECT_EQ(game->stateManager.finalScore, 900);
    EXPECT_NE(tableFile().find("0,zed,900,"), std::string::npos);
}

TEST_F(NicknameFlow, EscapeGoesOnWithoutStoring) {
    winLevel(1200);
    handle(keyPress(sf::Keyboard::Enter));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("ghost");
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 1);
    EXPECT_TRUE(game->localHighScores.getHighScores(0).empty());
    EXPECT_FALSE(std::filesystem::exists(tablePath));
}

TEST_F(NicknameFlow, AScoreThatWouldNotEnterGoesStraightOn) {
    fillLevelZero(1500);
    const std::string before = tableFile();
    winLevel(1500); // equal to the lowest: not strictly above it
    testing::internal::CaptureStdout();
    pressNextButton();
    EXPECT_EQ(testing::internal::GetCapturedStdout().find("Transitioning from 5 to 6"),
              std::string::npos);
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 1);
    EXPECT_EQ(tableFile(), before);

    // One point more does enter, and pushes the last old entry out.
    winLevel(1501);
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("top");
    handle(textEntered(13));
    const auto& list = game->localHighScores.getHighScores(0);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].name, "top");
    EXPECT_EQ(list[4].score, 1500);
}

TEST_F(NicknameFlow, TheTableOfTheLevelPlayedDecides) {
    fillLevelZero(5000); // level 0 is full of better runs; level 1 is empty
    winLevel(100);
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, Playing);
    ASSERT_EQ(game->currentLevelIndex, 1);
    winCurrentLevel(100);
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("second");
    handle(textEntered(13));
    ASSERT_EQ(game->localHighScores.getHighScores(1).size(), 1u);
    EXPECT_EQ(game->localHighScores.getHighScores(1)[0].name, "second");
    EXPECT_EQ(game->localHighScores.getHighScores(0).size(), 5u);
}

TEST_F(NicknameFlow, RetryAndLeavingAskForANameFirstThenGoTheirWay) {
    winLevel(1200);
    game->render();
    clickCentreOf(game->ui.retryButtonRect);
    ASSERT_EQ(game->stateManager.state, EnterNickname) << "Retry would lose the score";
    type("again");
    handle(textEntered(13));
    EXPECT_NE(tableFile().find("0,again,1200,"), std::string::npos);
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 0);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    EXPECT_EQ(game->totalScore, 0); // the retried attempt is no longer banked

    winCurrentLevel(1300);
    handle(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, EnterNickname) << "so would leaving";
    handle(keyPress(sf::Keyboard::Enter)); // the name offered is the last one
    handle(textEntered(13));
    EXPECT_EQ(game->stateManager.state, LevelSelect);
    EXPECT_EQ(game->stateManager.selectedLevel, 0);
    ASSERT_EQ(game->localHighScores.getHighScores(0).size(), 2u);
    EXPECT_EQ(game->localHighScores.getHighScores(0)[0].name, "again");
    EXPECT_EQ(game->localHighScores.getHighScores(0)[0].score, 1300);

    // Skipping the name still goes the way chosen.
    winLevel(1400);
    game->render();
    clickCentreOf(game->ui.retryButtonRect);
    handle(keyPress(sf::Keyboard::Escape));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->localHighScores.getHighScores(0).size(), 2u);
}

TEST_F(NicknameFlow, TheLastNameIsOfferedAndTheFirstLetterTypedReplacesIt) {
    winLevel(1200, 3);
    handle(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.nicknameInput, "") << "no name used yet this run";
    type("Ann Lee");
    handle(textEntered(13));
    ASSERT_EQ(game->currentLevelIndex, 1);

    // Opened by Space, whose own text must not land in the field.
    winCurrentLevel(900);
    handle(keyPress(sf::Keyboard::Space));
    handle(textEntered(' '));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    EXPECT_EQ(game->stateManager.nicknameInput, "Ann Lee");
    type("Bo");
    EXPECT_EQ(game->stateManager.nicknameInput, "Bo") << "typing replaces the offered name";
    handle(textEntered(13));
    ASSERT_EQ(game->currentLevelIndex, 2);

    // A backspace edits the offered name instead.
    winCurrentLevel(800);
    handle(keyPress(sf::Keyboard::Space));
    EXPECT_EQ(game->stateManager.nicknameInput, "Bo");
    handle(textEntered(8));
    type("b!");
    handle(textEntered(13));
    EXPECT_EQ(game->localHighScores.getHighScores(2).at(0).name, "Bb!");
}

TEST_F(NicknameFlow, TypingTakesWhatTheFileCanHoldUpToTenCharacters) {
    winLevel(1200);
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    std::string& name = game->stateManager.nicknameInput;

    handle(textEntered(13)); // Enter on an empty name does nothing
    EXPECT_EQ(game->stateManager.state, EnterNickname);
    handle(textEntered(8)); // backspace on an empty name is harmless
    EXPECT_EQ(name, "");
    type("   ");
    handle(textEntered(13)); // nor does a name of blanks
    EXPECT_EQ(game->stateManager.state, EnterNickname);
    handle(textEntered(8));
    handle(textEntered(8));
    handle(textEntered(8));

    // Blanks and punctuation go in; the file's comma, tabs and line breaks
    // do not, nor anything beyond ASCII.
    type("J. O'Ne,il	");
    EXPECT_EQ(name, "J. O'Neil");
    handle(textEntered(0xE9)); // e acute
    handle(textEntered(0x263A));
    handle(textEntered(200));
    handle(textEntered(127)); // delete
    EXPECT_EQ(name, "J. O'Neil");
    type("!?"); // the limit is ten characters
    EXPECT_EQ(name, "J. O'Neil!");
    handle(textEntered(8));
    type("Q");
    EXPECT_EQ(name, "J. O'NeilQ");

    handle(textEntered(13));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_NE(tableFile().find("0,J. O'NeilQ,1200,"), std::string::npos) << tableFile();
    HighScoreTable reloaded(tablePath);
    reloaded.loadHighScores();
    ASSERT_EQ(reloaded.getHighScores(0).size(), 1u);
    EXPECT_EQ(reloaded.getHighScores(0)[0].name, "J. O'NeilQ");
}

// The window reports Enter as a key press followed by its text event (code
// 13), and both arrive in one frame. The key press on the results screen opens
// the nickname screen, so its text event lands there. It must not submit a
// name left over from an earlier level.
TEST_F(NicknameFlow, TheEnterThatOpensTheNameScreenDoesNotSubmitAnOldName) {
    winLevel(1200, 3);
    handle(keyPress(sf::Keyboard::Enter));
    handle(textEntered(13));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("first");
    handle(keyPress(sf::Keyboard::Enter));
    handle(textEntered(13));
    ASSERT_EQ(game->currentLevelIndex, 1);

    winCurrentLevel(800);
    handle(keyPress(sf::Keyboard::Enter));
    handle(textEntered(13));
    EXPECT_EQ(game->stateManager.state, EnterNickname)
        << "the name screen was skipped and an old name stored";
    EXPECT_TRUE(game->localHighScores.getHighScores(1).empty());
}

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

TEST_F(NicknameFlow, NameAfterTheLastLevelIsStoredAndTheRunEndsInTheMenu) {
    winLevel(900, 1);
    handle(keyPress(sf::Keyboard::Enter));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    type("zed");
    testing::internal::CaptureStdout();
    handle(textEntered(10));
    EXPECT_NE(testing::internal::GetCapturedStdout().find("All levels completed! Final score: 900"),
              std::string::npos);
    EXPECT_EQ(game->stateManager.state, Menu);
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

TEST_F(NicknameFlow, RetryNeverAsksForAName) {
    winLevel(1200);
    game->render();
    clickCentreOf(game->ui.retryButtonRect);
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->currentLevelIndex, 0);
    EXPECT_EQ(game->contactListener.levelScore, 0);
    EXPECT_EQ(game->totalScore, 0); // the retried attempt is no longer banked
    EXPECT_FALSE(std::filesystem::exists(tablePath));
}

TEST_F(NicknameFlow, TypingAcceptsOnlyShortPlainNames) {
    winLevel(1200);
    handle(keyPress(sf::Keyboard::Space));
    ASSERT_EQ(game->stateManager.state, EnterNickname);
    std::string& name = game->stateManager.nicknameInput;

    handle(textEntered(13)); // Enter on an empty name does nothing
    EXPECT_EQ(game->stateManager.state, EnterNickname);
    handle(textEntered(8)); // backspace on an empty name is harmless
    EXPECT_EQ(name, "");

    type("a b,c.d!e\t"); // blanks, punctuation and tabs are dropped
    EXPECT_EQ(name, "abcde");
    handle(textEntered(0xE9)); // e acute
    handle(textEntered(0x263A));
    handle(textEntered(200));
    EXPECT_EQ(name, "abcde");
    type("_-9XYZW"); // the limit is ten characters
    EXPECT_EQ(name, "abcde_-9XY");
    handle(textEntered(8));
    type("Q");
    EXPECT_EQ(name, "abcde_-9XQ");

    handle(textEntered(13));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->localHighScores.getHighScores(0).at(0).name, "abcde_-9XQ");
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

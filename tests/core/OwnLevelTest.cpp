#include "core/OwnLevel.h"
#include "core/OwnLevelList.h"

#include "BuildPaths.h"
#include "TemporaryDirectory.h"
#include "core/GameTestSupport.h"
#include "e2e/GameProcess.h"
#include "level/LevelLoader.h"
#include "level/ShippedLevels.h"
#include "ui/LevelSelectLayout.h"

#include <algorithm>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

// A level from outside the shipped list is anyone's file: it plays only
// when the loader leaves something to play, and what is kept of it is kept
// under its content, never under a shipped level.
namespace {

const char* PLAYABLE = "BLOCK TALL_WOOD 700 520 20 80\nENEMY 760 540\nBIRD NORMAL 1\n";

std::string write(const std::filesystem::path& dir, const std::string& name,
                  const std::string& content) {
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TEST(OwnLevelProcess, AFileThatCannotBePlayedIsRefusedWithItsReasonBeforeAWindowOpens) {
    const TemporaryDirectory dir;
    const struct {
        std::string path;
        const char* reason;
    } bad[] = {
        {(dir.path / "missing.txt").string(), "cannot be read"},
        {write(dir.path, "no-birds.txt", "ENEMY 700 540\nBIRD NORMAL 0\n"), "no birds"},
        {write(dir.path, "garbage.txt", "\x7f\x01 nothing here\nENEMY nan 3\n"), "no birds"},
        {write(dir.path, "huge.txt", std::string(LevelLoader::MAX_FILE_BYTES + 1, '\n')), "longer"},
    };
    for (const auto& file : bad) {
        const CommandResult run =
            runCommand("env -u DISPLAY ALSOFT_DRIVERS=null '" + std::string(VOLLARIN_GAME_EXE) +
                       "' --level '" + file.path + "'");
        EXPECT_EQ(run.status, 1) << run.output;
        EXPECT_NE(run.output.find("cannot play " + file.path + ": "), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find(file.reason), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Hello Skysling Clone!"), std::string::npos) << run.output;
    }
}

TEST(OwnLevel, IsPlayedAndItsBestIsKeptByContentNotByName) {
    const TemporaryDirectory dir;
    const std::string path = write(dir.path, "mine.txt", PLAYABLE);
    const std::string copy = write(dir.path, "copy.txt", PLAYABLE);
    const std::string edited =
        write(dir.path, "edited.txt", std::string(PLAYABLE) + "BIRD NORMAL 2\n");

    ::testing::internal::CaptureStdout();
    auto game = makeLoadedGame();
    const LevelBest shippedBefore = game->progress.best(game->currentLevelIndex);
    ASSERT_TRUE(game->playOwnLevel(path));
    EXPECT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->attempt.levelContentHash(), Replay::levelFileHash(path));
    EXPECT_EQ(game->attempt.totalBirds, 1);
    game->recordResult(1234, 2);
    // The shipped level the game stood at keeps its own best.
    EXPECT_EQ(game->progress.best(game->currentLevelIndex).score, shippedBefore.score);

    // The same level under another name is the same level...
    ASSERT_TRUE(game->playOwnLevel(copy));
    EXPECT_FALSE(game->recordResult(1000, 1).newBestScore);
    EXPECT_TRUE(game->recordResult(1500, 3).newBestScore);
    // ...and an edited one another.
    ASSERT_TRUE(game->playOwnLevel(edited));
    EXPECT_TRUE(game->recordResult(10, 1).newBestScore);

    // Leaving for the level select returns to the shipped levels.
    game->stateManager.leaveToLevelSelect();
    EXPECT_FALSE(game->ownLevel);
    EXPECT_EQ(game->currentLevelPath(), game->levelFiles[game->currentLevelIndex]);
    ::testing::internal::GetCapturedStdout();
}

// An own level goes by its name on the HUD and the results, which show its
// own best and nothing of the shipped level's tables.
TEST(OwnLevel, TheHudAndTheResultsNameItAndShowNoShippedLevelsTable) {
    const TemporaryDirectory dir;
    const std::string path = write(dir.path, "my-tower.txt", PLAYABLE);
    ::testing::internal::CaptureStdout();
    auto game = makeLoadedGame();
    game->localHighScores.addHighScore(game->currentLevelIndex, "shippedann", 99999, 3);
    const auto drawnTexts = [&] {
        game->renderer.startRecording();
        game->drawFrame();
        game->renderer.stopRecording();
        std::string all;
        for (const DrawnElement& element : game->renderer.recorded()) {
            if (element.kind == DrawnElement::Text) {
                all += element.text + "\n";
            }
        }
        return all;
    };

    ASSERT_TRUE(game->playOwnLevel(path));
    std::string texts = drawnTexts();
    EXPECT_NE(texts.find("Level: my-tower"), std::string::npos) << texts;
    EXPECT_EQ(texts.find("Level: 1/"), std::string::npos) << texts;

    game->contactListener.levelScore = 4321;
    game->stateManager.levelCompleted();
    ASSERT_EQ(game->stateManager.state, LevelComplete);
    texts = drawnTexts();
    EXPECT_NE(texts.find("my-tower"), std::string::npos) << texts;
    EXPECT_NE(texts.find("Best here: 4321"), std::string::npos) << texts;
    EXPECT_EQ(texts.find("shippedann"), std::string::npos) << texts;
    EXPECT_EQ(texts.find("On this computer"), std::string::npos) << texts;
    ::testing::internal::GetCapturedStdout();
}

// Tab on the level select opens the player's own levels; a level that
// cannot be played is listed and not played, a good one is played.
TEST(OwnLevel, MyLevelsListsThePlayersLevelsAndPlaysTheChosenOne) {
    const std::filesystem::path folder = OwnLevelList::folder();
    ASSERT_FALSE(folder.empty());
    std::filesystem::create_directories(folder);
    write(folder, "a-broken.txt", "BIRD NORMAL 1\n");
    const std::string good = write(folder, "b-good.txt", PLAYABLE);

    ::testing::internal::CaptureStdout();
    auto game = makeLoadedGame();
    game->stateManager.transitionTo(LevelSelect);
    game->input.handleEvent(keyPress(sf::Keyboard::Tab));
    ASSERT_EQ(game->stateManager.state, MyLevels);
    const auto rows = game->myLevelsRows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_FALSE(rows[0].playable);
    EXPECT_NE(rows[0].verdict.find("no enemies"), std::string::npos) << rows[0].verdict;
    EXPECT_EQ(rows[1].verdict, "Not proven yet");
    game->render();
    game->input.handleEvent(keyPress(sf::Keyboard::Escape));
    ASSERT_EQ(game->stateManager.state, LevelSelect);
    // The level select tells of the page, and its line opens it as Tab does.
    game->renderer.startRecording();
    game->drawFrame();
    game->renderer.stopRecording();
    const LevelSelectLayout layout(game->screenScale().layoutSize(),
                                   ShippedLevels::manifest().worlds().front().levelCount());
    const auto& drawn = game->renderer.recorded();
    const auto hint = std::find_if(drawn.begin(), drawn.end(), [](const DrawnElement& element) {
        return element.kind == DrawnElement::Text && element.text == "Tab: My levels";
    });
    ASSERT_NE(hint, drawn.end());
    const sf::FloatRect line = layout.myLevelsHint();
    EXPECT_TRUE(line.contains(hint->pixels.left, hint->pixels.top));
    EXPECT_TRUE(line.contains(hint->pixels.left + hint->pixels.width,
                              hint->pixels.top + hint->pixels.height));
    const sf::Vector2i at = game->window.mapCoordsToPixel(
        {line.left + line.width * 0.5f, line.top + line.height * 0.5f}, game->screenScale().view());
    game->input.handleEvent(mousePress(at.x, at.y));
    ASSERT_EQ(game->stateManager.state, MyLevels);

    game->input.handleEvent(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.state, MyLevels);
    game->input.handleEvent(keyPress(sf::Keyboard::Down));
    game->input.handleEvent(keyPress(sf::Keyboard::Enter));
    EXPECT_EQ(game->stateManager.state, Playing);
    ASSERT_TRUE(game->ownLevel);
    EXPECT_EQ(game->ownLevel->path, good);
    ::testing::internal::GetCapturedStdout();
    std::filesystem::remove_all(folder);
}

} // namespace

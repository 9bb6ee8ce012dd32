#include "core/GameTestSupport.h"

#include "ui/FirstMeetings.h"
#include "ui/ScreenChecks.h"

#include <gtest/gtest.h>

#include <filesystem>

// The cards that introduce a new kind of bird or enemy, in a real game: each
// kind once, remembered across restarts of the level and of the game, and
// never in the way of the attempt.

namespace {

const char* const BOOST_AND_ARMED = "BIRD BOOST 1\n"
                                    "BIRD NORMAL 2\n"
                                    "ARMED_ENEMY 900 540\n";

std::string cardTitle(Game& game) {
    const DrawnFrame frame = drawRecordedFrame(game);
    const DrawnElement* title = findTextStarting(frame, "New: ");
    return title != nullptr ? title->text : std::string();
}

} // namespace

TEST(FirstMeetings, EachNewKindIsShownOnceAndNotAfterARestartOfTheLevelOrTheGame) {
    const std::string level = writeLevelFile("meetings", BOOST_AND_ARMED);
    {
        const std::unique_ptr<Game> game = makeLoadedGame();
        playLevel(*game, level);
        EXPECT_EQ(cardTitle(*game), "New: Bird");
        // The world goes on under the card.
        const std::uint64_t steps = game->attempt.stepsTaken();
        for (int i = 0; i < 10; ++i) {
            game->update(Game::STEP_SECONDS);
        }
        EXPECT_EQ(game->attempt.stepsTaken(), steps + 10);
        game->input.handleEvent(keyPress(sf::Keyboard::Enter));
        EXPECT_EQ(cardTitle(*game), "New: Boost Bird");
        // A click on the card answers it too.
        const sf::FloatRect card = FirstMeetings::cardRect(game->screenScale().layoutSize());
        game->input.handleEvent(mousePress(static_cast<int>(card.left + card.width / 2.0f),
                                           static_cast<int>(card.top + card.height / 2.0f)));
        EXPECT_EQ(cardTitle(*game), "New: Armed Enemy");
        EXPECT_EQ(game->stateManager.state, Playing);

        // Started over before the last card was read: only that one again.
        game->restartLevel();
        EXPECT_EQ(cardTitle(*game), "New: Armed Enemy");
        game->input.handleEvent(keyPress(sf::Keyboard::Enter));
        EXPECT_EQ(cardTitle(*game), "");
        game->restartLevel();
        EXPECT_EQ(cardTitle(*game), "");
    }
    // A new run of the game reads them back from the progress file.
    const std::unique_ptr<Game> game = makeLoadedGame();
    EXPECT_TRUE(game->progress.hasMet("enemy/armed_enemy"));
    playLevel(*game, level);
    EXPECT_EQ(cardTitle(*game), "");
    std::filesystem::remove(level);
}

// A launch puts the card away: the keys and the mouse that aim and throw
// work with a card up exactly as without one.
TEST(FirstMeetings, TheFirstLaunchPutsTheCardAwayAndCountsItAsRead) {
    const std::string level = writeLevelFile("meetings_launch", BOOST_AND_ARMED);
    const std::unique_ptr<Game> game = makeLoadedGame();
    playLevel(*game, level);
    ASSERT_EQ(cardTitle(*game), "New: Bird");
    game->input.handleEvent(keyPress(sf::Keyboard::Left));
    ASSERT_TRUE(game->isDragging);
    game->input.handleEvent(keyPress(sf::Keyboard::Space));
    EXPECT_TRUE(game->turnActive) << "Space launched the pulled bird";
    EXPECT_EQ(cardTitle(*game), "");
    EXPECT_TRUE(game->progress.hasMet("bird/normal"));
    EXPECT_FALSE(game->progress.hasMet("bird/boost")) << "its card waits for the next start";
    std::filesystem::remove(level);
}

#include "SolutionFile.h"
#include "core/FrameSequence.h"
#include "core/ShotDriver.h"

#include "TemporaryDirectory.h"
#include "core/Attempt.h"
#include "core/Game.h"
#include "core/GhostPaths.h"
#include "core/QuietOutput.h"
#include "level/ShippedLevels.h"
#include "ui/UiTestGame.h"

#include <cstring>
#include <gtest/gtest.h>

// The ghost: the flights of the level's best kept attempt, the Nth shown
// while the Nth bird is aimed.
namespace {

std::vector<sf::Vector2f> dotsOf(const ShotTrail& trail) {
    std::vector<sf::Vector2f> dots;
    for (std::size_t i = 0; i < trail.size(); ++i) {
        dots.push_back(trail.dot(i));
    }
    return dots;
}

TEST(GhostPathsTest, TracesEveryShotOfTheReplayAsThePlayedAttemptFlewIt) {
    Attempt played;
    {
        const QuietOutput quiet;
        ShotDriver driver(played);
        driver.startLevel(4);
        driver.play(*SolutionFile::read(SolutionFile::pathFor(5)),
                    FrameSequence::steady(Attempt::STEP_SECONDS, "steps"));
    }
    ASSERT_TRUE(played.won());
    const Replay replay = played.replay(5);
    const auto launches = std::count_if(replay.inputs.begin(), replay.inputs.end(), [](auto& in) {
        return in.kind == ReplayInput::Kind::Release;
    });

    const std::optional<GhostPaths> ghost = GhostPaths::trace(replay, ShippedLevels::path(5));
    ASSERT_TRUE(ghost);
    EXPECT_EQ(ghost->levelNumber, 5);
    ASSERT_EQ(static_cast<long>(ghost->shots.size()), launches);
    // The attempt's own trail keeps its last flight: the ghost's last is it.
    EXPECT_EQ(dotsOf(ghost->shots.back()), dotsOf(played.shotTrail));
    for (const ShotTrail& shot : ghost->shots) {
        ASSERT_FALSE(shot.empty());
        // Every flight starts at the slingshot, not where the last one ended.
        EXPECT_LT(std::abs(shot.dot(0).x - played.bandRestPos.x), 160.0f);
        EXPECT_GT(shot.size(), 3u);
    }
    EXPECT_EQ(ghost->shot(ghost->shots.size()), nullptr);

    Replay foreign = replay;
    foreign.fingerprint ^= 1;
    EXPECT_FALSE(GhostPaths::trace(foreign, ShippedLevels::path(5)));
    EXPECT_FALSE(GhostPaths::trace(replay, ShippedLevels::path(4)));
}

class GhostInGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QuietOutput quiet;
        game = ShotDriver::makeGame();
        game->replays = ReplayShelf(folder.path / "replays");
    }

    // Starts level 3 and takes up its ghost, as the next frame would.
    void startLevel3() {
        const QuietOutput quiet;
        ShotDriver(*game).startLevel(2);
        game->keeper.waitIdle();
        game->update(0.0f);
    }

    sf::Image frame() {
        game->drawFrame();
        return captureWindow(game->window);
    }

    bool ghostDrawn() {
        const sf::Image with = frame();
        game->settings.ghost = false;
        const sf::Image without = frame();
        game->settings.ghost = true;
        return std::memcmp(with.getPixelsPtr(), without.getPixelsPtr(),
                           std::size_t{4} * with.getSize().x * with.getSize().y) != 0;
    }

    TemporaryDirectory folder;
    std::unique_ptr<Game> game;
};

TEST_F(GhostInGameTest, ShowsTheBestAttemptsFlightForTheSameShotAndNothingWithoutOne) {
    startLevel3();
    EXPECT_EQ(game->ghostFlight(), nullptr);
    EXPECT_FALSE(ghostDrawn());

    {
        const QuietOutput quiet;
        ShotDriver driver(*game);
        driver.startLevel(2);
        ASSERT_TRUE(driver
                        .play(*SolutionFile::read(SolutionFile::pathFor(3)),
                              FrameSequence::steady(Game::STEP_SECONDS, "60 Hz"))
                        .won);
    }
    startLevel3();
    ASSERT_EQ(game->ghost.levelNumber, 3);
    ASSERT_EQ(game->ghost.shots.size(), 2u);
    EXPECT_EQ(game->ghostFlight(), &game->ghost.shots[0]);
    EXPECT_TRUE(ghostDrawn());

    // The first bird thrown and settled: the second is aimed against the
    // best attempt's second flight.
    const Shot first = SolutionFile::read(SolutionFile::pathFor(3))->front();
    const ShotTrail* aimedAgainst = nullptr;
    {
        const QuietOutput quiet;
        ShotDriver driver(*game);
        driver.play(
            [&](std::size_t index) -> std::optional<Shot> {
                if (index == 0) {
                    return first;
                }
                aimedAgainst = game->ghostFlight();
                return std::nullopt;
            },
            FrameSequence::steady(Game::STEP_SECONDS, "60 Hz"));
    }
    EXPECT_EQ(aimedAgainst, &game->ghost.shots[1]);

    // Turned off, nothing shows.
    game->settings.ghost = false;
    EXPECT_EQ(game->ghostFlight(), nullptr);
}

} // namespace

// The pictures that help the next shot: the dotted path of the previous bird
// of the attempt, shown while aiming, and the points rising where they were
// earned. Real games, real world steps, and the frames read back.

#include "GameTestSupport.h"

#include "entities/Block.h"
#include "entities/Enemy.h"
#include "ui/ScreenChecks.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace {

// A bird lobbed from here lands well short of the far enemy, so the attempt
// goes on to the next bird.
const char* const LOB_LEVEL = "BACKGROUND game_background\n"
                              "BIRD NORMAL 1\n"
                              "BIRD NORMAL 2\n"
                              "BIRD NORMAL 3\n"
                              "ENEMY 1300 540\n";

float distance(sf::Vector2f a, sf::Vector2f b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

int brightness(sf::Color c) {
    return c.r + c.g + c.b;
}

class LastShot : public testing::Test {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        playLevel(*game, writeLevelFile("last_shot", LOB_LEVEL));
    }

    void launchSeatedBird(sf::Vector2f velocity) {
        game->dragPos = game->slingshotPos - velocity / Game::LAUNCH_FACTOR;
        game->launchBird();
    }

    // Frames of 1/60 s until the turn is over.
    void playUntilTheTurnEnds() {
        for (int frame = 0; frame < 60 * 30 && game->turnActive; ++frame) {
            game->update(1.0f / 60.0f);
        }
        ASSERT_FALSE(game->turnActive) << "the turn never ended";
        // The camera drifts back to the slingshot.
        for (int frame = 0; frame < 60 * 4; ++frame) {
            game->update(1.0f / 60.0f);
        }
    }

    sf::Vector2u pixelOfDot(std::size_t index) const {
        const sf::Vector2i pixel =
            game->window.mapCoordsToPixel(game->shotTrail.dot(index), game->gameView);
        return {static_cast<unsigned>(pixel.x), static_cast<unsigned>(pixel.y)};
    }

    std::unique_ptr<Game> game;
};

TEST_F(LastShot, ThePreviousBirdsPathIsDottedWhileAimingTheNext) {
    Bird* first = game->birdOnSlingshot;
    const sf::Vector2f launchedFrom = first->position;
    launchSeatedBird({6.0f, -8.0f});
    EXPECT_EQ(game->shotTrail.size(), 1u);
    EXPECT_EQ(game->shotTrail.dot(0), launchedFrom);
    // In flight the path grows but is not drawn: the field is the bird's.
    game->update(0.5f);
    ASSERT_TRUE(game->turnActive);
    EXPECT_GT(game->shotTrail.size(), 3u);
    {
        const DrawnFrame flying = drawRecordedFrame(*game);
        const ShotTrail growing = game->shotTrail;
        game->shotTrail.clear();
        const DrawnFrame without = drawRecordedFrame(*game);
        game->shotTrail = growing;
        EXPECT_EQ(flying.image.getSize(), without.image.getSize());
        EXPECT_EQ(0, std::memcmp(flying.image.getPixelsPtr(), without.image.getPixelsPtr(),
                                 flying.image.getSize().x * flying.image.getSize().y * 4u));
    }

    playUntilTheTurnEnds();
    const ShotTrail& trail = game->shotTrail;
    ASSERT_GT(trail.size(), 20u);
    ASSERT_LT(trail.size(), ShotTrail::MAX_DOTS);
    // Evenly spaced dots from the launch point to where the bird came to rest.
    for (std::size_t i = 1; i < trail.size(); ++i) {
        EXPECT_NEAR(distance(trail.dot(i - 1), trail.dot(i)), ShotTrail::DOT_SPACING, 0.01f) << i;
    }
    // (the bird may have moved one more step before it left play)
    EXPECT_LT(distance(trail.dot(trail.size() - 1), first->position),
              2.0f * ShotTrail::DOT_SPACING);
    // The apex of a lob lies high in the sky, far from anything else drawn.
    std::size_t apex = 0;
    for (std::size_t i = 0; i < trail.size(); ++i) {
        apex = trail.dot(i).y < trail.dot(apex).y ? i : apex;
    }
    ASSERT_LT(trail.dot(apex).y, game->slingshotPos.y - 150.0f);

    // Dragging the next bird (the press seats it if the turn did not): the
    // dots show as faint light spots on the sky.
    game->pressSlingshot(game->window.mapCoordsToPixel(game->bandRestPos, game->gameView));
    ASSERT_TRUE(game->isDragging);
    const DrawnFrame aiming = drawRecordedFrame(*game);
    keepScreenshot(aiming, "last_shot_aiming");
    ShotTrail kept = game->shotTrail;
    game->shotTrail.clear();
    const DrawnFrame plain = drawRecordedFrame(*game);
    game->shotTrail = kept;
    int lighter = 0;
    for (const std::size_t i : {apex - 4, apex, apex + 4}) {
        const sf::Vector2u at = pixelOfDot(i);
        const sf::Color dot = aiming.image.getPixel(at.x, at.y);
        const sf::Color sky = plain.image.getPixel(at.x, at.y);
        EXPECT_NE(dot, sky) << "dot " << i;
        lighter += brightness(dot) > brightness(sky) ? 1 : 0;
        // Faint: the sky still shows through.
        EXPECT_LT(brightness(dot), 3 * 255) << "dot " << i;
    }
    EXPECT_EQ(lighter, 3);
    // Between two dots the sky is untouched: a dotted line, not a solid one.
    const sf::Vector2f between = (trail.dot(apex) + trail.dot(apex + 1)) / 2.0f;
    const sf::Vector2i gap = game->window.mapCoordsToPixel(between, game->gameView);
    EXPECT_EQ(aiming.image.getPixel(gap.x, gap.y), plain.image.getPixel(gap.x, gap.y));

    // The second launch starts a path of its own.
    game->isDragging = false;
    launchSeatedBird({3.0f, -3.0f});
    EXPECT_EQ(game->shotTrail.size(), 1u);
}

TEST_F(LastShot, EveryRestartOfTheAttemptClearsThePath) {
    auto lay = [&] {
        game->shotTrail.start({100.0f, 500.0f});
        game->shotTrail.follow({300.0f, 300.0f});
        game->pointLabels.add({500.0f, 400.0f}, 500);
        ASSERT_FALSE(game->shotTrail.empty());
    };
    GameStateManager& flow = game->stateManager;
    game->levelFiles.push_back(game->levelFiles.front());

    lay();
    game->restartLevel(); // Retry and Start Over
    EXPECT_TRUE(game->shotTrail.empty()) << "restart";
    EXPECT_EQ(game->pointLabels.size(), 0u) << "restart";

    lay();
    flow.gameOverPending = true; // the automatic restart after a loss
    flow.gameOverTimer = 0.01f;
    game->updatePlaying(0.02f);
    ASSERT_FALSE(flow.gameOverPending);
    EXPECT_TRUE(game->shotTrail.empty()) << "restart after a loss";

    lay();
    flow.nextLevel();
    ASSERT_EQ(game->currentLevelIndex, 1);
    EXPECT_TRUE(game->shotTrail.empty()) << "next level";

    lay();
    flow.leaveToLevelSelect();
    EXPECT_TRUE(game->shotTrail.empty()) << "level select";

    flow.startLevel();
    lay();
    flow.quitToMenu();
    EXPECT_TRUE(game->shotTrail.empty()) << "quit to menu";
}

// A weakened wooden block right in the bird's way.
TEST_F(LastShot, PointsRiseFromWhereABlockWasDestroyed) {
    playLevel(*game, writeLevelFile("points_rise", "BACKGROUND game_background\n"
                                                   "BLOCK TALL_WOOD 260 540 40 40\n"
                                                   "ENEMY 1300 540\n"
                                                   "BIRD NORMAL 1\n"));
    // Shared, because the level lets go of the block once it is destroyed
    // and the test still reads where it was.
    std::shared_ptr<Block> wood;
    for (const auto& entity : game->currentLevel->entities) {
        wood = wood != nullptr ? wood : std::dynamic_pointer_cast<Block>(entity);
    }
    ASSERT_NE(wood, nullptr);
    wood->hitPoints = 0.01f;
    launchSeatedBird({12.0f, -1.0f});
    for (int frame = 0; frame < 180 && game->pointLabels.size() == 0; ++frame) {
        game->update(1.0f / 60.0f);
    }
    ASSERT_TRUE(wood->isDestroyed());
    ASSERT_EQ(game->pointLabels.size(), 1u);
    const PointLabels::Label& label = game->pointLabels.label(0);
    EXPECT_EQ(label.points, 100);
    EXPECT_EQ(game->contactListener.levelScore, 100);
    // Born where the block was, risen by the frame it has lived.
    EXPECT_NEAR(label.position.x, wood->position.x, 0.01f);
    EXPECT_NEAR(label.position.y, wood->position.y - PointLabels::RISE_SPEED * label.age, 0.01f);

    // Drawn in the field's view over that spot, gold and outlined.
    const DrawnFrame drawn = drawRecordedFrame(*game);
    keepScreenshot(drawn, "points_label");
    const DrawnElement* text = findText(drawn, "+100");
    ASSERT_NE(text, nullptr);
    const sf::Vector2i spot = game->window.mapCoordsToPixel(label.position, game->gameView);
    EXPECT_NEAR(centreOf(text->pixels).x, static_cast<float>(spot.x), 2.0f);
    EXPECT_NEAR(centreOf(text->pixels).y, static_cast<float>(spot.y), 2.0f);
    EXPECT_GE(textContrast(drawn.image, text->pixels, sf::Color(255, 215, 0)), 3.0);

    // A second later it is gone.
    for (int frame = 0; frame < 61; ++frame) {
        game->update(1.0f / 60.0f);
    }
    EXPECT_EQ(game->pointLabels.size(), 0u);
    EXPECT_EQ(findText(drawRecordedFrame(*game), "+100"), nullptr);
}

TEST(ShotTrailRules, DotsKeepTheirSpacingAndTheTrailItsSize) {
    ShotTrail trail;
    trail.follow({10.0f, 10.0f}); // nothing launched: nothing kept
    EXPECT_TRUE(trail.empty());
    trail.start({0.0f, 0.0f});
    trail.follow({5.0f, 0.0f}); // less than a spacing from the last dot
    EXPECT_EQ(trail.size(), 1u);
    trail.follow({100.0f, 0.0f}); // one long step: dots laid along it
    ASSERT_EQ(trail.size(), 8u);
    EXPECT_FLOAT_EQ(trail.dot(7).x, 7.0f * ShotTrail::DOT_SPACING);
    trail.follow({std::nanf(""), 0.0f});
    EXPECT_EQ(trail.size(), 8u);
    trail.follow({1.0e9f, 0.0f}); // however far, never more than the fixed size
    EXPECT_EQ(trail.size(), ShotTrail::MAX_DOTS);
    trail.start({1.0f, 2.0f});
    EXPECT_EQ(trail.size(), 1u);
    EXPECT_EQ(trail.dot(0), sf::Vector2f(1.0f, 2.0f));
}

} // namespace

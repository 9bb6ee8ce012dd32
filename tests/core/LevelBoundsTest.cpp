#include "core/GameTestSupport.h"

#include "core/FieldCamera.h"

#include <gtest/gtest.h>

// The look around the field keeps to the level's own bounds: the usual
// field, grown to hold every piece of a wider or taller level.

namespace {

float rightEdge(const sf::View& view) {
    return view.getCenter().x + view.getSize().x / 2.0f;
}

} // namespace

TEST(LevelBounds, AWideLevelCanBeLookedOverToItsLastPiece) {
    const sf::FloatRect usual = FieldCamera::LEVEL_BOUNDS;
    EXPECT_EQ(FieldCamera::boundsAround({}), usual);
    EXPECT_EQ(FieldCamera::boundsAround({{900.0f, 540.0f}, {2450.0f, 850.0f}}), usual)
        << "pieces inside the usual field";
    const sf::FloatRect wide = FieldCamera::boundsAround({{900.0f, 540.0f}, {3500.0f, 540.0f}});
    EXPECT_FLOAT_EQ(wide.left + wide.width, 3500.0f + FieldCamera::PIECE_MARGIN);
    EXPECT_FLOAT_EQ(wide.left, usual.left);

    const std::unique_ptr<Game> game = makeLoadedGame();
    playLevel(*game, writeLevelFile("wide", "BIRD NORMAL 1\nENEMY 900 540\nENEMY 3500 540\n"));
    ASSERT_EQ(game->stateManager.state, Playing);
    EXPECT_EQ(game->lookBounds, wide);
    for (int i = 0; i < 40; ++i) {
        game->lookAround(0.0f, {400, 0});
    }
    EXPECT_FLOAT_EQ(rightEdge(game->shownView()), wide.left + wide.width);

    // The next level has only the usual field to show.
    playLevel(*game, writeLevelFile("narrow", THREE_BIRDS_ONE_ENEMY));
    for (int i = 0; i < 40; ++i) {
        game->lookAround(0.0f, {400, 0});
    }
    EXPECT_FLOAT_EQ(rightEdge(game->shownView()), usual.left + usual.width);
}

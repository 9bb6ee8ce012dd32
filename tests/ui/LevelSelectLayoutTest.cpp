#include "ui/LevelSelectLayout.h"

#include <gtest/gtest.h>

namespace {
const sf::Vector2u WINDOW(1280, 720);
}

TEST(LevelSelectLayoutTest, SevenLevelsInTheStartWindow) {
    const LevelSelectLayout layout(WINDOW, 7);
    EXPECT_EQ(layout.rows, 2);
    EXPECT_EQ(layout.panelPosition, sf::Vector2f(225.0f, 125.0f));
    EXPECT_EQ(layout.panelSize, sf::Vector2f(830.0f, 470.0f));
    EXPECT_EQ(layout.cellCentre(0), sf::Vector2f(340.0f, 295.0f));
    EXPECT_EQ(layout.cellCentre(3), sf::Vector2f(940.0f, 295.0f));
    EXPECT_EQ(layout.cellCentre(4), sf::Vector2f(340.0f, 445.0f));
    EXPECT_EQ(layout.titlePosition(), sf::Vector2f(640.0f, 155.0f));
    EXPECT_FLOAT_EQ(layout.moveHintPosition().y, 540.0f);
    EXPECT_FLOAT_EQ(layout.backHintPosition().y, 565.0f);
}

TEST(LevelSelectLayoutTest, RowsGrowEveryFourLevels) {
    EXPECT_EQ(LevelSelectLayout(WINDOW, 8).rows, 2);
    EXPECT_FLOAT_EQ(LevelSelectLayout(WINDOW, 8).panelSize.y, 470.0f);
    EXPECT_EQ(LevelSelectLayout(WINDOW, 9).rows, 3);
    EXPECT_FLOAT_EQ(LevelSelectLayout(WINDOW, 9).panelSize.y, 620.0f);
    const LevelSelectLayout empty(WINDOW, 0);
    EXPECT_EQ(empty.rows, 0);
    EXPECT_FLOAT_EQ(empty.panelSize.y, 170.0f);
    EXPECT_EQ(empty.cellAt({340.0f, 295.0f}), -1);
}

TEST(LevelSelectLayoutTest, CellAtIncludesBothEndsAndSkipsGaps) {
    const LevelSelectLayout layout(WINDOW, 7);
    // Cell 0 spans x 265..415, y 245..345; cell 1 starts at x 465.
    EXPECT_EQ(layout.cellAt({265.0f, 245.0f}), 0);
    EXPECT_EQ(layout.cellAt({415.0f, 345.0f}), 0);
    EXPECT_EQ(layout.cellAt({264.9f, 300.0f}), -1);
    EXPECT_EQ(layout.cellAt({440.0f, 300.0f}), -1);
    EXPECT_EQ(layout.cellAt({465.0f, 300.0f}), 1);
    EXPECT_EQ(layout.cellAt({1015.0f, 295.0f}), 3);
    EXPECT_EQ(layout.cellAt({340.0f, 370.0f}), -1); // between the rows
    EXPECT_EQ(layout.cellAt({665.0f, 395.0f}), 6);
    // Where an eighth cell would be there is none.
    EXPECT_EQ(layout.cellAt({940.0f, 445.0f}), -1);
}

TEST(LevelSelectLayoutTest, FollowsTheWindowSize) {
    const LevelSelectLayout layout({1600, 900}, 7);
    EXPECT_EQ(layout.panelPosition, sf::Vector2f(385.0f, 215.0f));
    EXPECT_EQ(layout.cellAt(layout.cellCentre(5)), 5);
}

TEST(LevelSelectLayoutTest, ACellStacksItsNumberBestScoreAndStars) {
    const LevelSelectLayout layout(WINDOW, 7);
    // Cell 0 spans x 265..415, y 245..345.
    EXPECT_EQ(layout.numberCentre(0), sf::Vector2f(340.0f, 271.0f));
    EXPECT_EQ(layout.bestScoreCentre(0), sf::Vector2f(340.0f, 300.0f));
    EXPECT_EQ(layout.starCentre(0, 0), sf::Vector2f(314.0f, 325.0f));
    EXPECT_EQ(layout.starCentre(0, 1), sf::Vector2f(340.0f, 325.0f));
    EXPECT_EQ(layout.starCentre(0, 2), sf::Vector2f(366.0f, 325.0f));
    // Every part of every cell lies inside it, so a click on a star or a
    // score still lands on its cell.
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(layout.cellAt(layout.numberCentre(i)), i);
        EXPECT_EQ(layout.cellAt(layout.bestScoreCentre(i)), i);
        for (int star = 0; star < LevelSelectLayout::CELL_STARS; ++star) {
            const sf::Vector2f centre = layout.starCentre(i, star);
            const float reach = LevelSelectLayout::CELL_STAR_RADIUS + 2.0f;
            EXPECT_EQ(layout.cellAt(centre + sf::Vector2f(-reach, -reach)), i);
            EXPECT_EQ(layout.cellAt(centre + sf::Vector2f(reach, reach)), i);
        }
    }
}

// The own levels' line is a click target of its own: inside the panel, off
// every cell and page button, and clear of the centred back hint's middle.
TEST(LevelSelectLayoutTest, TheMyLevelsLineLiesInThePanelClearOfEverythingClickable) {
    for (const sf::Vector2u window : {sf::Vector2u(1024, 576), WINDOW, sf::Vector2u(1920, 1080)}) {
        for (const int count : {1, 7, 12}) {
            const LevelSelectLayout layout(window, count);
            const sf::FloatRect line = layout.myLevelsHint();
            const sf::FloatRect panel(layout.panelPosition, layout.panelSize);
            EXPECT_TRUE(panel.contains(line.left, line.top));
            EXPECT_TRUE(panel.contains(line.left + line.width, line.top + line.height));
            for (int i = 0; i < count; ++i) {
                EXPECT_FALSE(line.intersects(layout.cellRect(i))) << count << " cell " << i;
            }
            EXPECT_FALSE(line.intersects(layout.pageButton(-1)));
            EXPECT_FALSE(line.intersects(layout.pageButton(1)));
            EXPECT_LT(line.left + line.width, layout.backHintPosition().x - 80.0f);
        }
    }
}

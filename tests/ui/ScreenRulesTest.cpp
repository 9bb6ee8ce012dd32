#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "ui/UIRenderer.h"

#include <gtest/gtest.h>
#include <optional>

TEST(ScreenRulesTest, BannerColourFollowsTheBirdsKind) {
    EXPECT_EQ(UIRenderer::bannerColor(Boost), sf::Color::Cyan);
    EXPECT_EQ(UIRenderer::bannerColor(Split), sf::Color::Green);
    EXPECT_EQ(UIRenderer::bannerColor(Explosion), sf::Color::Red);
    // The game's own banners ("Game Over! Restarting...") carry no kind.
    EXPECT_EQ(UIRenderer::bannerColor(std::nullopt), sf::Color::Yellow);
}

TEST(ScreenRulesTest, ActiveBirdLabelByKind) {
    EXPECT_EQ(UIRenderer::activeBirdLabel(*makeBird(Normal, 0, 1.0f)), "Bird");
    EXPECT_EQ(UIRenderer::activeBirdLabel(*makeBird(Boost, 1, 1.0f)), "Boost Bird (Speed up!)");
    EXPECT_EQ(UIRenderer::activeBirdLabel(*makeBird(Split, 2, 1.0f)),
              "Split Bird (Splits into 3!)");
    EXPECT_EQ(UIRenderer::activeBirdLabel(*makeBird(Explosion, 3, 1.0f)),
              "Explosion Bird (Pushes objects!)");
}

TEST(ScreenRulesTest, LevelCompleteRowsFitThePanel) {
    EXPECT_EQ(UIRenderer::levelCompleteRowCount(720.0f), 8);
    EXPECT_EQ(UIRenderer::levelCompleteRowCount(445.0f), 1);
    EXPECT_EQ(UIRenderer::levelCompleteRowCount(444.0f), 0);
    EXPECT_EQ(UIRenderer::levelCompleteRowCount(300.0f), 0); // never negative
    EXPECT_EQ(UIRenderer::levelCompleteRowCount(2000.0f), 10);
}

TEST(ScreenRulesTest, LongNamesAreShortenedAndPasswordsMasked) {
    EXPECT_EQ(UIRenderer::shortenScoreName("abcdefghijklmn"), "abcdefghijklmn");
    EXPECT_EQ(UIRenderer::shortenScoreName("abcdefghijklmno"), "abcdefghijkl..");
    EXPECT_EQ(UIRenderer::shortenScoreName(""), "");
    // Letters, not bytes: a name from the server may be UTF-8, and is never
    // cut inside a letter.
    const std::string fourteen = "\u00c5ngstr\u00f6m_\u00e9t\u00e9s!";
    EXPECT_EQ(UIRenderer::shortenScoreName(fourteen), fourteen);
    EXPECT_EQ(UIRenderer::shortenScoreName("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"
                                           "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9"),
              "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9..");
    EXPECT_EQ(UIRenderer::maskPassword("hunter"), "******");
    EXPECT_EQ(UIRenderer::maskPassword(""), "");
}

TEST(ScreenRulesTest, MenuButtonsKeepTheirAspectAndSpacing) {
    const MenuButtonRects rects =
        UIRenderer::menuButtonRects({1280, 720}, {300, 150}, {128, 128}, {256, 128});
    ASSERT_TRUE(rects.startShown && rects.quitShown && rects.highScoreShown);
    EXPECT_EQ(rects.start, sf::FloatRect(540.0f, 325.0f, 200.0f, 100.0f));
    // 20 px gaps either side of the start button.
    EXPECT_EQ(rects.quit, sf::FloatRect(450.0f, 340.0f, 70.0f, 70.0f));
    EXPECT_EQ(rects.highScore, sf::FloatRect(760.0f, 340.0f, 140.0f, 70.0f));
}

TEST(ScreenRulesTest, MenuButtonsWithMissingImages) {
    const MenuButtonRects noStart =
        UIRenderer::menuButtonRects({1280, 720}, {0, 0}, {128, 128}, {128, 128});
    EXPECT_FALSE(noStart.startShown || noStart.quitShown || noStart.highScoreShown);
    const MenuButtonRects noQuit =
        UIRenderer::menuButtonRects({1280, 720}, {300, 150}, {0, 0}, {128, 128});
    EXPECT_TRUE(noQuit.startShown);
    EXPECT_FALSE(noQuit.quitShown);
    EXPECT_TRUE(noQuit.highScoreShown);
}

TEST(ScreenRulesTest, PauseEntries) {
    EXPECT_STREQ(UIRenderer::pauseEntryText(0), "Resume");
    EXPECT_STREQ(UIRenderer::pauseEntryText(1), "Start Over");
    EXPECT_STREQ(UIRenderer::pauseEntryText(2), "Options");
    EXPECT_STREQ(UIRenderer::pauseEntryText(3), "Quit to Menu");
    EXPECT_EQ(UIRenderer::pauseEntryText(-1), nullptr);
    EXPECT_EQ(UIRenderer::pauseEntryText(4), nullptr);
}

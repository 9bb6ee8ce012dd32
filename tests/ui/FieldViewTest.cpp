// The playing field at any window shape: world pixels stay square, the
// picture behind the field is cropped rather than stretched with its grass on
// the ground, the mouse still aims exactly, and the pause entries answer
// clicks exactly where they are drawn.

#include "ui/FieldViewLayout.h"
#include "ui/ScreenChecks.h"

#include "assets/Renderer.h"
#include "core/GameTestSupport.h"
#include "ui/PauseLayout.h"

#include <gtest/gtest.h>

namespace {

TEST(FieldViewLayoutTest, KeepsTheHeightAndTakesTheWindowsShape) {
    const FieldViewLayout wide({1280, 720});
    EXPECT_EQ(wide.size, sf::Vector2f(1600.0f, 900.0f));
    EXPECT_EQ(wide.viewport, sf::FloatRect(0.0f, 0.0f, 1.0f, 1.0f));
    const FieldViewLayout fourThirds({1024, 768});
    EXPECT_EQ(fourThirds.size, sf::Vector2f(1200.0f, 900.0f));
    EXPECT_EQ(fourThirds.viewport, sf::FloatRect(0.0f, 0.0f, 1.0f, 1.0f));
    const FieldViewLayout ultraWide({2560, 720});
    EXPECT_EQ(ultraWide.size, sf::Vector2f(3200.0f, 900.0f));
    // Narrower than 4:3: the designed 1200 px stay, with bars above and below.
    const FieldViewLayout square({1000, 1000});
    EXPECT_EQ(square.size, sf::Vector2f(1200.0f, 900.0f));
    EXPECT_FLOAT_EQ(square.viewport.height, 0.75f);
    EXPECT_FLOAT_EQ(square.viewport.top, 0.125f);
    EXPECT_FLOAT_EQ(square.viewport.width, 1.0f);
    // A minimised window must not divide by zero.
    const FieldViewLayout none({0, 0});
    EXPECT_GE(none.size.x, 1200.0f);
}

TEST(FieldViewLayoutTest, BackgroundsAreCroppedWithTheirGrassOnTheGround) {
    // The field pictures are 4:3 with the grass line at the ground's height in
    // the 1200 x 900 view; the level-seven picture is 16:9.
    const sf::Vector2f focus = FieldViewLayout::backgroundFocus();
    for (const sf::Vector2u window : {sf::Vector2u(1280, 720), sf::Vector2u(1600, 900),
                                      sf::Vector2u(1024, 768), sf::Vector2u(2560, 720)}) {
        const sf::Vector2f view = FieldViewLayout(window).size;
        for (const sf::Vector2u picture : {sf::Vector2u(1600, 1200), sf::Vector2u(1280, 720)}) {
            const sf::FloatRect shown = Renderer::coverSourceRect(picture, view, focus);
            // Same proportions as the view: cropped, not stretched.
            EXPECT_NEAR(shown.width / shown.height, view.x / view.y, 0.01f);
            EXPECT_GE(shown.left, 0.0f);
            EXPECT_GE(shown.top, 0.0f);
            EXPECT_LE(shown.left + shown.width, static_cast<float>(picture.x) + 0.01f);
            EXPECT_LE(shown.top + shown.height, static_cast<float>(picture.y) + 0.01f);
            // The picture's row at the ground's fraction lands on the ground.
            const float groundRow = focus.y * static_cast<float>(picture.y);
            const float worldY =
                FieldViewLayout::HOME_VIEW_TOP + (groundRow - shown.top) * view.y / shown.height;
            EXPECT_NEAR(worldY, FieldViewLayout::GROUND_TOP, 0.5f)
                << sizeName(window) << " picture " << sizeName(picture);
        }
    }
    // The screens' pictures are cropped about their middle.
    const sf::FloatRect middle =
        Renderer::coverSourceRect({1280, 720}, {1024.0f, 768.0f}, {0.5f, 0.5f});
    EXPECT_NEAR(middle.left, 160.0f, 0.01f);
    EXPECT_NEAR(middle.top, 0.0f, 0.01f);
    EXPECT_NEAR(middle.width, 960.0f, 0.01f);
    EXPECT_NEAR(middle.height, 720.0f, 0.01f);
}

// The bounding box of the pixels that differ between two frames.
sf::IntRect changedArea(const sf::Image& a, const sf::Image& b) {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
    for (unsigned y = 0; y < a.getSize().y; ++y) {
        for (unsigned x = 0; x < a.getSize().x; ++x) {
            const sf::Color p = a.getPixel(x, y);
            const sf::Color q = b.getPixel(x, y);
            if (std::abs(p.r - q.r) + std::abs(p.g - q.g) + std::abs(p.b - q.b) > 24) {
                left = std::min(left, static_cast<int>(x));
                top = std::min(top, static_cast<int>(y));
                right = std::max(right, static_cast<int>(x));
                bottom = std::max(bottom, static_cast<int>(y));
            }
        }
    }
    return {left, top, right - left + 1, bottom - top + 1};
}

class FieldAtSize : public testing::TestWithParam<sf::Vector2u> {
protected:
    void SetUp() override {
        game = makeLoadedGame();
        resizeWindow(*game, GetParam());
        playLevel(*game, writeLevelFile("field", THREE_BIRDS_ONE_ENEMY));
        // The field, not the cards that introduce its kinds, is what is measured.
        while (game->meetings.current() != nullptr) {
            game->meetings.dismiss(game->progress);
        }
        game->update(1.0f / 60.0f);
    }

    Bird* waitingBird() const {
        for (const auto& entity : game->currentLevel->entities) {
            auto* bird = dynamic_cast<Bird*>(entity.get());
            if (bird != nullptr && bird != game->birdOnSlingshot && !bird->launched) {
                return bird;
            }
        }
        return nullptr;
    }

    void pause() {
        game->input.handleEvent(keyPress(sf::Keyboard::Escape));
        ASSERT_EQ(game->stateManager.state, Paused);
        game->render();
    }

    std::unique_ptr<Game> game;
};

TEST_P(FieldAtSize, ABirdIsDrawnRound) {
    // A waiting bird moved into the open sky, photographed with and without it.
    Bird* bird = waitingBird();
    ASSERT_NE(bird, nullptr);
    bird->position = {400.0f, 150.0f};
    const sf::Image with = drawRecordedFrame(*game).image;
    bird->position = {-5000.0f, -5000.0f};
    const sf::Image without = drawRecordedFrame(*game).image;
    const sf::IntRect drawn = changedArea(with, without);
    const float expected = 2.0f * bird->radius * static_cast<float>(GetParam().y) / 900.0f;
    EXPECT_NEAR(drawn.width, drawn.height, 2) << sizeName(GetParam());
    EXPECT_NEAR(static_cast<float>(drawn.width), expected, 3.0f) << sizeName(GetParam());
}

TEST_P(FieldAtSize, AimingMapsThroughTheViewExactly) {
    // Press on the seated bird's pixel and pull to the pixel of a point 100 px
    // left of the anchor: the pull lands within a pixel of that point.
    const sf::View& view = game->gameView;
    const sf::Vector2i grab = pixelOf(*game, game->bandRestPos, view);
    const sf::Vector2f target = game->slingshotPos + sf::Vector2f(-100.0f, 0.0f);
    const sf::Vector2i pull = pixelOf(*game, target, view);
    game->input.handleEvent(mousePress(grab.x, grab.y));
    ASSERT_TRUE(game->isDragging);
    game->input.handleEvent(mouseMove(pull.x, pull.y));
    const float worldPerPixel = view.getSize().y / (view.getViewport().height * GetParam().y);
    EXPECT_NEAR(game->dragPos.x, target.x, worldPerPixel);
    EXPECT_NEAR(game->dragPos.y, target.y, worldPerPixel);
}

TEST_P(FieldAtSize, EachPauseEntryAnswersTwoPixelsInsideItsRightEdge) {
    for (int i = 0; i < PauseLayout::ENTRY_COUNT; ++i) {
        if (game->stateManager.state != Playing) {
            game->currentLevelIndex = 0;
            game->stateManager.startLevel();
        }
        pause();
        const sf::FloatRect entry = game->ui.pauseEntryHitBox(i);
        const int y = static_cast<int>(entry.top + entry.height / 2.0f);
        const int right = static_cast<int>(entry.left + entry.width);
        // Just outside the drawn entry nothing happens...
        game->input.handleEvent(mousePress(right + 2, y));
        EXPECT_EQ(game->stateManager.state, Paused) << i;
        // ...and just inside it the entry is chosen.
        testing::internal::CaptureStdout();
        game->input.handleEvent(mousePress(right - 2, y));
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(game->stateManager.pauseSelection, i);
        const GameState after = i == PauseLayout::QuitToMenuEntry ? Menu
                                : i == PauseLayout::OptionsEntry  ? OptionsMenu
                                                                  : Playing;
        EXPECT_EQ(game->stateManager.state, after) << i;
        EXPECT_EQ(log.find("Restarted level") != std::string::npos, i == 1) << log;
    }
}

INSTANTIATE_TEST_SUITE_P(WindowSizes, FieldAtSize,
                         testing::Values(sf::Vector2u(1280, 720), sf::Vector2u(1600, 900),
                                         sf::Vector2u(1024, 768)),
                         [](const testing::TestParamInfo<sf::Vector2u>& info) {
                             return "w" + sizeName(info.param);
                         });

// Through every size and back: the frames at the first size come back the
// same, the HUD included.
TEST(WindowResize, ScreensComeBackTheSameAfterResizingAndBack) {
    auto game = makeLoadedGame();
    playLevel(*game, writeLevelFile("resize", THREE_BIRDS_ONE_ENEMY));
    game->update(1.0f / 60.0f);
    auto frames = [&] {
        std::vector<sf::Image> images;
        game->stateManager.state = Playing;
        images.push_back(drawRecordedFrame(*game).image);
        game->stateManager.state = Paused;
        images.push_back(drawRecordedFrame(*game).image);
        game->stateManager.state = Menu;
        images.push_back(drawRecordedFrame(*game).image);
        return images;
    };
    const std::vector<sf::Image> before = frames();
    for (const sf::Vector2u size :
         {sf::Vector2u(1600, 900), sf::Vector2u(1024, 768), sf::Vector2u(1280, 720)}) {
        resizeWindow(*game, size);
        frames();
    }
    const std::vector<sf::Image> after = frames();
    for (std::size_t i = 0; i < before.size(); ++i) {
        ASSERT_EQ(after[i].getSize(), before[i].getSize());
        const sf::IntRect changed = changedArea(before[i], after[i]);
        EXPECT_LE(changed.width, 0)
            << "frame " << i << " differs at " << changed.left << "," << changed.top;
    }
}

} // namespace

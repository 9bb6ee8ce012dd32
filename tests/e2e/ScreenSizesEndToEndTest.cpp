#include "e2e/GameProcess.h"

#include "BuildPaths.h"
#include "core/GameTestSupport.h"
#include "ui/LevelSelectLayout.h"
#include "ui/PauseLayout.h"
#include "ui/ScreenChecks.h"

#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Text.hpp>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

// The real game, resized by the window system while it runs: at 1280 x 720,
// 1600 x 900, 1024 x 768 and back again, the menu, the level select, the
// playing field with its HUD, the pause menu and the login screen with an
// error are photographed and judged on their pixels, and the pause menu and
// the level cells answer real clicks where they are drawn.

namespace {

const sf::Vector2u START(1280, 720);
const std::vector<sf::Vector2u> SIZES{{1280, 720}, {1600, 900}, {1024, 768}, {1280, 720}};
const sf::Color TITLE_BROWN(139, 69, 19);
const sf::Color ERROR_RED(255, 120, 120);

std::filesystem::path shotFile(const std::string& screen, sf::Vector2u size, std::size_t step) {
    return screenOutputDir() /
           ("e2e_" + screen + "_" + sizeName(size) + "_" + std::to_string(step) + ".png");
}

bool near(sf::Color a, sf::Color b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// The bounds of the pixels of one colour inside an area; empty if none.
sf::FloatRect colourBounds(const sf::Image& image, sf::Color colour, int tolerance,
                           sf::IntRect area) {
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
    const int width = static_cast<int>(image.getSize().x);
    const int height = static_cast<int>(image.getSize().y);
    for (int y = std::max(0, area.top); y < std::min(height, area.top + area.height); ++y) {
        for (int x = std::max(0, area.left); x < std::min(width, area.left + area.width); ++x) {
            if (near(image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)), colour,
                     tolerance)) {
                left = std::min(left, x);
                top = std::min(top, y);
                right = std::max(right, x);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0) {
        return {};
    }
    return {static_cast<float>(left), static_cast<float>(top), static_cast<float>(right - left + 1),
            static_cast<float>(bottom - top + 1)};
}

sf::IntRect whole(sf::Vector2u size) {
    return {0, 0, static_cast<int>(size.x), static_cast<int>(size.y)};
}

int brightness(sf::Color c) {
    return c.r + c.g + c.b;
}

double shareDiffering(const sf::Image& a, const sf::Image& b) {
    if (a.getSize() != b.getSize()) {
        return 1.0;
    }
    long differ = 0;
    for (unsigned y = 0; y < a.getSize().y; ++y) {
        for (unsigned x = 0; x < a.getSize().x; ++x) {
            differ += near(a.getPixel(x, y), b.getPixel(x, y), 24) ? 0 : 1;
        }
    }
    return static_cast<double>(differ) / (a.getSize().x * a.getSize().y);
}

// The ink box the game gives a text, measured with the game's own font.
sf::Vector2f inkSize(const std::string& string, unsigned int size) {
    static sf::Font font;
    static const bool loaded =
        font.loadFromFile(std::string(VOLLARIN_SOURCE_DIR) + "/resources/DejaVuSans.ttf");
    EXPECT_TRUE(loaded);
    const sf::FloatRect bounds = sf::Text(string, font, size).getLocalBounds();
    return {bounds.width, bounds.height};
}

class ScreenSizesEndToEnd : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(game.start());
        ASSERT_TRUE(game.findWindow()) << game.log();
        ASSERT_TRUE(game.waitForLog("Transitioning from 0 to 1\n")) << game.log();
    }
    void TearDown() override { game.kill(); }

    // Photographs one screen at every size in turn, judging each frame; the
    // last size is the first one again, which must look as it did.
    void atEverySize(const std::string& screen,
                     const std::function<bool(const sf::Image&, sf::Vector2u)>& ready,
                     const std::function<void(const sf::Image&, sf::Vector2u)>& judge) {
        std::optional<sf::Image> first;
        for (std::size_t step = 0; step < SIZES.size(); ++step) {
            const sf::Vector2u size = SIZES[step];
            const std::size_t mark = game.log().size();
            ASSERT_TRUE(game.resize(size.x, size.y));
            if (step > 0 && SIZES[step - 1] != size) {
                ASSERT_TRUE(game.waitForLog("Window resized to " + sizeName(size), mark));
            }
            // The X server shows the old picture until the game presents a
            // frame at the new size: judge a frame only once it holds still.
            std::optional<sf::Image> previous;
            const auto image =
                game.screenshotWhen(shotFile(screen, size, step), [&](const sf::Image& shot) {
                    const bool still = previous && shareDiffering(*previous, shot) == 0.0;
                    previous = shot;
                    return shot.getSize() == size && still && ready(shot, size);
                });
            ASSERT_TRUE(image) << screen << " never showed at " << sizeName(size);
            SCOPED_TRACE(screen + " at " + sizeName(size));
            judge(*image, size);
            if (!first) {
                first = image;
            } else if (step + 1 == SIZES.size()) {
                EXPECT_LT(shareDiffering(*first, *image), 0.01) << screen << " after resizing back";
            }
        }
    }

    GameProcess game{screenOutputDir() / "e2e_screen_sizes.log",
                     GameLaunch{VOLLARIN_GAME_EXE, VOLLARIN_BINARY_DIR, {}, {}, 1600, 1000}};
};

TEST_F(ScreenSizesEndToEnd, EveryScreenFollowsTheWindowThroughThreeSizes) {
    // Menu: the title and the start button in the middle.
    atEverySize(
        "menu",
        [](const sf::Image& image, sf::Vector2u size) {
            return colourBounds(image, TITLE_BROWN, 30, whole(size)).width > 100.0f;
        },
        [](const sf::Image& image, sf::Vector2u size) {
            const sf::FloatRect title =
                colourBounds(image, TITLE_BROWN, 30,
                             {0, 0, static_cast<int>(size.x), static_cast<int>(size.y / 2)});
            EXPECT_NEAR(centreOf(title).x, size.x / 2.0f, 2.0f) << describe(title);
            EXPECT_GE(title.top, size.y * 0.25f - 1.0f);
        });

    // Level select: cell 0, selected (yellow), where the layout puts it.
    std::size_t mark = game.log().size();
    const sf::Vector2u last = SIZES.back();
    ASSERT_TRUE(game.click(static_cast<int>(last.x / 2), static_cast<int>(last.y * 0.25f + 195)));
    ASSERT_TRUE(game.waitForLog("Transitioning from 1 to 2\n", mark)) << game.log();
    atEverySize(
        "level_select",
        [](const sf::Image& image, sf::Vector2u size) {
            const sf::FloatRect cell = LevelSelectLayout(size, 7).cellRect(0);
            return image.getPixel(static_cast<unsigned>(cell.left + 5),
                                  static_cast<unsigned>(cell.top + 5)) == sf::Color::Yellow;
        },
        [](const sf::Image& image, sf::Vector2u size) {
            const sf::FloatRect yellow = colourBounds(image, sf::Color::Yellow, 0, whole(size));
            const sf::FloatRect cell = LevelSelectLayout(size, 7).cellRect(0);
            EXPECT_NEAR(yellow.left, cell.left, 1.0f);
            EXPECT_NEAR(yellow.top, cell.top, 1.0f);
            EXPECT_NEAR(yellow.width, cell.width, 1.0f);
        });

    // Playing: the HUD's score keeps to the right margin, readable.
    mark = game.log().size();
    const sf::Vector2f cell = centreOf(LevelSelectLayout(last, 7).cellRect(0));
    ASSERT_TRUE(game.click(static_cast<int>(cell.x), static_cast<int>(cell.y)));
    ASSERT_TRUE(game.waitForLog("Game constructor: finished.", mark)) << game.log();
    std::map<std::string, sf::Image> playing;
    auto scoreArea = [](sf::Vector2u size) {
        return sf::IntRect(static_cast<int>(size.x) - 300, 0, 300, 45);
    };
    atEverySize(
        "playing",
        [&](const sf::Image& image, sf::Vector2u size) {
            return colourBounds(image, sf::Color::Yellow, 10, scoreArea(size)).width > 50.0f;
        },
        [&](const sf::Image& image, sf::Vector2u size) {
            const sf::FloatRect score = colourBounds(image, sf::Color::Yellow, 10, scoreArea(size));
            // The fill ends where the 2 px outline begins, 20 px from the edge.
            EXPECT_NEAR(rightOf(score), size.x - 22.0f, 2.0f) << describe(score);
            EXPECT_GE(textContrast(image, score, sf::Color::Yellow), 3.0);
            playing[sizeName(size)] = image;
        });

    // Paused: the veil reaches every corner, the entries are centred.
    ASSERT_TRUE(game.moveMouse(10, 10));
    ASSERT_TRUE(game.key("Escape"));
    atEverySize(
        "paused",
        [&](const sf::Image& image, sf::Vector2u size) {
            const sf::Image& before = playing[sizeName(size)];
            return brightness(image.getPixel(size.x - 3, size.y - 3)) <
                   brightness(before.getPixel(size.x - 3, size.y - 3)) * 0.7;
        },
        [&](const sf::Image& image, sf::Vector2u size) {
            const sf::Image& before = playing[sizeName(size)];
            for (const sf::Vector2u corner :
                 {sf::Vector2u(2, 2), sf::Vector2u(size.x - 3, 2), sf::Vector2u(2, size.y - 3)}) {
                EXPECT_LT(brightness(image.getPixel(corner.x, corner.y)),
                          brightness(before.getPixel(corner.x, corner.y)) * 0.7)
                    << corner.x << "," << corner.y;
            }
            // The three unselected entries are pure white, centred together.
            const PauseLayout layout(size);
            const sf::FloatRect entries = colourBounds(
                image, sf::Color::White, 0,
                {0, static_cast<int>(layout.entryRect(1, {0, 0}).top - 20),
                 static_cast<int>(size.x), 80 + static_cast<int>(PauseLayout::ENTRY_PITCH)});
            EXPECT_NEAR(centreOf(entries).x, size.x / 2.0f, 2.0f) << describe(entries);
        });

    // A real click 2 px inside the right edge of "Resume", in the big
    // window: the game plays on.
    ASSERT_TRUE(game.resize(1600, 900));
    const PauseLayout big({1600, 900});
    const sf::FloatRect resume = big.entryRect(0, inkSize("Resume", PauseLayout::ENTRY_SIZE));
    ASSERT_TRUE(
        game.click(static_cast<int>(rightOf(resume)) - 2, static_cast<int>(centreOf(resume).y)));
    EXPECT_TRUE(game.screenshotWhen(screenOutputDir() / "e2e_resumed.png",
                                    [&](const sf::Image& image) {
                                        return image.getSize() == sf::Vector2u(1600, 900) &&
                                               shareDiffering(image, playing["1600x900"]) < 0.05;
                                    }))
        << "Resume did not answer a click inside its right edge";

    // Then "Quit to Menu", the same way, at 1024 x 768.
    ASSERT_TRUE(game.resize(1024, 768));
    ASSERT_TRUE(game.moveMouse(10, 10));
    ASSERT_TRUE(game.key("Escape"));
    const PauseLayout small({1024, 768});
    const sf::FloatRect quit = small.entryRect(PauseLayout::QuitToMenuEntry,
                                               inkSize("Quit to Menu", PauseLayout::ENTRY_SIZE));
    ASSERT_TRUE(game.screenshotWhen(
        screenOutputDir() / "e2e_paused_again.png", [&](const sf::Image& image) {
            return image.getSize() == sf::Vector2u(1024, 768) &&
                   brightness(image.getPixel(5, 5)) <
                       brightness(playing["1024x768"].getPixel(5, 5)) * 0.7;
        }));
    ASSERT_TRUE(
        game.click(static_cast<int>(rightOf(quit)) - 2, static_cast<int>(centreOf(quit).y)));
    EXPECT_TRUE(game.screenshotWhen(screenOutputDir() / "e2e_quit_to_menu.png", [](const sf::Image&
                                                                                       image) {
        return colourBounds(image, TITLE_BROWN, 30, whole(image.getSize())).width > 100.0f;
    })) << "Quit to Menu did not answer a click inside its right edge";

    // Login, from the menu's corner button, with a name the server would
    // refuse: the reason shows under the buttons and nothing is sent.
    mark = game.log().size();
    ASSERT_TRUE(game.click(1024 - 95, 768 - 85));
    ASSERT_TRUE(game.waitForLog("Transitioning from 1 to 8\n", mark)) << game.log();
    ASSERT_TRUE(game.click(512, 768 / 2 - 50)); // the name field
    ASSERT_TRUE(game.typeText("bad\"name"));
    ASSERT_TRUE(game.key("Tab"));
    ASSERT_TRUE(game.typeText("secret-1"));
    ASSERT_TRUE(game.key("Return"));
    ASSERT_TRUE(game.waitForLog("Login failed: A user name has only letters", mark)) << game.log();
    atEverySize(
        "login_error",
        [](const sf::Image& image, sf::Vector2u size) {
            return colourBounds(image, ERROR_RED, 12, whole(size)).width > 100.0f;
        },
        [](const sf::Image& image, sf::Vector2u size) {
            const sf::FloatRect error = colourBounds(image, ERROR_RED, 12, whole(size));
            EXPECT_NEAR(centreOf(error).x, size.x / 2.0f, 2.0f) << describe(error);
            EXPECT_GT(error.top, size.y / 2.0f + 145.0f); // below the buttons
            EXPECT_GE(textContrast(image, error, ERROR_RED), 3.0);
        });
    const std::string log = game.log().substr(mark);
    EXPECT_EQ(log.find("SupabaseClient"), std::string::npos) << "a request went out: " << log;
    EXPECT_EQ(log.find("Cannot reach"), std::string::npos) << log;
}

} // namespace

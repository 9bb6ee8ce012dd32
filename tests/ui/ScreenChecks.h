#pragma once

#include "BuildPaths.h"
#include "assets/DrawnElement.h"
#include "core/Game.h"
#include "ui/UiTestGame.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Window/Event.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

// Screens drawn by a real game into its real window, checked on what was
// drawn: every text and box as it landed in window pixels (the renderer's
// record) and the pixels read back before the frame is presented.

struct DrawnFrame {
    sf::Image image;
    std::vector<DrawnElement> drawn;
};

inline std::filesystem::path screenOutputDir() {
    const std::filesystem::path dir = std::filesystem::path(VOLLARIN_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(dir);
    return dir;
}

// One frame of the game as it stands, recorded, read back and presented.
inline DrawnFrame drawRecordedFrame(Game& game) {
    DrawnFrame frame;
    game.renderer.startRecording();
    game.drawFrame();
    game.renderer.stopRecording();
    frame.drawn = game.renderer.recorded();
    frame.image = captureWindow(game.window);
    game.renderer.display();
    return frame;
}

inline void keepScreenshot(const DrawnFrame& frame, const std::string& name) {
    EXPECT_TRUE(frame.image.saveToFile((screenOutputDir() / (name + ".png")).string()));
}

// Resizes the window as a player would and hands the game the events that
// follow, as its frame loop does.
inline void resizeWindow(Game& game, sf::Vector2u size) {
    if (game.window.getSize() == size) {
        return;
    }
    game.window.setSize(size);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool resized = false;
    while (!resized && std::chrono::steady_clock::now() < deadline) {
        sf::Event event;
        while (game.window.pollEvent(event)) {
            game.input.handleEvent(event);
            resized = resized || (event.type == sf::Event::Resized && event.size.width == size.x &&
                                  event.size.height == size.y);
        }
        if (!resized) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_EQ(game.window.getSize(), size);
    ASSERT_TRUE(resized) << "no resize event arrived";
    // The software renderer takes the drawable's new size at a buffer swap.
    for (int i = 0; i < 2; ++i) {
        game.window.clear();
        game.window.display();
    }
}

inline std::string sizeName(sf::Vector2u size) {
    return std::to_string(size.x) + "x" + std::to_string(size.y);
}

inline const DrawnElement* findText(const DrawnFrame& frame, const std::string& text) {
    for (const DrawnElement& element : frame.drawn) {
        if (element.kind == DrawnElement::Text && element.text == text) {
            return &element;
        }
    }
    return nullptr;
}

inline const DrawnElement* findTextStarting(const DrawnFrame& frame, const std::string& start) {
    for (const DrawnElement& element : frame.drawn) {
        if (element.kind == DrawnElement::Text && element.text.rfind(start, 0) == 0) {
            return &element;
        }
    }
    return nullptr;
}

inline std::vector<sf::FloatRect> boxesOf(const DrawnFrame& frame) {
    std::vector<sf::FloatRect> boxes;
    for (const DrawnElement& element : frame.drawn) {
        if (element.kind == DrawnElement::Box) {
            boxes.push_back(element.pixels);
        }
    }
    return boxes;
}

inline float rightOf(const sf::FloatRect& r) {
    return r.left + r.width;
}
inline float bottomOf(const sf::FloatRect& r) {
    return r.top + r.height;
}
inline sf::Vector2f centreOf(const sf::FloatRect& r) {
    return {r.left + r.width / 2.0f, r.top + r.height / 2.0f};
}

// Rectangles that share more than a sliver (half a pixel) of area.
inline bool overlap(const sf::FloatRect& a, const sf::FloatRect& b) {
    const float w = std::min(rightOf(a), rightOf(b)) - std::max(a.left, b.left);
    const float h = std::min(bottomOf(a), bottomOf(b)) - std::max(a.top, b.top);
    return w > 0.5f && h > 0.5f;
}

inline bool contains(const sf::FloatRect& outer, const sf::FloatRect& inner, float margin) {
    return inner.left >= outer.left + margin && inner.top >= outer.top + margin &&
           rightOf(inner) <= rightOf(outer) - margin && bottomOf(inner) <= bottomOf(outer) - margin;
}

inline std::string describe(const sf::FloatRect& r) {
    return "(" + std::to_string(r.left) + ", " + std::to_string(r.top) + ", " +
           std::to_string(r.width) + " x " + std::to_string(r.height) + ")";
}

// The rules every screen keeps: everything recorded lies inside the window,
// no text overlaps another, and a text is either well inside a box or clear
// of it, never across its edge.
inline void expectTidyLayout(const DrawnFrame& frame, sf::Vector2u size, const std::string& what) {
    const sf::FloatRect window(0.0f, 0.0f, static_cast<float>(size.x), static_cast<float>(size.y));
    std::vector<const DrawnElement*> texts;
    for (const DrawnElement& element : frame.drawn) {
        EXPECT_TRUE(contains(window, element.pixels, -0.5f))
            << what << ": \"" << element.text << "\" " << describe(element.pixels)
            << " leaves the window";
        if (element.kind == DrawnElement::Text && element.pixels.width > 0.0f) {
            texts.push_back(&element);
        }
    }
    for (std::size_t i = 0; i < texts.size(); ++i) {
        for (std::size_t j = i + 1; j < texts.size(); ++j) {
            EXPECT_FALSE(overlap(texts[i]->pixels, texts[j]->pixels))
                << what << ": \"" << texts[i]->text << "\" " << describe(texts[i]->pixels)
                << " overlaps \"" << texts[j]->text << "\" " << describe(texts[j]->pixels);
        }
    }
    for (const sf::FloatRect& box : boxesOf(frame)) {
        for (const DrawnElement* text : texts) {
            const bool inside = contains(box, text->pixels, 2.0f);
            const bool clear = !overlap(box, text->pixels);
            EXPECT_TRUE(inside || clear)
                << what << ": \"" << text->text << "\" " << describe(text->pixels)
                << " crosses the edge of box " << describe(box);
        }
    }
}

inline void expectCentredAcross(const sf::FloatRect& rect, float x, const std::string& what) {
    EXPECT_NEAR(centreOf(rect).x, x, 2.0f) << what << " " << describe(rect);
}

// Contrast as the accessibility guidelines define it, from relative
// luminance: 1 (none) to 21 (black on white).
inline double relativeLuminance(sf::Color c) {
    auto channel = [](double value) {
        value /= 255.0;
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.r) + 0.7152 * channel(c.g) + 0.0722 * channel(c.b);
}

inline double contrastRatio(double a, double b) {
    return (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05);
}

// The contrast a text shows in a frame: its fill colour against what lies
// right around its glyphs (their outline, or the picture behind them when
// there is none), the median over the two pixels around every glyph pixel.
// 0 when the text's colour is not found where it was drawn.
inline double textContrast(const sf::Image& image, const sf::FloatRect& where, sf::Color fill) {
    const int w = static_cast<int>(image.getSize().x);
    const int h = static_cast<int>(image.getSize().y);
    const int left = std::max(0, static_cast<int>(where.left) - 3);
    const int top = std::max(0, static_cast<int>(where.top) - 3);
    const int right = std::min(w, static_cast<int>(std::ceil(rightOf(where))) + 3);
    const int bottom = std::min(h, static_cast<int>(std::ceil(bottomOf(where))) + 3);
    auto isGlyph = [&](int x, int y) {
        const sf::Color c = image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y));
        return std::abs(c.r - fill.r) <= 40 && std::abs(c.g - fill.g) <= 40 &&
               std::abs(c.b - fill.b) <= 40;
    };
    std::vector<double> around;
    int glyphPixels = 0;
    for (int y = top; y < bottom; ++y) {
        for (int x = left; x < right; ++x) {
            if (isGlyph(x, y)) {
                ++glyphPixels;
                continue;
            }
            bool nearGlyph = false;
            for (int dy = -2; dy <= 2 && !nearGlyph; ++dy) {
                for (int dx = -2; dx <= 2 && !nearGlyph; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    nearGlyph = nx >= 0 && ny >= 0 && nx < w && ny < h && isGlyph(nx, ny);
                }
            }
            if (nearGlyph) {
                around.push_back(relativeLuminance(
                    image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y))));
            }
        }
    }
    if (glyphPixels < 10 || around.empty()) {
        return 0.0;
    }
    std::nth_element(around.begin(), around.begin() + around.size() / 2, around.end());
    return contrastRatio(relativeLuminance(fill), around[around.size() / 2]);
}

#include "assets/Renderer.h"

#include <SFML/Graphics/Image.hpp>
#include <cmath>
#include <gtest/gtest.h>

// The geometry of the drawing helpers, checked on the shapes they build.

TEST(RendererShapes, AStarHasTwoCornersPerPointStartingStraightUp) {
    sf::ConvexShape star;
    Renderer::buildStar(star, {100.0f, 50.0f}, 20.0f, sf::Color::Yellow, 5);
    ASSERT_EQ(star.getPointCount(), 10u);
    EXPECT_NEAR(star.getPoint(0).x, 0.0f, 1e-4f);
    EXPECT_NEAR(star.getPoint(0).y, -20.0f, 1e-4f);
    const sf::Vector2f second = star.getPoint(1);
    EXPECT_NEAR(std::hypot(second.x, second.y), 10.0f, 1e-4f);
    EXPECT_EQ(star.getPosition(), sf::Vector2f(100.0f, 50.0f));
    EXPECT_EQ(star.getOrigin(), sf::Vector2f(0.0f, 0.0f));
    EXPECT_EQ(star.getFillColor(), sf::Color::Yellow);
}

TEST(RendererShapes, ALineIsABarHangingOnOneSideOfTheSegment) {
    sf::RectangleShape bar;
    Renderer::buildLine(bar, {0.0f, 0.0f}, {0.0f, 10.0f}, sf::Color::Red, 3.0f);
    EXPECT_EQ(bar.getSize(), sf::Vector2f(10.0f, 3.0f));
    EXPECT_NEAR(bar.getRotation(), 90.0f, 1e-3f);
    EXPECT_EQ(bar.getOrigin(), sf::Vector2f(0.0f, 0.0f));
    // The bar's far corner lies on the negative-x side of the segment.
    const sf::FloatRect bounds = bar.getGlobalBounds();
    EXPECT_NEAR(bounds.left, -3.0f, 1e-3f);
    EXPECT_NEAR(bounds.left + bounds.width, 0.0f, 1e-3f);
    EXPECT_NEAR(bounds.height, 10.0f, 1e-3f);
}

TEST(RendererShapes, DebrisChipsHaveTheirIrregularCorners) {
    sf::ConvexShape quad;
    Renderer::buildQuad(quad, {5.0f, 6.0f}, 12.0f, sf::Color::Blue, 3.14159265f / 2.0f);
    ASSERT_EQ(quad.getPointCount(), 4u);
    EXPECT_EQ(quad.getPoint(0), sf::Vector2f(-6.0f, -6.0f));
    EXPECT_EQ(quad.getPoint(1), sf::Vector2f(6.0f, -4.0f));
    EXPECT_EQ(quad.getPoint(2), sf::Vector2f(4.0f, 6.0f));
    EXPECT_EQ(quad.getPoint(3), sf::Vector2f(-4.0f, 4.0f));
    EXPECT_EQ(quad.getOrigin(), sf::Vector2f(6.0f, 6.0f));
    EXPECT_NEAR(quad.getRotation(), 90.0f, 1e-3f);

    sf::ConvexShape triangle;
    Renderer::buildTriangle(triangle, {0.0f, 0.0f}, 8.0f, sf::Color::Green, 0.0f);
    ASSERT_EQ(triangle.getPointCount(), 3u);
    EXPECT_EQ(triangle.getPoint(0), sf::Vector2f(0.0f, -4.0f));
    EXPECT_EQ(triangle.getPoint(1), sf::Vector2f(4.0f, 4.0f));
    EXPECT_EQ(triangle.getPoint(2), sf::Vector2f(-4.0f, 4.0f));
}

TEST(RendererShapes, ASpriteIsScaledToItsSizeAndCentred) {
    sf::Image image;
    image.create(200, 100, sf::Color::White);
    sf::Texture texture;
    ASSERT_TRUE(texture.loadFromImage(image));
    sf::Sprite sprite;
    Renderer::buildSprite(sprite, texture, {300.0f, 200.0f}, 50.0f, 50.0f, 3.1415927f,
                          sf::Color::Red);
    EXPECT_FLOAT_EQ(sprite.getScale().x, 0.25f);
    EXPECT_FLOAT_EQ(sprite.getScale().y, 0.5f);
    EXPECT_EQ(sprite.getOrigin(), sf::Vector2f(100.0f, 50.0f));
    EXPECT_EQ(sprite.getPosition(), sf::Vector2f(300.0f, 200.0f));
    EXPECT_NEAR(sprite.getRotation(), 180.0f, 1e-3f);
    EXPECT_EQ(sprite.getColor(), sf::Color::Red);
}

TEST(RendererShapes, ABackgroundCoversTheWholeView) {
    sf::Image image;
    image.create(400, 300, sf::Color::White);
    sf::Texture texture;
    ASSERT_TRUE(texture.loadFromImage(image));
    sf::Sprite sprite;
    const sf::View view({500.0f, 350.0f}, {1200.0f, 900.0f});
    Renderer::buildBackground(sprite, texture, view);
    const sf::FloatRect bounds = sprite.getGlobalBounds();
    EXPECT_FLOAT_EQ(bounds.left, -100.0f);
    EXPECT_FLOAT_EQ(bounds.top, -100.0f);
    EXPECT_FLOAT_EQ(bounds.width, 1200.0f);
    EXPECT_FLOAT_EQ(bounds.height, 900.0f);
}

TEST(RendererShapes, RectsAndCirclesAreCentredOnTheirPosition) {
    sf::RectangleShape rect;
    Renderer::buildRect(rect, {100.0f, 100.0f}, 150.0f, 100.0f, sf::Color::Yellow);
    EXPECT_EQ(rect.getGlobalBounds(), sf::FloatRect(25.0f, 50.0f, 150.0f, 100.0f));
    sf::CircleShape circle;
    Renderer::buildCircle(circle, {10.0f, 20.0f}, 4.0f, sf::Color::White);
    EXPECT_EQ(circle.getPointCount(), 30u);
    EXPECT_EQ(circle.getOrigin(), sf::Vector2f(4.0f, 4.0f));
    EXPECT_EQ(circle.getPosition(), sf::Vector2f(10.0f, 20.0f));
}

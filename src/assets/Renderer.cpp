#include "assets/Renderer.h"

#include "assets/DataPaths.h"

#include <cmath>
#include <iostream>

namespace {
constexpr float PI_F = 3.1415927f;
constexpr double PI_D = 3.14159265358979323846;

float radiansToDegrees(float radians) {
    return radians * 180.0f / PI_F;
}

// Debris chips share their placement: filled, turned about their size/2 corner.
void placeChip(sf::ConvexShape& shape, sf::Vector2f position, float size, sf::Color color,
               float rotation) {
    shape.setFillColor(color);
    shape.setOrigin(size / 2.0f, size / 2.0f);
    shape.setPosition(position);
    shape.setRotation(static_cast<float>(rotation * 180.0 / PI_D));
}
} // namespace

Renderer::Renderer(sf::RenderWindow& targetWindow) : window(&targetWindow) {
    const std::string titlePath = DataPaths::forThisProcess().resource("/AlphaWood.ttf");
    titleFontLoaded = titleFont.loadFromFile(titlePath);
    if (!titleFontLoaded) {
        std::cerr << "Failed to load title font: " << titlePath << std::endl;
    }
    const std::string generalPath = DataPaths::forThisProcess().resource("/DejaVuSans.ttf");
    generalFontLoaded = generalFont.loadFromFile(generalPath);
    if (!generalFontLoaded) {
        std::cerr << "Failed to load general font: " << generalPath << std::endl;
    }
}

void Renderer::clearFrame() {
    window->clear(sf::Color(30, 30, 30, 255));
}

void Renderer::display() {
    window->display();
}

void Renderer::buildBackground(sf::Sprite& sprite, const sf::Texture& texture,
                               const sf::View& view) {
    const sf::Vector2u textureSize = texture.getSize();
    sprite.setTexture(texture, true);
    sprite.setOrigin(0.0f, 0.0f);
    sprite.setRotation(0.0f);
    sprite.setColor(sf::Color::White);
    sprite.setScale(view.getSize().x / static_cast<float>(textureSize.x),
                    view.getSize().y / static_cast<float>(textureSize.y));
    sprite.setPosition(view.getCenter() - view.getSize() / 2.0f);
}

void Renderer::drawBackground(const sf::Texture* texture) {
    if (texture == nullptr) {
        return;
    }
    buildBackground(sprite, *texture, window->getView());
    window->draw(sprite);
}

void Renderer::buildSprite(sf::Sprite& sprite, const sf::Texture& texture, sf::Vector2f position,
                           float width, float height, float rotation, sf::Color color) {
    const sf::Vector2u textureSize = texture.getSize();
    sprite.setTexture(texture, true);
    sprite.setColor(color);
    sprite.setScale(width / static_cast<float>(textureSize.x),
                    height / static_cast<float>(textureSize.y));
    sprite.setOrigin(static_cast<float>(textureSize.x) * 0.5f,
                     static_cast<float>(textureSize.y) * 0.5f);
    sprite.setPosition(position);
    sprite.setRotation(radiansToDegrees(rotation));
}

void Renderer::drawSprite(const sf::Texture* texture, sf::Vector2f position, float width,
                          float height, float rotation, sf::Color color) {
    if (texture == nullptr) {
        return;
    }
    buildSprite(sprite, *texture, position, width, height, rotation, color);
    window->draw(sprite);
}

void Renderer::buildCircle(sf::CircleShape& shape, sf::Vector2f position, float radius,
                           sf::Color color) {
    shape.setRadius(radius);
    shape.setPointCount(30);
    shape.setFillColor(color);
    shape.setOrigin(radius, radius);
    shape.setPosition(position);
}

void Renderer::drawCircle(sf::Vector2f position, float radius, sf::Color color) {
    buildCircle(circle, position, radius, color);
    window->draw(circle);
}

void Renderer::buildRect(sf::RectangleShape& shape, sf::Vector2f position, float width,
                         float height, sf::Color color) {
    shape.setSize({width, height});
    shape.setFillColor(color);
    shape.setOutlineThickness(0.0f);
    shape.setOrigin(width / 2.0f, height / 2.0f);
    shape.setRotation(0.0f);
    shape.setPosition(position);
}

void Renderer::drawRect(sf::Vector2f position, float width, float height, sf::Color color) {
    buildRect(rect, position, width, height, color);
    window->draw(rect);
}

void Renderer::buildLine(sf::RectangleShape& shape, sf::Vector2f from, sf::Vector2f to,
                         sf::Color color, float thickness) {
    const sf::Vector2f delta = to - from;
    const float length = std::sqrt(delta.x * delta.x + delta.y * delta.y);
    const float angle = std::atan2(delta.y, delta.x);
    shape.setSize({length, thickness});
    shape.setOutlineThickness(0.0f);
    shape.setOrigin(0.0f, 0.0f);
    shape.setPosition(from);
    shape.setRotation(radiansToDegrees(angle));
    shape.setFillColor(color);
}

void Renderer::drawLine(sf::Vector2f from, sf::Vector2f to, sf::Color color, float thickness) {
    buildLine(rect, from, to, color, thickness);
    window->draw(rect);
}

void Renderer::buildQuad(sf::ConvexShape& shape, sf::Vector2f position, float size, sf::Color color,
                         float rotation) {
    shape.setPointCount(4);
    shape.setPoint(0, {-size / 2.0f, -size / 2.0f});
    shape.setPoint(1, {size / 2.0f, -size / 3.0f});
    shape.setPoint(2, {size / 3.0f, size / 2.0f});
    shape.setPoint(3, {-size / 3.0f, size / 3.0f});
    placeChip(shape, position, size, color, rotation);
}

void Renderer::drawQuad(sf::Vector2f position, float size, sf::Color color, float rotation) {
    buildQuad(convex, position, size, color, rotation);
    window->draw(convex);
}

void Renderer::buildTriangle(sf::ConvexShape& shape, sf::Vector2f position, float size,
                             sf::Color color, float rotation) {
    shape.setPointCount(3);
    shape.setPoint(0, {0.0f, -size / 2.0f});
    shape.setPoint(1, {size / 2.0f, size / 2.0f});
    shape.setPoint(2, {-size / 2.0f, size / 2.0f});
    placeChip(shape, position, size, color, rotation);
}

void Renderer::drawTriangle(sf::Vector2f position, float size, sf::Color color, float rotation) {
    buildTriangle(convex, position, size, color, rotation);
    window->draw(convex);
}

void Renderer::buildStar(sf::ConvexShape& shape, sf::Vector2f position, float outerRadius,
                         sf::Color color, int points) {
    const int corners = points > 0 ? 2 * points : 0;
    shape.setPointCount(static_cast<std::size_t>(corners));
    for (int i = 0; i < corners; ++i) {
        const float cornerAngle =
            static_cast<float>(i) * PI_F / static_cast<float>(points) - PI_F / 2.0f;
        const float distance = (i % 2 == 0) ? outerRadius : outerRadius / 2.0f;
        shape.setPoint(static_cast<std::size_t>(i),
                       {std::cos(cornerAngle) * distance, std::sin(cornerAngle) * distance});
    }
    shape.setFillColor(color);
    shape.setOrigin(0.0f, 0.0f);
    shape.setRotation(0.0f);
    shape.setPosition(position);
}

void Renderer::drawStar(sf::Vector2f position, float outerRadius, sf::Color color, int points) {
    buildStar(convex, position, outerRadius, color, points);
    window->draw(convex);
}

const sf::Font* Renderer::pickFont(bool useTitleFont) const {
    if (useTitleFont) {
        return titleFontLoaded ? &titleFont : nullptr;
    }
    return generalFontLoaded ? &generalFont : nullptr;
}

void Renderer::drawText(const std::string& string, sf::Vector2f position, unsigned int size,
                        sf::Color color, bool useTitleFont) {
    const sf::Font* font = pickFont(useTitleFont);
    if (font == nullptr) {
        return;
    }
    text.setFont(*font);
    text.setString(sf::String(string));
    text.setCharacterSize(size);
    text.setFillColor(color);
    text.setOrigin(0.0f, 0.0f);
    text.setPosition(position);
    window->draw(text);
}

void Renderer::drawCenteredText(const std::string& string, sf::Vector2f position, unsigned int size,
                                sf::Color color, bool useTitleFont) {
    const sf::Font* font = pickFont(useTitleFont);
    if (font == nullptr) {
        return;
    }
    text.setFont(*font);
    text.setString(sf::String(string));
    text.setCharacterSize(size);
    text.setFillColor(color);
    const sf::FloatRect bounds = text.getLocalBounds();
    text.setOrigin(bounds.left + bounds.width / 2.0f, bounds.top);
    text.setPosition(position);
    window->draw(text);
}

#include "assets/Renderer.h"

#include "assets/DataPaths.h"
#include "assets/SharedConstants.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <iostream>

namespace {
float radiansToDegrees(float radians) {
    return radians * 180.0f / PI;
}

// A debris chip's corner as a signed fraction of its size on each axis,
// e.g. {-1, 2, 1, 3} is (-size / 2, size / 3).
struct ChipCorner {
    float xSign, xDivisor, ySign, yDivisor;
};
// A lopsided quadrangle and a plain triangle, about the chip's centre.
constexpr std::array<ChipCorner, 4> QUAD_CORNERS{
    {{-1, 2, -1, 2}, {1, 2, -1, 3}, {1, 3, 1, 2}, {-1, 3, 1, 3}}};
constexpr std::array<ChipCorner, 3> TRIANGLE_CORNERS{{{0, 2, -1, 2}, {1, 2, 1, 2}, {-1, 2, 1, 2}}};

// Every debris chip: its corners, filled, turned about its size/2 corner.
template <std::size_t N>
void buildChip(sf::ConvexShape& shape, const std::array<ChipCorner, N>& corners,
               sf::Vector2f position, float size, sf::Color color, float rotation) {
    shape.setPointCount(N);
    for (std::size_t i = 0; i < N; ++i) {
        const ChipCorner& corner = corners[i];
        shape.setPoint(
            i, {corner.xSign * size / corner.xDivisor, corner.ySign * size / corner.yDivisor});
    }
    shape.setFillColor(color);
    shape.setOrigin(size / 2.0f, size / 2.0f);
    shape.setPosition(position);
    shape.setRotation(static_cast<float>(rotation * 180.0 / PI_DOUBLE));
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

sf::FloatRect Renderer::coverSourceRect(sf::Vector2u textureSize, sf::Vector2f targetSize,
                                        sf::Vector2f focus) {
    const sf::Vector2f picture(static_cast<float>(textureSize.x),
                               static_cast<float>(textureSize.y));
    if (picture.x <= 0.0f || picture.y <= 0.0f || targetSize.x <= 0.0f || targetSize.y <= 0.0f) {
        return {0.0f, 0.0f, picture.x, picture.y};
    }
    // The largest part of the picture with the target's proportions.
    const float scale = std::max(targetSize.x / picture.x, targetSize.y / picture.y);
    const sf::Vector2f shown(std::min(picture.x, targetSize.x / scale),
                             std::min(picture.y, targetSize.y / scale));
    const float fx = std::clamp(focus.x, 0.0f, 1.0f);
    const float fy = std::clamp(focus.y, 0.0f, 1.0f);
    return {(picture.x - shown.x) * fx, (picture.y - shown.y) * fy, shown.x, shown.y};
}

void Renderer::buildBackground(sf::Sprite& sprite, const sf::Texture& texture, const sf::View& view,
                               sf::Vector2f focus) {
    const sf::FloatRect source = coverSourceRect(texture.getSize(), view.getSize(), focus);
    sprite.setTexture(texture, false);
    sprite.setTextureRect(sf::IntRect(
        static_cast<int>(std::lround(source.left)), static_cast<int>(std::lround(source.top)),
        static_cast<int>(std::lround(source.width)), static_cast<int>(std::lround(source.height))));
    sprite.setOrigin(0.0f, 0.0f);
    sprite.setRotation(0.0f);
    sprite.setColor(sf::Color::White);
    sprite.setScale(view.getSize().x / static_cast<float>(sprite.getTextureRect().width),
                    view.getSize().y / static_cast<float>(sprite.getTextureRect().height));
    sprite.setPosition(view.getCenter() - view.getSize() / 2.0f);
}

sf::IntRect Renderer::viewportPixels() const {
    const sf::FloatRect viewport = window->getView().getViewport();
    const sf::Vector2f size(static_cast<float>(window->getSize().x),
                            static_cast<float>(window->getSize().y));
    const int left = static_cast<int>(std::lround(viewport.left * size.x));
    const int top = static_cast<int>(std::lround(viewport.top * size.y));
    const int right = static_cast<int>(std::lround((viewport.left + viewport.width) * size.x));
    const int bottom = static_cast<int>(std::lround((viewport.top + viewport.height) * size.y));
    return {left, top, right - left, bottom - top};
}

const sf::Texture* Renderer::scaledBackground(const sf::Texture& source, sf::Vector2u size,
                                              sf::Vector2f focus) {
    ++backgroundUses;
    for (const auto& entry : backgrounds) {
        if (entry->source == &source && entry->size == size && entry->focus == focus) {
            entry->lastUse = backgroundUses;
            return &entry->target.getTexture();
        }
    }
    // A few pictures at most are in use at once (a screen's and a level's);
    // the one unused longest makes room.
    constexpr std::size_t KEPT = 3;
    if (backgrounds.size() >= KEPT) {
        const auto oldest =
            std::min_element(backgrounds.begin(), backgrounds.end(),
                             [](const auto& a, const auto& b) { return a->lastUse < b->lastUse; });
        backgrounds.erase(oldest);
    }
    auto entry = std::make_unique<ScaledBackground>();
    if (!entry->target.create(size.x, size.y)) {
        return nullptr;
    }
    const sf::Vector2f target(static_cast<float>(size.x), static_cast<float>(size.y));
    const sf::View pixels(sf::FloatRect(0.0f, 0.0f, target.x, target.y));
    sf::Sprite scaled;
    buildBackground(scaled, source, pixels, focus);
    entry->target.clear(sf::Color::Black);
    entry->target.draw(scaled, sf::RenderStates(sf::BlendNone));
    entry->target.display();
    entry->target.setSmooth(false);
    entry->source = &source;
    entry->size = size;
    entry->focus = focus;
    entry->lastUse = backgroundUses;
    backgrounds.push_back(std::move(entry));
    return &backgrounds.back()->target.getTexture();
}

void Renderer::drawBackground(const sf::Texture* texture, sf::Vector2f focus) {
    if (texture == nullptr) {
        return;
    }
    const sf::IntRect area = viewportPixels();
    if (area.width <= 0 || area.height <= 0) {
        return;
    }
    const sf::Texture* scaled = scaledBackground(
        *texture, {static_cast<unsigned int>(area.width), static_cast<unsigned int>(area.height)},
        focus);
    if (scaled == nullptr) {
        // No off-screen target on this system: scale while drawing instead.
        buildBackground(sprite, *texture, window->getView(), focus);
        window->draw(sprite);
        return;
    }
    // One unfiltered, unblended copy, pixel for pixel.
    const sf::View previous = window->getView();
    const sf::Vector2u windowSize = window->getSize();
    window->setView(sf::View(sf::FloatRect(0.0f, 0.0f, static_cast<float>(windowSize.x),
                                           static_cast<float>(windowSize.y))));
    sprite.setTexture(*scaled, true);
    sprite.setOrigin(0.0f, 0.0f);
    sprite.setRotation(0.0f);
    sprite.setScale(1.0f, 1.0f);
    sprite.setColor(sf::Color::White);
    sprite.setPosition(static_cast<float>(area.left), static_cast<float>(area.top));
    window->draw(sprite, sf::RenderStates(sf::BlendNone));
    window->setView(previous);
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
    buildChip(shape, QUAD_CORNERS, position, size, color, rotation);
}

void Renderer::drawQuad(sf::Vector2f position, float size, sf::Color color, float rotation) {
    buildQuad(convex, position, size, color, rotation);
    window->draw(convex);
}

void Renderer::buildTriangle(sf::ConvexShape& shape, sf::Vector2f position, float size,
                             sf::Color color, float rotation) {
    buildChip(shape, TRIANGLE_CORNERS, position, size, color, rotation);
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
            static_cast<float>(i) * PI / static_cast<float>(points) - PI / 2.0f;
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

void Renderer::styleText(sf::Text& target, const std::string& string, const sf::Font& font,
                         const TextStyle& style) const {
    target.setFont(font);
    // Every text of the game is UTF-8 (the menu's star tally, names from the
    // scores server); read in the C locale it would show as stray bytes.
    target.setString(sf::String::fromUtf8(string.begin(), string.end()));
    target.setCharacterSize(style.size);
    target.setFillColor(style.color);
    target.setOutlineColor(style.outlineColor);
    target.setOutlineThickness(style.outlineThickness);
    target.setRotation(0.0f);
    target.setScale(1.0f, 1.0f);
}

void Renderer::alignText(sf::Text& text, sf::Vector2f position, TextAnchor anchor,
                         const sf::FloatRect* lineInk) {
    const sf::FloatRect ink = text.getLocalBounds();
    const float top = lineInk != nullptr ? lineInk->top : ink.top;
    const float height = lineInk != nullptr ? lineInk->height : ink.height;
    sf::Vector2f origin(ink.left, top);
    switch (anchor) {
    case TextAnchor::TopLeft:
        break;
    case TextAnchor::TopCentre:
        origin.x += ink.width / 2.0f;
        break;
    case TextAnchor::TopRight:
        origin.x += ink.width;
        break;
    case TextAnchor::CentreLeft:
        origin.y += height / 2.0f;
        break;
    case TextAnchor::Centre:
        origin += sf::Vector2f(ink.width / 2.0f, height / 2.0f);
        break;
    case TextAnchor::CentreRight:
        origin += sf::Vector2f(ink.width, height / 2.0f);
        break;
    }
    text.setOrigin(origin);
    text.setPosition(position);
}

sf::FloatRect Renderer::drawTextAt(const std::string& string, sf::Vector2f position,
                                   TextAnchor anchor, const TextStyle& style,
                                   const char* lineReference) {
    const sf::Font* font = pickFont(style.titleFont);
    if (font == nullptr) {
        return {};
    }
    sf::FloatRect lineInk;
    if (lineReference != nullptr) {
        lineInk = measureText(lineReference, style);
    }
    styleText(text, string, *font, style);
    alignText(text, position, anchor, lineReference != nullptr ? &lineInk : nullptr);
    window->draw(text);
    const sf::FloatRect bounds = text.getGlobalBounds();
    remember(DrawnElement::Text, string, bounds);
    return bounds;
}

sf::FloatRect Renderer::measureText(const std::string& string, const TextStyle& style) const {
    const sf::Font* font = pickFont(style.titleFont);
    if (font == nullptr) {
        return {};
    }
    sf::Text measured;
    styleText(measured, string, *font, style);
    return measured.getLocalBounds();
}

void Renderer::drawText(const std::string& string, sf::Vector2f position, unsigned int size,
                        sf::Color color, bool useTitleFont) {
    const sf::Font* font = pickFont(useTitleFont);
    if (font == nullptr) {
        return;
    }
    styleText(text, string, *font, TextStyle{size, color, useTitleFont});
    text.setOrigin(0.0f, 0.0f);
    text.setPosition(position);
    window->draw(text);
    remember(DrawnElement::Text, string, text.getGlobalBounds());
}

void Renderer::drawCenteredText(const std::string& string, sf::Vector2f position, unsigned int size,
                                sf::Color color, bool useTitleFont) {
    drawTextAt(string, position, TextAnchor::TopCentre, TextStyle{size, color, useTitleFont});
}

sf::FloatRect Renderer::drawBox(const sf::FloatRect& area, sf::Color fill, sf::Color outline,
                                float outlineThickness) {
    rect.setSize({area.width, area.height});
    rect.setFillColor(fill);
    rect.setOutlineColor(outline);
    rect.setOutlineThickness(outlineThickness);
    rect.setOrigin(0.0f, 0.0f);
    rect.setRotation(0.0f);
    rect.setPosition(area.left, area.top);
    window->draw(rect);
    const sf::FloatRect bounds = rect.getGlobalBounds();
    remember(DrawnElement::Box, std::string(), bounds);
    return bounds;
}

void Renderer::drawTriangles(const std::vector<sf::Vertex>& vertices) {
    if (!vertices.empty()) {
        window->draw(vertices.data(), vertices.size(), sf::Triangles);
    }
}

// ---------------------------------------------------------------- record

void Renderer::startRecording() {
    record.clear();
    recording = true;
}

void Renderer::stopRecording() {
    recording = false;
}

sf::FloatRect Renderer::toPixels(const sf::FloatRect& area) const {
    // Exact (unrounded) mapping through the current view and its viewport.
    const sf::View& view = window->getView();
    const sf::FloatRect viewport = view.getViewport();
    const sf::Vector2f size(static_cast<float>(window->getSize().x),
                            static_cast<float>(window->getSize().y));
    auto map = [&](sf::Vector2f point) {
        const sf::Vector2f ndc = view.getTransform().transformPoint(point);
        return sf::Vector2f(
            (ndc.x + 1.0f) / 2.0f * viewport.width * size.x + viewport.left * size.x,
            (1.0f - ndc.y) / 2.0f * viewport.height * size.y + viewport.top * size.y);
    };
    const sf::Vector2f a = map({area.left, area.top});
    const sf::Vector2f b = map({area.left + area.width, area.top + area.height});
    return {std::min(a.x, b.x), std::min(a.y, b.y), std::abs(b.x - a.x), std::abs(b.y - a.y)};
}

void Renderer::remember(DrawnElement::Kind kind, const std::string& string,
                        const sf::FloatRect& bounds) {
    if (recording) {
        record.push_back({kind, string, toPixels(bounds)});
    }
}

#include "core/FieldCamera.h"

#include "entities/Bird.h"

#include <SFML/Graphics/Rect.hpp>
#include <algorithm>
#include <cmath>

const sf::Vector2f FieldCamera::HOME{500.0f, 350.0f};
// The rules' camera travels up to x 1600 (centre); the sky above the
// tallest tower and a margin left of the slingshot complete it.
const sf::FloatRect FieldCamera::LEVEL_BOUNDS{-300.0f, -700.0f, 2800.0f, 1600.0f};

namespace {
constexpr float FOLLOW_FROM_X = 600.0f;
constexpr float FOLLOW_RATE = 5.0f;
constexpr float HOMING_RATE = 2.0f;
constexpr float MIN_CENTRE_X = 400.0f;
constexpr float MAX_CENTRE_X = 1600.0f;

// The pixels of the window the view covers, rounded as a window rounds them.
sf::IntRect viewportPixels(const sf::View& view, sf::Vector2u windowSize) {
    const float width = static_cast<float>(windowSize.x);
    const float height = static_cast<float>(windowSize.y);
    const sf::FloatRect& viewport = view.getViewport();
    return {static_cast<int>(0.5f + width * viewport.left),
            static_cast<int>(0.5f + height * viewport.top),
            static_cast<int>(0.5f + width * viewport.width),
            static_cast<int>(0.5f + height * viewport.height)};
}
} // namespace

sf::Vector2f FieldCamera::next(sf::Vector2f centre, const Bird* flyingBird, float dt) {
    if (flyingBird != nullptr) {
        const float birdX = flyingBird->position.x;
        if (birdX > FOLLOW_FROM_X) {
            float x = centre.x + (birdX - centre.x) * (FOLLOW_RATE * dt);
            x = std::max(std::min(x, MAX_CENTRE_X), MIN_CENTRE_X);
            return {x, HOME.y};
        }
        return HOME;
    }
    return centre + (HOME - centre) * (HOMING_RATE * dt);
}

FieldCamera::Look FieldCamera::zoomed(Look look, float steps) {
    look.zoom = std::clamp(look.zoom * std::pow(ZOOM_STEP, steps), 1.0f, MAX_ZOOM_OUT);
    return look;
}

FieldCamera::Look FieldCamera::panned(Look look, sf::Vector2f by) {
    look.offset += by;
    return look;
}

sf::FloatRect FieldCamera::boundsAround(const std::vector<sf::Vector2f>& points) {
    float left = LEVEL_BOUNDS.left;
    float top = LEVEL_BOUNDS.top;
    float right = LEVEL_BOUNDS.left + LEVEL_BOUNDS.width;
    float bottom = LEVEL_BOUNDS.top + LEVEL_BOUNDS.height;
    for (const sf::Vector2f& point : points) {
        // Only a piece outside the usual field moves its edges.
        if (!std::isfinite(point.x) || !std::isfinite(point.y) || LEVEL_BOUNDS.contains(point)) {
            continue;
        }
        left = std::min(left, point.x - PIECE_MARGIN);
        top = std::min(top, point.y - PIECE_MARGIN);
        right = std::max(right, point.x + PIECE_MARGIN);
        bottom = std::max(bottom, point.y + PIECE_MARGIN);
    }
    return {left, top, right - left, bottom - top};
}

sf::View FieldCamera::shown(const sf::View& rules, const Look& look, const sf::FloatRect& bounds) {
    if (!look.isActive()) {
        return rules;
    }
    sf::View view = rules;
    // Zoomed out no further than the whole level: past that the look
    // would only show what lies outside it.
    const sf::Vector2f base = rules.getSize();
    const float fits = std::min(bounds.width / std::abs(base.x), bounds.height / std::abs(base.y));
    view.zoom(std::max(1.0f, std::min(look.zoom, fits)));
    const sf::Vector2f size = view.getSize();
    // Within the bounds on each axis; a view wider than them is centred.
    auto inside = [](float centre, float half, float low, float high) {
        if (high - low <= 2.0f * half) {
            return (low + high) * 0.5f;
        }
        return std::clamp(centre, low + half, high - half);
    };
    const sf::Vector2f wanted = rules.getCenter() + look.offset;
    view.setCenter(inside(wanted.x, size.x * 0.5f, bounds.left, bounds.left + bounds.width),
                   inside(wanted.y, size.y * 0.5f, bounds.top, bounds.top + bounds.height));
    return view;
}

sf::Vector2f FieldCamera::pixelToWorld(sf::Vector2i pixel, const sf::View& view,
                                       sf::Vector2u windowSize) {
    const sf::IntRect viewport = viewportPixels(view, windowSize);
    sf::Vector2f normalized;
    normalized.x = -1.f + 2.f * static_cast<float>(pixel.x - viewport.left) /
                              static_cast<float>(viewport.width);
    normalized.y = 1.f - 2.f * static_cast<float>(pixel.y - viewport.top) /
                             static_cast<float>(viewport.height);
    return view.getInverseTransform().transformPoint(normalized);
}

sf::Vector2i FieldCamera::worldToPixel(sf::Vector2f point, const sf::View& view,
                                       sf::Vector2u windowSize) {
    const sf::Vector2f normalized = view.getTransform().transformPoint(point);
    const sf::IntRect viewport = viewportPixels(view, windowSize);
    return {static_cast<int>((normalized.x + 1.f) / 2.f * static_cast<float>(viewport.width) +
                             static_cast<float>(viewport.left)),
            static_cast<int>((-normalized.y + 1.f) / 2.f * static_cast<float>(viewport.height) +
                             static_cast<float>(viewport.top))};
}

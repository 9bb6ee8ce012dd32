#include "core/FieldCamera.h"

#include "entities/Bird.h"

#include <SFML/Graphics/Rect.hpp>
#include <algorithm>

const sf::Vector2f FieldCamera::HOME{500.0f, 350.0f};

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

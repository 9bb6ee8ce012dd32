#include "core/AimingPreview.h"

#include "assets/SharedConstants.h"
#include "entities/Entity.h"

#include <algorithm>

namespace {
// For s = v t + g t^2 / 2.
constexpr float HALF_GRAVITY = WORLD_GRAVITY_MPS2 / 2.0f;
constexpr float GROUND_LIMIT_Y = GROUND_CENTRE_Y_PX;
constexpr float RIGHT_LIMIT_X = 1500.0f;
constexpr float LEFT_LIMIT_X = -100.0f;
} // namespace

AimingPreview AimingPreview::compute(sf::Vector2f restPx, sf::Vector2f velocity) {
    AimingPreview preview;
    const sf::Vector2f start = restPx * METERS_PER_PIXEL;
    for (int i = 1; i <= static_cast<int>(MAX_DOTS); ++i) {
        const float t = 0.1f * static_cast<float>(i);
        const float y = (start.y + velocity.y * t + HALF_GRAVITY * t * t) * PIXELS_PER_METER;
        if (y > GROUND_LIMIT_Y) {
            break;
        }
        const float x = (start.x + velocity.x * t) * PIXELS_PER_METER;
        if (x > RIGHT_LIMIT_X || x < LEFT_LIMIT_X) {
            break;
        }
        const int alpha = std::max(255 - 7 * i, 50);
        preview.dots[preview.count++] = {{x, y},
                                         std::max(4.0f - t, 2.0f),
                                         sf::Color(255, 255, 255, static_cast<sf::Uint8>(alpha))};
    }
    return preview;
}

void AimingPreview::cutToFirstThird() {
    count = count == 0 ? 0 : (count + 2) / 3;
}

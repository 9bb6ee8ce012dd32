#include "entities/SplitBird.h"

#include "assets/Narration.h"
#include "entities/BirdKinds.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <limits>

namespace {
constexpr std::int64_t CHILD_ID_FACTOR = 100;
} // namespace

SplitBird::SplitBird(int id, float density) : Bird(id, density), splitCount(SPLIT_COUNT) {}

int SplitBird::childId(int parentId, int index) {
    const std::int64_t id = static_cast<std::int64_t>(parentId) * CHILD_ID_FACTOR + index;
    return static_cast<int>(std::clamp<std::int64_t>(id, std::numeric_limits<int>::min(),
                                                     std::numeric_limits<int>::max()));
}

void SplitBird::useSpecial() {
    if (!canUseSpecial() || hasSplit) {
        return;
    }
    Bird::useSpecial();
    hasSplit = true;
    b2World* world = body->GetWorld();
    const b2Vec2 centre = body->GetPosition();
    const b2Vec2 velocity = body->GetLinearVelocity();

    for (int i = 0; i < splitCount; ++i) {
        auto child = std::make_shared<Bird>(childId(id, i), density * SPLIT_DENSITY_FACTOR);
        // Children fan out around this bird; birds never collide with each
        // other, so the overlap at birth is harmless.
        const float offset = static_cast<float>(i - 1);
        const sf::Vector2f childPosition(centre.x * PIXELS_PER_METER + offset * SPLIT_OFFSET_X,
                                         centre.y * PIXELS_PER_METER + offset * SPLIT_OFFSET_Y);
        child->initPhysics(world, childPosition);
        child->texture = texture;
        const float theta = static_cast<float>(i) * SPLIT_FAN_STEP - SPLIT_FAN_STEP;
        const float cosTheta = std::cos(theta);
        const float sinTheta = std::sin(theta);
        child->launch(sf::Vector2f(velocity.x * cosTheta - velocity.y * sinTheta,
                                   velocity.x * sinTheta + velocity.y * cosTheta));
        spawnedBirds.push_back(child);
    }
    Narration::out() << "SplitBird SPLIT! Created " << splitCount << " birds\n";
}

#pragma once

#include "entities/ParticleSystem.h"

#include <SFML/Graphics/Color.hpp>

// The particle settings of one debris burst, made for a material and an
// impact by GameContactListener::debrisProfileFor.
struct DebrisProfile {
    int count = 0; // 0 means no debris
    float minSize = 0.0f;
    float maxSize = 0.0f;
    float minLifetime = 0.0f;
    float maxLifetime = 0.0f;
    float spread = 0.0f; // radians, cone centred on +x
    sf::Color color;
    ParticleShape shape = CIRCLE;
};

// How many chips an impact throws: particlesPerImpulse for each unit of
// impulse, truncated, and no more than one burst may hold. Safe for any
// float (NaN, negatives and infinities included), which a bare conversion
// to int is not.
inline int debrisCountFor(float impact, float particlesPerImpulse) {
    const float wanted = impact * particlesPerImpulse;
    if (!(wanted >= 1.0f)) {
        return 0;
    }
    if (wanted >= static_cast<float>(ParticleSystem::MAX_BURST_PARTICLES)) {
        return ParticleSystem::MAX_BURST_PARTICLES;
    }
    return static_cast<int>(wanted);
}

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

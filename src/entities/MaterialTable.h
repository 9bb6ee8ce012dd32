#pragma once

#include "entities/MaterialType.h"
#include "entities/ParticleSystem.h"

#include <SFML/Graphics/Color.hpp>

// Every block is a box with this friction, whatever its material.
inline constexpr float BLOCK_FRICTION = 0.6f;

// How the debris of a material chooses each burst's shape.
enum class DebrisShapeChoice {
    None,           // the material throws no debris
    QuadOrTriangle, // (rand() & 1) + 1
    AnyShape        // rand() % 3
};

// Everything that differs between materials, in one place: the block class,
// the contact rules and the level loader all read it from here.
struct MaterialProperties {
    const char* name;         // the enumerator's name, e.g. "WOOD"
    float hitPoints;          // starting and maximum hit points
    float density;            // fixture density, kg/m^2
    float restitution;        // fixture bounciness
    bool breakable;           // false: damage is ignored entirely
    int points;               // earned when a block of it is destroyed
    const char* damageSuffix; // "wood" / "glass" for damage textures, else null
    const char* textureStem;  // base texture key before "_tall"/"_long", e.g. "block_wood"
    // Debris thrown when a block of this material is struck.
    float debrisPerImpulse; // particles per newton-second, truncated
    float debrisMinSize, debrisMaxSize;
    float debrisMinLifetime, debrisMaxLifetime;
    float debrisSpread; // radians
    sf::Color debrisColor;
    DebrisShapeChoice debrisShapes;
};

// The properties of material; an out-of-range value reads as WOOD, the
// same fallback the level loader uses for unknown words.
const MaterialProperties& materialProperties(MaterialType material);

#pragma once

#include <SFML/System/Vector2.hpp>
#include <box2d/box2d.h>
#include <cstdint>

class Entity;

// The conventions every entity body is made by: one fixture, no damping, the
// entity's address in the user data, sizes converted from pixels once here.
struct EntityBodyDef {
    b2BodyType type = b2_dynamicBody;
    sf::Vector2f positionPx;
    float circleRadiusPx = 0.0f; // > 0 makes a circle
    float boxWidthPx = 0.0f;     // otherwise a box of width x height
    float boxHeightPx = 0.0f;
    float density = 1.0f;
    float friction = 0.0f;
    float restitution = 0.0f;
    std::uint16_t categoryBits = 0;
    std::uint16_t maskBits = 0;
};

// Creates the body in world (not during Step) and links it to owner.
// Returns the body, owned by the world; null when world is null.
b2Body* createEntityBody(b2World* world, Entity* owner, const EntityBodyDef& def);

// Places a piece broken off another body at centrePx and angle, moving as the
// broken body moved, with a small random kick so the pieces scatter.
// Not during Step.
void sendPieceFlying(b2Body* piece, const b2Body& broken, sf::Vector2f centrePx, float angle);

// The entity a body belongs to, or null for bodies without one (the ground).
Entity* entityOf(const b2Body* body);

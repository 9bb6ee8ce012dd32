#include "entities/EntityBody.h"

#include "entities/Entity.h"

#include <cstdlib>

namespace {
// (rand() % 10) - 5: the small random kick a fresh piece gets.
float randomKick() {
    return static_cast<float>(std::rand() % 10 - 5);
}
} // namespace

b2Body* createEntityBody(b2World* world, Entity* owner, const EntityBodyDef& def) {
    if (world == nullptr) {
        return nullptr;
    }
    b2BodyDef bodyDef;
    bodyDef.type = def.type;
    bodyDef.position.Set(def.positionPx.x * METERS_PER_PIXEL, def.positionPx.y * METERS_PER_PIXEL);
    b2Body* body = world->CreateBody(&bodyDef);

    b2CircleShape circle;
    b2PolygonShape box;
    b2FixtureDef fixtureDef;
    if (def.circleRadiusPx > 0.0f) {
        circle.m_radius = def.circleRadiusPx / PIXELS_PER_METER;
        fixtureDef.shape = &circle;
    } else {
        box.SetAsBox(def.boxWidthPx * 0.5f / PIXELS_PER_METER,
                     def.boxHeightPx * 0.5f / PIXELS_PER_METER);
        fixtureDef.shape = &box;
    }
    fixtureDef.density = def.density;
    fixtureDef.friction = def.friction;
    fixtureDef.restitution = def.restitution;
    fixtureDef.restitutionThreshold = 1.0f;
    fixtureDef.filter.categoryBits = def.categoryBits;
    fixtureDef.filter.maskBits = def.maskBits;
    fixtureDef.filter.groupIndex = 0;
    body->CreateFixture(&fixtureDef);
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(owner);
    return body;
}

Entity* entityOf(const b2Body* body) {
    if (body == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Entity*>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

void sendPieceFlying(b2Body* piece, const b2Body& broken, sf::Vector2f centrePx, float angle) {
    if (piece == nullptr) {
        return;
    }
    piece->SetTransform(b2Vec2(centrePx.x * METERS_PER_PIXEL, centrePx.y * METERS_PER_PIXEL),
                        angle);
    piece->SetLinearVelocity(broken.GetLinearVelocity());
    piece->SetAngularVelocity(broken.GetAngularVelocity());
    const float kickX = randomKick();
    const float kickY = randomKick();
    piece->ApplyLinearImpulseToCenter(b2Vec2(kickX, kickY), true);
    piece->ApplyAngularImpulse(randomKick(), true);
}

#include "entities/EntityBody.h"

#include "entities/Entity.h"

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

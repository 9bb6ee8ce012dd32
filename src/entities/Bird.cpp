#include "entities/Bird.h"

#include "assets/Narration.h"
#include "entities/BirdKinds.h"
#include "entities/EntityBody.h"

#include <box2d/box2d.h>
#include <iostream>

Bird::Bird(int id, float density) : id(id), density(density), radius(BIRD_RADIUS) {}

void Bird::initPhysics(b2World* world, sf::Vector2f positionPx) {
    if (world == nullptr) {
        return;
    }
    EntityBodyDef def;
    def.type = b2_staticBody; // seated on the slingshot until launched
    def.positionPx = positionPx;
    def.circleRadiusPx = radius;
    def.density = density;
    def.friction = BIRD_FRICTION;
    def.restitution = BIRD_RESTITUTION;
    def.categoryBits = CATEGORY_BIRD;
    def.maskBits = MASK_BIRD;
    body = createEntityBody(world, this, def);
    position = positionPx;
}

bool Bird::canLaunch() const {
    return !launched && alive && body != nullptr;
}

void Bird::launch(sf::Vector2f velocityMps) {
    if (!canLaunch()) {
        return;
    }
    launched = true;
    body->SetType(b2_dynamicBody);
    body->SetLinearVelocity(b2Vec2(velocityMps.x, velocityMps.y));
    body->SetAwake(true);
    Narration::out() << "Bird " << id << " launched with velocity: (" << velocityMps.x << ", "
                     << velocityMps.y << ") m/s\n";
}

void Bird::markCollided() {
    // A block or enemy resting on the bird in the slingshot must not run
    // down its lifetime before it has even flown.
    if (launched && !collided) {
        collided = true;
    }
}

sf::Vector2f Bird::getVelocity() const {
    if (body == nullptr) {
        return {0.0f, 0.0f};
    }
    const b2Vec2 velocity = body->GetLinearVelocity();
    return {velocity.x * PIXELS_PER_METER, velocity.y * PIXELS_PER_METER};
}

void Bird::update(float dt) {
    if (collided) {
        timeSinceCollision += dt;
        if (timeSinceCollision > BIRD_LIFETIME_AFTER_COLLISION) {
            alive = false;
        }
    }
    if (body == nullptr || !launched) {
        return;
    }
    followBody();
    if (position.x < BIRD_AREA_MIN_X || position.x > BIRD_AREA_MAX_X ||
        position.y < BIRD_AREA_MIN_Y || position.y > BIRD_AREA_MAX_Y) {
        alive = false;
    }
}

void Bird::draw(Renderer& renderer) {
    if (texture == nullptr) {
        return;
    }
    drawSprite(renderer, texture, 2.0f * radius, 2.0f * radius);
}

void Bird::useSpecial() {
    if (specialUsed) {
        return;
    }
    specialUsed = true;
    Narration::out() << "Bird::useSpecial() base - no effect\n";
}

bool Bird::canUseSpecial() const {
    return !specialUsed && launched && body != nullptr;
}

#include "entities/ExplosionBird.h"

#include "assets/Narration.h"
#include "entities/BirdKinds.h"

#include <box2d/box2d.h>
#include <iostream>

ExplosionBird::ExplosionBird(int id, float density)
    : Bird(id, density), explosionRadius(EXPLOSION_RADIUS), explosionForce(EXPLOSION_FORCE) {}

void ExplosionBird::useSpecial() {
    if (!canUseSpecial()) {
        return;
    }
    Bird::useSpecial();
    b2World* world = body->GetWorld();
    const b2Vec2 centre = body->GetPosition();
    Narration::out() << "ExplosionBird EXPLODE at (" << centre.x << ", " << centre.y << ")!\n";

    for (b2Body* other = world->GetBodyList(); other != nullptr; other = other->GetNext()) {
        if (other == body || other->GetType() != b2_dynamicBody) {
            continue;
        }
        b2Vec2 direction = other->GetPosition() - centre;
        const float distance = direction.Length();
        if (distance >= explosionRadius || distance <= EXPLOSION_MIN_DISTANCE) {
            continue;
        }
        direction.Normalize();
        const float strength = (1.0f - distance / explosionRadius) * explosionForce;
        other->ApplyLinearImpulseToCenter(strength * direction, true);
        Narration::out() << "  Explosion hit body at distance " << distance << "m with force "
                         << strength << "\n";
    }
    alive = false;
}

#include "entities/BoostBird.h"

#include "assets/Narration.h"
#include "entities/BirdKinds.h"

#include <box2d/box2d.h>
#include <iostream>

BoostBird::BoostBird(int id, float density) : Bird(id, density), boostFactor(BOOST_FACTOR) {}

void BoostBird::useSpecial() {
    if (!canUseSpecial()) {
        return;
    }
    Bird::useSpecial();
    b2Vec2 velocity = body->GetLinearVelocity();
    if (velocity.Length() < BOOST_MIN_SPEED) {
        return; // nothing worth speeding up; the special is spent anyway
    }
    velocity *= boostFactor;
    body->SetLinearVelocity(velocity);
    Narration::out() << "BoostBird BOOST! Velocity: (" << velocity.x << ", " << velocity.y
                     << ") m/s\n";
}

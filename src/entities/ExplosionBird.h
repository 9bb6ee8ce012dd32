#pragma once

#include "entities/Bird.h"

// Its special pushes every dynamic body within explosionRadius away from it
// and ends the bird.
class ExplosionBird : public Bird {
public:
    ExplosionBird(int id, float density);
    ~ExplosionBird() override = default;

    void useSpecial() override;

    float explosionRadius; // metres
    float explosionForce;  // impulse at the centre, falling to 0 at the radius
};

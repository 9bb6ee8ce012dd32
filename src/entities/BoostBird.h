#pragma once

#include "entities/Bird.h"

// Its special multiplies the flight velocity.
class BoostBird : public Bird {
public:
    BoostBird(int id, float density);
    ~BoostBird() override = default;

    void useSpecial() override;

    float boostFactor;
};

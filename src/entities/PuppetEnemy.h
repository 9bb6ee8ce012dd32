#pragma once

#include "entities/Enemy.h"

// Worth fewer points than a basic enemy; otherwise the same.
class PuppetEnemy : public Enemy {
public:
    explicit PuppetEnemy(float health) : Enemy(health) {}
};

#pragma once

#include "entities/Enemy.h"

// Worth more points than a basic enemy; otherwise the same.
class ArmedEnemy : public Enemy {
public:
    explicit ArmedEnemy(float health) : Enemy(health) {}
};

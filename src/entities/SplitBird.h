#pragma once

#include "entities/Bird.h"

#include <memory>
#include <vector>

// Its special releases splitCount extra launched birds in a fan; the game
// takes them from spawnedBirds.
class SplitBird : public Bird {
public:
    SplitBird(int id, float density);
    ~SplitBird() override = default;

    void useSpecial() override;

    std::vector<std::shared_ptr<Bird>> spawnedBirds;
    bool hasSplit = false;
    int splitCount;
};

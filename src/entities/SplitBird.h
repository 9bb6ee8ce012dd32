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

    // The id of the index-th child: parent id x 100 + index, held to the
    // range of int so that no parent id can overflow it.
    static int childId(int parentId, int index);

    std::vector<std::shared_ptr<Bird>> spawnedBirds;
    bool hasSplit = false;
    int splitCount;
};

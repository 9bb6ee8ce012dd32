#pragma once

#include "entities/BirdKinds.h"
#include "entities/EnemyKinds.h"
#include "entities/MaterialType.h"

#include <string>
#include <variant>

// One record of a level file as numbers, before anything has a body: what
// the loader builds from and what the editor edits. Positions and sizes in
// pixels, as the file holds them.
struct BlockPiece {
    MaterialType material = WOOD;
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
    bool operator==(const BlockPiece&) const = default;
};

struct EnemyPiece {
    EnemyKind kind = Basic;
    float x = 0.0f;
    float y = 0.0f;
    float health = 0.0f;
    bool operator==(const EnemyPiece&) const = default;
};

// A bird waiting in the queue; it has no place until it is seated.
struct BirdPiece {
    BirdKind kind = Normal;
    int id = 0;
    bool operator==(const BirdPiece&) const = default;
};

using LevelPiece = std::variant<BlockPiece, EnemyPiece, BirdPiece>;

#pragma once

#include "level/Level.h"

#include <string>

// Placeholder until the level file reader lands.
class LevelLoader {
public:
    Level loadLevel(const std::string& path, b2World* world);
};

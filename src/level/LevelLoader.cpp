#include "level/LevelLoader.h"

#include <iostream>

Level LevelLoader::loadLevel(const std::string& path, b2World* world) {
    std::cout << "LevelLoader: Attempting to load file: " << path << std::endl;
    Level level;
    level.world = world;
    return level;
}

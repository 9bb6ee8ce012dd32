#pragma once

#include <string>

// The levels the game ships with, numbered from 1 in play order.
class ShippedLevels {
public:
    static constexpr int COUNT = 7;

    // The level file of level `number` among the game's resources.
    static std::string path(int number);
};

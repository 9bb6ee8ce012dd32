#pragma once

#include "entities/MaterialType.h"
#include "level/Level.h"

#include <iosfwd>
#include <string>

// Reads a level file into a Level: one record per line, blocks and enemies
// get their bodies in the given world in file order, birds wait without a
// body until they are seated. Nothing in a file stops loading: unknown lines
// are reported on standard error and skipped.
class LevelLoader {
public:
    Level loadLevel(const std::string& path, b2World* world);

    // The material a BLOCK word names; an unknown word is reported and read as WOOD.
    static MaterialType parseMaterial(const std::string& word);

private:
    static void loadBlock(std::istream& fields, Level& level);
    static void loadEnemy(const std::string& keyword, std::istream& fields, Level& level);
    static void loadBird(std::istream& fields, Level& level);
    static void loadBackground(std::istream& fields, Level& level);
};

#pragma once

#include "entities/MaterialType.h"
#include "level/Level.h"

#include <cstddef>
#include <iosfwd>
#include <string>

// Reads a level file into a Level: one record per line, blocks and enemies
// get their bodies in the given world in file order, birds wait without a
// body until they are seated. Nothing in a file stops loading: unknown lines
// are reported on standard error and skipped, and so is every record whose
// numbers are missing, unreadable or outside the bounds below, so no file,
// however broken, can hand Box2D a degenerate shape or freeze the game.
class LevelLoader {
public:
    // Bounds of the numbers a record may hold, in pixels where they measure.
    static constexpr float MIN_SIZE_PX = 1.0f; // block sides
    static constexpr float MAX_SIZE_PX = 2000.0f;
    static constexpr float MAX_POSITION_PX = 10000.0f; // either sign, both axes
    static constexpr float MIN_HEALTH = 1.0f;
    static constexpr float MAX_HEALTH = 1000000.0f;
    static constexpr int MIN_BIRD_ID = 1;
    static constexpr int MAX_BIRD_ID = 100000;
    // A level is a few dozen lines; these keep a runaway file from filling
    // the world with bodies or the log with warnings.
    static constexpr std::size_t MAX_FILE_BYTES = 64 * 1024;
    static constexpr std::size_t MAX_ENTITIES = 256;

    Level loadLevel(const std::string& path, b2World* world);

    // The material a BLOCK word names; an unknown word is reported and read as WOOD.
    static MaterialType parseMaterial(const std::string& word);

private:
    // Where a record comes from, for the warning when it is skipped.
    struct SourceLine {
        const std::string& path;
        std::size_t number;
    };

    static void loadBlock(std::istream& fields, const SourceLine& line, Level& level);
    static void loadEnemy(const std::string& keyword, std::istream& fields, const SourceLine& line,
                          Level& level);
    static void loadBird(std::istream& fields, const SourceLine& line, Level& level);
    static void loadBackground(std::istream& fields, Level& level);
    static void warnSkipped(const std::string& keyword, const SourceLine& line,
                            const std::string& problem);
};

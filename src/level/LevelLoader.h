#pragma once

#include "entities/MaterialType.h"
#include "level/Level.h"
#include "level/LevelPiece.h"

#include <cstddef>
#include <iosfwd>
#include <string>
#include <variant>
#include <vector>

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

    // A background line of the file: the texture key it names.
    struct BackgroundRecord {
        std::string key;
    };
    // Every record the file holds that passed the checks, in file order, with
    // the word the file used for it (logged as written). The same warnings as
    // loadLevel go to standard error; opened is false for a file that could
    // not be read at all.
    struct Record {
        std::variant<LevelPiece, BackgroundRecord> content;
        std::string word;
    };
    struct Records {
        bool opened = false;
        std::vector<Record> records;
    };
    static Records readRecords(const std::string& path);

    Level loadLevel(const std::string& path, b2World* world);

    // The material a BLOCK word names; an unknown word is reported and read as WOOD.
    static MaterialType parseMaterial(const std::string& word);

private:
    // Where a record comes from, for the warning when it is skipped.
    struct SourceLine {
        const std::string& path;
        std::size_t number;
    };

    static void readBlock(std::istream& fields, const SourceLine& line, Records& out);
    static void readEnemy(const std::string& keyword, std::istream& fields, const SourceLine& line,
                          Records& out);
    static void readBird(std::istream& fields, const SourceLine& line, Records& out);
    static void addBlock(const BlockPiece& piece, const std::string& word, Level& level);
    static void addEnemy(const EnemyPiece& piece, Level& level);
    static void addBird(const BirdPiece& piece, Level& level);
    static void warnSkipped(const std::string& keyword, const SourceLine& line,
                            const std::string& problem);
};

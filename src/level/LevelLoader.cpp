#include "level/LevelLoader.h"

#include "assets/Narration.h"
#include "assets/ResourceManager.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "entities/MaterialTable.h"

#include <array>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <optional>
#include <sstream>
#include <string_view>
#include <unordered_map>

namespace {

constexpr float DEFAULT_BLOCK_SIZE = 40.0f; // pixels, both sides
constexpr float BIRD_DENSITY = 1.0f;
constexpr std::size_t READ_CHUNK_BYTES = 4096;

// The shape word of a block's base texture: a square counts as long.
std::string blockTextureKey(MaterialType material, float width, float height) {
    const char* shape = height > width ? "_tall" : "_long";
    return std::string(materialProperties(material).textureStem) + shape;
}

// Bounds written the way a level author reads them (1000000, not 1e+06).
std::string boundsText(double lowest, double highest) {
    std::ostringstream text;
    text << std::setprecision(10) << lowest << " to " << highest;
    return text.str();
}

// Reads a record's fields left to right as whole white-space separated
// tokens. The first field that is missing, not a number, not finite or out of
// bounds is remembered as the problem; every read after it returns a neutral
// value, so a record can read all its fields and check once at the end.
class FieldReader {
public:
    explicit FieldReader(std::istream& fields) : fields(fields) {}

    std::string word() {
        std::string token;
        fields >> token;
        return token;
    }

    float number(const char* name, float lowest, float highest) {
        const std::optional<std::string> token = required(name);
        return token ? checked(name, *token, lowest, highest) : 0.0f;
    }

    // Absent (nothing but blanks left on the line) gives the fallback.
    float optionalNumber(const char* name, float lowest, float highest, float fallback) {
        std::string token;
        if (failed() || !(fields >> token)) {
            return fallback;
        }
        return checked(name, token, lowest, highest);
    }

    int integer(const char* name, int lowest, int highest) {
        const std::optional<std::string> token = required(name);
        if (!token) {
            return 0;
        }
        int value = 0;
        const std::string_view digits = withoutPlus(*token);
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), value);
        if (error == std::errc::invalid_argument || end != digits.data() + digits.size()) {
            problemText = quoted(name, *token) + " is not a whole number";
        } else if (error == std::errc::result_out_of_range || value < lowest || value > highest) {
            problemText = quoted(name, *token) + " is outside " + boundsText(lowest, highest);
        }
        return failed() ? 0 : value;
    }

    bool failed() const { return !problemText.empty(); }
    const std::string& problem() const { return problemText; }

private:
    // The next token of a field that must be there; none once a problem is
    // known.
    std::optional<std::string> required(const char* name) {
        std::string token;
        if (failed()) {
            return std::nullopt;
        }
        if (!(fields >> token)) {
            problemText = std::string(name) + " is missing";
            return std::nullopt;
        }
        return token;
    }

    // from_chars takes no plus sign; the stream reads the file always took one.
    static std::string_view withoutPlus(const std::string& token) {
        std::string_view view(token);
        if (view.size() > 1 && view.front() == '+' && view[1] != '-' && view[1] != '+') {
            view.remove_prefix(1);
        }
        return view;
    }

    static std::string quoted(const char* name, const std::string& token) {
        return std::string(name) + " \"" + token + "\"";
    }

    float checked(const char* name, const std::string& token, float lowest, float highest) {
        float value = 0.0f;
        const std::string_view text = withoutPlus(token);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error == std::errc::invalid_argument || end != text.data() + text.size()) {
            problemText = quoted(name, token) + " is not a number";
        } else if (error == std::errc::result_out_of_range) {
            // Beyond what a float holds, either way.
            problemText = quoted(name, token) + " is outside " + boundsText(lowest, highest);
        } else if (!std::isfinite(value)) {
            problemText = quoted(name, token) + " is not a finite number";
        } else if (value < lowest || value > highest) {
            problemText = quoted(name, token) + " is outside " + boundsText(lowest, highest);
        }
        return failed() ? 0.0f : value;
    }

    std::istream& fields;
    std::string problemText;
};

// At most MAX_FILE_BYTES of the file; a line cut by that limit is dropped
// with the rest, since half a record would load as a different one.
std::string readBounded(std::ifstream& file, const std::string& path) {
    std::string text;
    std::array<char, READ_CHUNK_BYTES> chunk{};
    while (text.size() <= LevelLoader::MAX_FILE_BYTES &&
           file.read(chunk.data(), chunk.size()).gcount() > 0) {
        text.append(chunk.data(), static_cast<std::size_t>(file.gcount()));
    }
    if (text.size() > LevelLoader::MAX_FILE_BYTES) {
        Narration::err() << "LevelLoader: " << path << " is longer than "
                         << LevelLoader::MAX_FILE_BYTES << " bytes; the rest of it is ignored."
                         << std::endl;
        text.resize(LevelLoader::MAX_FILE_BYTES);
        const std::size_t lastBreak = text.rfind('\n');
        text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
    }
    return text;
}

} // namespace

LevelLoader::Records LevelLoader::readRecords(const std::string& path) {
    Records out;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) {
        Narration::err() << "Failed to open level file: " << path << std::endl;
        return out;
    }
    out.opened = true;
    std::istringstream lines(readBounded(file, path));

    std::string line;
    std::size_t lineNumber = 0;
    std::size_t entityCount = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const SourceLine source{path, lineNumber};
        std::istringstream fields(line);
        std::string keyword;
        fields >> keyword;
        const bool makesEntity =
            keyword == "BLOCK" || keyword == "BIRD" || enemyKindFromKeyword(keyword).has_value();
        const std::size_t before = out.records.size();
        if (makesEntity && entityCount >= MAX_ENTITIES) {
            warnSkipped(keyword, source,
                        "the level already holds " + std::to_string(MAX_ENTITIES) + " entities");
        } else if (keyword == "BLOCK") {
            readBlock(fields, source, out);
        } else if (enemyKindFromKeyword(keyword)) {
            readEnemy(keyword, fields, source, out);
        } else if (keyword == "BIRD") {
            readBird(fields, source, out);
        } else if (keyword == "BACKGROUND") {
            std::string key;
            fields >> key;
            out.records.push_back({BackgroundRecord{key}, keyword});
        } else {
            Narration::err() << "LevelLoader: Unknown entity type: " << keyword << std::endl;
        }
        if (makesEntity && out.records.size() > before) {
            ++entityCount;
        }
    }
    return out;
}

Level LevelLoader::loadLevel(const std::string& path, b2World* world) {
    Narration::out() << "LevelLoader: Attempting to load file: " << path << std::endl;
    Level level;
    level.world = world;

    const Records read = readRecords(path);
    if (!read.opened) {
        return level;
    }
    for (const Record& record : read.records) {
        if (const auto* background = std::get_if<BackgroundRecord>(&record.content)) {
            level.background = background->key;
            Narration::out() << "LevelLoader: Set background to: " << background->key << std::endl;
            continue;
        }
        const LevelPiece& piece = std::get<LevelPiece>(record.content);
        if (const auto* block = std::get_if<BlockPiece>(&piece)) {
            addBlock(*block, record.word, level);
        } else if (const auto* enemy = std::get_if<EnemyPiece>(&piece)) {
            addEnemy(*enemy, level);
        } else {
            addBird(std::get<BirdPiece>(piece), level);
        }
    }

    Narration::out() << "LevelLoader: Loaded " << level.entities.size() << " entities from " << path
                     << std::endl;
    return level;
}

void LevelLoader::warnSkipped(const std::string& keyword, const SourceLine& line,
                              const std::string& problem) {
    Narration::err() << "LevelLoader: Skipping " << keyword << " on line " << line.number << " of "
                     << line.path << ": " << problem << std::endl;
}

MaterialType LevelLoader::parseMaterial(const std::string& word) {
    // The TALL/LONG part is only a hint for whoever writes the file; the
    // block's shape comes from its size fields.
    static const std::unordered_map<std::string, MaterialType> materialWords{
        {"TALL_WOOD", WOOD},   {"LONG_WOOD", WOOD},   {"TALL_ROCK", STONE},  {"LONG_ROCK", STONE},
        {"TALL_METAL", METAL}, {"LONG_METAL", METAL}, {"TALL_GLASS", GLASS}, {"LONG_GLASS", GLASS},
    };
    const auto found = materialWords.find(word);
    if (found != materialWords.end()) {
        return found->second;
    }
    Narration::err() << "Unknown material type: " << word << ". Defaulting to WOOD." << std::endl;
    return WOOD;
}

void LevelLoader::readBlock(std::istream& fields, const SourceLine& line, Records& out) {
    FieldReader read(fields);
    const std::string materialWord = read.word();
    const float x = read.number("x", -MAX_POSITION_PX, MAX_POSITION_PX);
    const float y = read.number("y", -MAX_POSITION_PX, MAX_POSITION_PX);
    // The height is optional only after a width; both default to 40.
    const float width = read.optionalNumber("width", MIN_SIZE_PX, MAX_SIZE_PX, DEFAULT_BLOCK_SIZE);
    const float height =
        read.optionalNumber("height", MIN_SIZE_PX, MAX_SIZE_PX, DEFAULT_BLOCK_SIZE);
    if (read.failed()) {
        warnSkipped("BLOCK", line, read.problem());
        return;
    }
    out.records.push_back(
        {LevelPiece{BlockPiece{parseMaterial(materialWord), x, y, width, height}}, materialWord});
}

void LevelLoader::readEnemy(const std::string& keyword, std::istream& fields,
                            const SourceLine& line, Records& out) {
    const EnemyKind kind = *enemyKindFromKeyword(keyword);
    const EnemyKindInfo& info = enemyKindInfo(kind);
    FieldReader read(fields);
    const float x = read.number("x", -MAX_POSITION_PX, MAX_POSITION_PX);
    const float y = read.number("y", -MAX_POSITION_PX, MAX_POSITION_PX);
    // Trailing blanks after y hold no number and leave the default health.
    const float health = read.optionalNumber("health", MIN_HEALTH, MAX_HEALTH, info.defaultHealth);
    if (read.failed()) {
        warnSkipped(keyword, line, read.problem());
        return;
    }
    out.records.push_back({LevelPiece{EnemyPiece{kind, x, y, health}}, keyword});
}

void LevelLoader::readBird(std::istream& fields, const SourceLine& line, Records& out) {
    FieldReader read(fields);
    const std::string kindWord = read.word();
    const int id = read.integer("id", MIN_BIRD_ID, MAX_BIRD_ID);
    if (read.failed()) {
        warnSkipped("BIRD", line, read.problem());
        return;
    }
    out.records.push_back({LevelPiece{BirdPiece{birdKindFromWord(kindWord), id}}, kindWord});
}

void LevelLoader::addBlock(const BlockPiece& piece, const std::string& word, Level& level) {
    auto block = std::make_shared<Block>(piece.material, piece.width, piece.height);
    block->initPhysics(level.world, {piece.x, piece.y}, piece.width, piece.height);
    block->texture = ResourceManager::getInstance().getTexture(
        blockTextureKey(piece.material, piece.width, piece.height));
    level.entities.push_back(block);
    Narration::out() << "LevelLoader: Added " << word << " BLOCK at (" << piece.x << ", " << piece.y
                     << ") size " << piece.width << "x" << piece.height << std::endl;
}

void LevelLoader::addEnemy(const EnemyPiece& piece, Level& level) {
    const EnemyKindInfo& info = enemyKindInfo(piece.kind);
    auto enemy = makeEnemy(piece.kind, piece.health);
    enemy->initPhysics(level.world, {piece.x, piece.y}, info.radius);
    enemy->texture = ResourceManager::getInstance().getTexture(info.textureKey);
    level.entities.push_back(enemy);
    Narration::out() << "LevelLoader: Added " << info.keyword << " at (" << piece.x << ", "
                     << piece.y << ") with health " << piece.health << std::endl;
}

void LevelLoader::addBird(const BirdPiece& piece, Level& level) {
    const BirdKindInfo& info = birdKindInfo(piece.kind);
    // No body yet: the game makes one when the bird is seated on the slingshot.
    auto bird = makeBird(piece.kind, piece.id, BIRD_DENSITY);
    bird->texture = ResourceManager::getInstance().getTexture(info.textureKey);
    Narration::out() << "LevelLoader: Added " << info.word << " BIRD with id " << piece.id
                     << std::endl;
    level.entities.push_back(bird);
}

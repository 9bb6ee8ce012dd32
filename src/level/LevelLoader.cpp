#include "level/LevelLoader.h"

#include "assets/ResourceManager.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "entities/MaterialTable.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <unordered_map>

namespace {

constexpr float DEFAULT_BLOCK_SIZE = 40.0f; // pixels, both sides
constexpr float BIRD_DENSITY = 1.0f;

// The shape word of a block's base texture: a square counts as long.
std::string blockTextureKey(MaterialType material, float width, float height) {
    const char* shape = height > width ? "_tall" : "_long";
    return std::string(materialProperties(material).textureStem) + shape;
}

} // namespace

Level LevelLoader::loadLevel(const std::string& path, b2World* world) {
    std::cout << "LevelLoader: Attempting to load file: " << path << std::endl;
    Level level;
    level.world = world;

    std::ifstream file(path);
    if (!file.is_open()) {
        std::cerr << "Failed to open level file: " << path << std::endl;
        return level;
    }

    std::string line;
    while (std::getline(file, line)) {
        std::istringstream fields(line);
        std::string keyword;
        fields >> keyword;
        if (keyword == "BLOCK") {
            loadBlock(fields, level);
        } else if (enemyKindFromKeyword(keyword)) {
            loadEnemy(keyword, fields, level);
        } else if (keyword == "BIRD") {
            loadBird(fields, level);
        } else if (keyword == "BACKGROUND") {
            loadBackground(fields, level);
        } else {
            std::cerr << "LevelLoader: Unknown entity type: " << keyword << std::endl;
        }
    }

    std::cout << "LevelLoader: Loaded " << level.entities.size() << " entities from " << path
              << std::endl;
    return level;
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
    std::cerr << "Unknown material type: " << word << ". Defaulting to WOOD." << std::endl;
    return WOOD;
}

void LevelLoader::loadBlock(std::istream& fields, Level& level) {
    std::string materialWord;
    float x = 0.0f;
    float y = 0.0f;
    float width = DEFAULT_BLOCK_SIZE;
    float height = DEFAULT_BLOCK_SIZE;
    fields >> materialWord >> x >> y;
    // The height is optional only after a width; a failed read must not
    // overwrite the default.
    float value = 0.0f;
    if (fields >> value) {
        width = value;
        if (fields >> value) {
            height = value;
        }
    }

    const MaterialType material = parseMaterial(materialWord);
    auto block = std::make_shared<Block>(material, width, height);
    block->initPhysics(level.world, {x, y}, width, height);
    block->texture =
        ResourceManager::getInstance().getTexture(blockTextureKey(material, width, height));
    level.entities.push_back(block);
    std::cout << "LevelLoader: Added " << materialWord << " BLOCK at (" << x << ", " << y
              << ") size " << width << "x" << height << std::endl;
}

void LevelLoader::loadEnemy(const std::string& keyword, std::istream& fields, Level& level) {
    const EnemyKind kind = *enemyKindFromKeyword(keyword);
    const EnemyKindInfo& info = enemyKindInfo(kind);
    float x = 0.0f;
    float y = 0.0f;
    float health = info.defaultHealth;
    fields >> x >> y;
    // Health is read only when something follows y; trailing blanks that
    // hold no number leave the default in place.
    if (fields.peek() != std::char_traits<char>::eof()) {
        float value = 0.0f;
        if (fields >> value) {
            health = value;
        }
    }

    auto enemy = makeEnemy(kind, health);
    enemy->initPhysics(level.world, {x, y}, info.radius);
    enemy->texture = ResourceManager::getInstance().getTexture(info.textureKey);
    level.entities.push_back(enemy);
    std::cout << "LevelLoader: Added " << info.keyword << " at (" << x << ", " << y
              << ") with health " << health << std::endl;
}

void LevelLoader::loadBird(std::istream& fields, Level& level) {
    std::string kindWord;
    int id = 0;
    fields >> kindWord >> id;

    const BirdKind kind = birdKindFromWord(kindWord);
    const BirdKindInfo& info = birdKindInfo(kind);
    // No body yet: the game makes one when the bird is seated on the slingshot.
    auto bird = makeBird(kind, id, BIRD_DENSITY);
    bird->texture = ResourceManager::getInstance().getTexture(info.textureKey);
    std::cout << "LevelLoader: Added " << info.word << " BIRD with id " << id << std::endl;
    level.entities.push_back(bird);
}

void LevelLoader::loadBackground(std::istream& fields, Level& level) {
    std::string key;
    fields >> key;
    level.background = key;
    std::cout << "LevelLoader: Set background to: " << key << std::endl;
}

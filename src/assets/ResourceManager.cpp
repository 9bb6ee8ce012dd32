#include "assets/ResourceManager.h"

#include "assets/DataPaths.h"
#include "assets/TextureTable.h"

#include <iostream>

ResourceManager& ResourceManager::getInstance() {
    static ResourceManager instance;
    return instance;
}

sf::Texture* ResourceManager::loadTexture(const std::string& key, const std::string& path) {
    if (auto found = textures.find(key); found != textures.end()) {
        return found->second.get();
    }
    auto texture = std::make_unique<sf::Texture>();
    if (!texture->loadFromFile(path)) {
        std::cerr << "Failed to load texture: " << path << std::endl;
        return nullptr;
    }
    texture->setSmooth(true);
    sf::Texture* stored = texture.get();
    textures.emplace(key, std::move(texture));
    return stored;
}

sf::Texture* ResourceManager::getTexture(const std::string& key) const {
    auto found = textures.find(key);
    return found == textures.end() ? nullptr : found->second.get();
}

void ResourceManager::loadGameTextures() {
    for (const TextureEntry& entry : TEXTURE_TABLE) {
        loadTexture(std::string(entry.key), DataPaths::forThisProcess().resource(entry.path));
    }
    std::cout << "Textures loaded (missing textures will use colored shapes)\n";
}

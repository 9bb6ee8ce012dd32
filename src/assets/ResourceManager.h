#pragma once

#include <SFML/Graphics/Texture.hpp>
#include <memory>
#include <string>
#include <unordered_map>

// Process-wide registry of textures by key. A missing image never stops the
// game: its key simply resolves to null and the drawing sites skip it.
class ResourceManager {
public:
    static ResourceManager& getInstance();

    // Loads path under key once; a key already present is returned without
    // reading the file again. Returns null (and logs) when the file fails.
    sf::Texture* loadTexture(const std::string& key, const std::string& path);
    // The texture stored under key, or null. Valid for the whole run.
    sf::Texture* getTexture(const std::string& key) const;

    // Loads the whole texture table, in order, from "resources" + path.
    void loadGameTextures();

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

private:
    ResourceManager() = default;

    std::unordered_map<std::string, std::unique_ptr<sf::Texture>> textures;
};

#pragma once

#include <box2d/box2d.h>
#include <memory>
#include <string>
#include <vector>

class Entity;
class Renderer;

// Placeholder until the level container lands.
class Level {
public:
    void update(float dt);
    void draw(Renderer& renderer);
    bool allEnemiesDead() const;
    void clear();

    std::vector<std::shared_ptr<Entity>> entities;
    b2World* world = nullptr;
    std::string background;
};

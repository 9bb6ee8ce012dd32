#include "level/Level.h"

#include "entities/Entity.h"

void Level::update(float dt) {
    for (auto& entity : entities) {
        entity->update(dt);
    }
}
void Level::draw(Renderer& renderer) {
    for (auto& entity : entities) {
        entity->draw(renderer);
    }
}
bool Level::allEnemiesDead() const {
    return true;
}
void Level::clear() {
    for (auto& entity : entities) {
        entity->destroyBody();
    }
    entities.clear();
}

#include "level/Level.h"

#include "assets/Narration.h"
#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"

#include <algorithm>
#include <iostream>

namespace {

// A bird that is no longer alive is hidden, but its body would go on
// blocking, breaking blocks and killing enemies where nobody sees it, so the
// body goes as soon as the bird stops being alive. The bird stays listed.
void retireDeadBird(Entity& entity) {
    auto* bird = dynamic_cast<Bird*>(&entity);
    if (bird != nullptr && !bird->alive && bird->body != nullptr) {
        bird->destroyBody();
    }
}

bool isFinished(const Entity& entity) {
    if (const auto* block = dynamic_cast<const Block*>(&entity)) {
        if (block->destroyed && block->body == nullptr) {
            Narration::out() << "Level::update: Removing destroyed block." << std::endl;
            return true;
        }
        return false;
    }
    if (const auto* enemy = dynamic_cast<const Enemy*>(&entity)) {
        if (enemy->health <= 0.0f && enemy->body == nullptr) {
            Narration::out() << "Level::update: Removing dead enemy." << std::endl;
            return true;
        }
    }
    return false;
}

} // namespace

void Level::update(float dt) {
    std::vector<std::shared_ptr<Entity>> pieces;
    // Indexing up to the size at the start keeps the pass on the list as it
    // was, whatever an update does.
    const std::size_t count = entities.size();
    for (std::size_t i = 0; i < count; ++i) {
        Entity& entity = *entities[i];
        entity.update(dt);
        breakIfDone(entity, pieces);
        retireDeadBird(entity);
    }

    if (!pieces.empty()) {
        entities.insert(entities.end(), pieces.begin(), pieces.end());
        Narration::out() << "Level::update: Added " << pieces.size() << " new pieces." << std::endl;
    }
    removeFinished();
}

void Level::breakIfDone(Entity& entity, std::vector<std::shared_ptr<Entity>>& pieces) {
    if (auto* block = dynamic_cast<Block*>(&entity)) {
        if (block->destroyed && block->body != nullptr) {
            Narration::out() << "Level::update: Block detected as destroyed. Breaking into pieces."
                             << std::endl;
            auto broken = block->breakIntoPieces(world);
            pieces.insert(pieces.end(), broken.begin(), broken.end());
            // The body's own world, so a level assembled by hand without a
            // world pointer is safe too.
            block->destroyBody();
            Narration::out() << "Level::update: Original block body destroyed." << std::endl;
        }
        return;
    }
    if (auto* enemy = dynamic_cast<Enemy*>(&entity)) {
        if (enemy->health <= 0.0f && enemy->body != nullptr) {
            Narration::out() << "Level::update: Enemy detected as dead. Breaking into pieces."
                             << std::endl;
            auto broken = enemy->breakIntoPieces(world);
            pieces.insert(pieces.end(), broken.begin(), broken.end());
            enemy->destroyBody();
            Narration::out() << "Level::update: Original enemy body destroyed." << std::endl;
        }
    }
}

void Level::removeFinished() {
    const std::size_t before = entities.size();
    entities.erase(
        std::remove_if(entities.begin(), entities.end(),
                       [](const std::shared_ptr<Entity>& entity) { return isFinished(*entity); }),
        entities.end());
    const std::size_t removed = before - entities.size();
    if (removed > 0) {
        Narration::out() << "Level::update: Removed " << removed << " entities." << std::endl;
    }
}

void Level::draw(Renderer& renderer) {
    for (const auto& entity : entities) {
        const auto* bird = dynamic_cast<const Bird*>(entity.get());
        if (bird != nullptr && !bird->alive) {
            continue;
        }
        entity->draw(renderer);
    }
}

bool Level::allEnemiesDead() const {
    return std::none_of(entities.begin(), entities.end(), [](const auto& entity) {
        const auto* enemy = dynamic_cast<const Enemy*>(entity.get());
        return enemy != nullptr && enemy->health > 0.0f;
    });
}

void Level::clear() {
    for (const auto& entity : entities) {
        entity->destroyBody();
    }
    entities.clear();
}

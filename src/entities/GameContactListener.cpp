#include "entities/GameContactListener.h"

#include "assets/Narration.h"
#include "assets/SoundManager.h"
#include "entities/Bird.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "entities/EnemyKinds.h"
#include "entities/EntityBody.h"
#include "entities/MaterialTable.h"
#include "entities/ParticleSystem.h"

#include <box2d/box2d.h>
#include <cstdlib>
#include <iostream>

namespace {
// Impacts at or below this leave blocks and enemies alone (birds excepted).
constexpr float IMPACT_THRESHOLD = 2.0f;
constexpr float BIRD_ON_BLOCK_DAMAGE = 5.0f;
constexpr float BLOCK_ON_BLOCK_DAMAGE = 2.0f;
constexpr float BLOCK_ON_ENEMY_DAMAGE = 2.0f;
constexpr float BLOCK_FALL_DAMAGE = 3.0f;
constexpr float ENEMY_FALL_DAMAGE = 10.0f;

template <typename Kind> Kind* as(Entity* entity) {
    return dynamic_cast<Kind*>(entity);
}

// A bird still seated on the slingshot is part of the scenery until it is
// thrown: a fixed body like the ground, never a weapon. Its contacts follow
// the rules for a body without an entity, so an enemy that rolls back into it
// takes fall damage above the threshold, as against a wall, and nothing is
// "killed by bird" that no bird was thrown at.
Entity* inPlay(Entity* entity) {
    const Bird* bird = as<Bird>(entity);
    return bird != nullptr && !bird->launched ? nullptr : entity;
}

ParticleShape debrisShape(DebrisShapeChoice choice) {
    switch (choice) {
    case DebrisShapeChoice::QuadOrTriangle:
        return static_cast<ParticleShape>((std::rand() & 1) + 1);
    case DebrisShapeChoice::AnyShape:
        return static_cast<ParticleShape>(std::rand() % 3);
    case DebrisShapeChoice::None:
        break;
    }
    return CIRCLE;
}
} // namespace

GameContactListener::GameContactListener(ParticleSystem* particles) : particles(particles) {}

void GameContactListener::PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) {
    Entity* a = inPlay(entityOf(contact->GetFixtureA()->GetBody()));
    Entity* b = inPlay(entityOf(contact->GetFixtureB()->GetBody()));
    if (a == nullptr && b == nullptr) {
        return;
    }
    // Only the first manifold point counts, whatever the others report.
    const float strength = impulse->normalImpulses[0];

    if (birdHitsBlock(a, b, strength) || birdHitsEnemy(a, b)) {
        return;
    }
    if (strength > IMPACT_THRESHOLD) {
        if (blocksCollide(a, b, strength)) {
            return;
        }
        if (as<Block>(a) != nullptr && as<Enemy>(b) != nullptr) {
            blockCrushesEnemy(as<Block>(a), as<Enemy>(b), strength);
            return;
        }
        if (as<Enemy>(a) != nullptr && as<Block>(b) != nullptr) {
            blockCrushesEnemy(as<Block>(b), as<Enemy>(a), strength);
            return;
        }
        if (blockFalls(a, b, strength) || enemyFalls(a, b, strength)) {
            return;
        }
    }
    birdTouchesGround(a, b);
}

bool GameContactListener::birdHitsBlock(Entity* a, Entity* b, float impulse) {
    Bird* bird = as<Bird>(a);
    Block* block = as<Block>(b);
    if (bird == nullptr || block == nullptr) {
        bird = as<Bird>(b);
        block = as<Block>(a);
    }
    if (bird == nullptr || block == nullptr) {
        return false;
    }
    bird->markCollided();
    if (damageBlock(*block, impulse * BIRD_ON_BLOCK_DAMAGE)) {
        const int points = materialProperties(block->material).points;
        earn(points, block->position);
        Narration::out() << "Block destroyed! +" << points << " points\n";
    }
    throwDebris(*block, impulse);
    return true;
}

bool GameContactListener::birdHitsEnemy(Entity* a, Entity* b) {
    Bird* bird = as<Bird>(a);
    Enemy* enemy = as<Enemy>(b);
    if (bird == nullptr || enemy == nullptr) {
        bird = as<Bird>(b);
        enemy = as<Enemy>(a);
    }
    if (bird == nullptr || enemy == nullptr) {
        return false;
    }
    bird->markCollided();
    if (enemy->health > 0.0f) {
        play(EnemyDeath);
        awardKill(*enemy, "killed by bird");
    }
    // A bird kills at any impact; a dead enemy simply stays at -100.
    enemy->takeDamage(enemy->health + ENEMY_OVERKILL);
    return true;
}

bool GameContactListener::blocksCollide(Entity* a, Entity* b, float impulse) {
    Block* first = as<Block>(a);
    Block* second = as<Block>(b);
    if (first == nullptr || second == nullptr) {
        return false;
    }
    playImpact(BlockHit, impulse);
    const bool firstBroke = damageBlock(*first, BLOCK_ON_BLOCK_DAMAGE * impulse);
    const bool secondBroke = damageBlock(*second, BLOCK_ON_BLOCK_DAMAGE * impulse);
    if (firstBroke) {
        earn(materialProperties(first->material).points, first->position);
    }
    if (secondBroke) {
        earn(materialProperties(second->material).points, second->position);
    }
    throwDebris(*first, impulse);
    throwDebris(*second, impulse);
    return true;
}

bool GameContactListener::blockCrushesEnemy(Block* block, Enemy* enemy, float impulse) {
    // Enemies never damage blocks: only the enemy suffers here.
    const bool killed = damageEnemy(*enemy, BLOCK_ON_ENEMY_DAMAGE * impulse);
    playImpact(EnemyHit, impulse);
    if (killed) {
        play(EnemyDeath);
        awardKill(*enemy, "crushed by block");
    }
    throwDebris(*block, impulse);
    return true;
}

bool GameContactListener::blockFalls(Entity* a, Entity* b, float impulse) {
    Block* block = nullptr;
    if (b == nullptr) {
        block = as<Block>(a);
    } else if (a == nullptr) {
        block = as<Block>(b);
    }
    if (block == nullptr) {
        return false;
    }
    if (damageBlock(*block, impulse * BLOCK_FALL_DAMAGE)) {
        const int points = materialProperties(block->material).points;
        earn(points, block->position);
        Narration::out() << "Block destroyed by fall! +" << points << " points\n";
    }
    throwDebris(*block, impulse);
    return true;
}

bool GameContactListener::enemyFalls(Entity* a, Entity* b, float impulse) {
    Enemy* enemy = nullptr;
    if (b == nullptr) {
        enemy = as<Enemy>(a);
    } else if (a == nullptr) {
        enemy = as<Enemy>(b);
    }
    if (enemy == nullptr) {
        return false;
    }
    if (damageEnemy(*enemy, impulse * ENEMY_FALL_DAMAGE)) {
        awardKill(*enemy, "fell to death");
    }
    return true;
}

void GameContactListener::birdTouchesGround(Entity* a, Entity* b) {
    if (b == nullptr) {
        if (Bird* bird = as<Bird>(a); bird != nullptr) {
            bird->markCollided();
        }
    } else if (a == nullptr) {
        if (Bird* bird = as<Bird>(b); bird != nullptr) {
            bird->markCollided();
        }
    }
}

bool GameContactListener::damageBlock(Block& block, float damage) {
    const bool wasDestroyed = block.isDestroyed();
    block.applyDamage(damage);
    return !wasDestroyed && block.isDestroyed();
}

bool GameContactListener::damageEnemy(Enemy& enemy, float damage) {
    const bool wasAlive = enemy.health > 0.0f;
    enemy.takeDamage(damage);
    return wasAlive && enemy.health <= 0.0f;
}

void GameContactListener::earn(int points, sf::Vector2f where) {
    levelScore += points;
    // A metal block is worth nothing: no "+0" over it.
    if (points != 0 && earnedSize < MAX_POINTS_EARNED) {
        earnedSpots[earnedSize] = PointsEarned{where, points};
        ++earnedSize;
    }
}

void GameContactListener::awardKill(const Enemy& enemy, const char* how) {
    const EnemyKindInfo& kind = enemyKindInfo(enemyKindOf(enemy));
    earn(kind.points, enemy.position);
    Narration::out() << kind.logName << " " << how << "! +" << kind.points << " points\n";
}

void GameContactListener::play(int sound) const {
    if (sounds.play) {
        sounds.play(sound);
    }
}

void GameContactListener::playImpact(int sound, float impulse) const {
    if (sounds.impact) {
        sounds.impact(sound, impulse);
    }
}

void GameContactListener::throwDebris(const Block& block, float impulse) {
    const DebrisProfile profile = debrisProfileFor(block.material, impulse);
    if (profile.count <= 0 || particles == nullptr) {
        return;
    }
    particles->spawn(block.position, profile.count, impulse, profile.color, profile.minSize,
                     profile.maxSize, profile.minLifetime, profile.maxLifetime, profile.spread,
                     profile.shape);
}

DebrisProfile GameContactListener::debrisProfileFor(MaterialType material, float impact) {
    const MaterialProperties& properties = materialProperties(material);
    DebrisProfile profile;
    if (properties.debrisShapes == DebrisShapeChoice::None) {
        return profile;
    }
    profile.count = debrisCountFor(impact, properties.debrisPerImpulse);
    profile.minSize = properties.debrisMinSize;
    profile.maxSize = properties.debrisMaxSize;
    profile.minLifetime = properties.debrisMinLifetime;
    profile.maxLifetime = properties.debrisMaxLifetime;
    profile.spread = properties.debrisSpread;
    profile.color = properties.debrisColor;
    profile.shape = debrisShape(properties.debrisShapes);
    return profile;
}

#pragma once

#include "entities/DebrisProfile.h"
#include "entities/MaterialType.h"

#include <box2d/b2_world_callbacks.h>

class Game;
class ParticleSystem;
class Bird;
class Block;
class Enemy;
class Entity;

// Turns the impacts the solver reports into damage, points, sounds and
// debris. It runs inside the world step, so it only changes numbers and
// flags and appends particles; bodies are removed later by their owners.
class GameContactListener : public b2ContactListener {
public:
    // Throws debris into game->particles (none when game is null).
    explicit GameContactListener(Game* game);
    // Throws debris into particles, which may be null (no debris).
    GameContactListener(Game* game, ParticleSystem* particles);

    void PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) override;

    static DebrisProfile debrisProfileFor(MaterialType material, float impact);

    Game* game;
    int levelScore = 0;

private:
    bool birdHitsBlock(Entity* a, Entity* b, float impulse);
    bool birdHitsEnemy(Entity* a, Entity* b);
    bool blocksCollide(Entity* a, Entity* b, float impulse);
    bool blockCrushesEnemy(Block* block, Enemy* enemy, float impulse);
    bool blockFalls(Entity* a, Entity* b, float impulse);
    bool enemyFalls(Entity* a, Entity* b, float impulse);
    void birdTouchesGround(Entity* a, Entity* b);

    // Damages block and returns whether that destroyed it just now.
    static bool damageBlock(Block& block, float damage);
    // Damages enemy and returns whether that killed it just now.
    static bool damageEnemy(Enemy& enemy, float damage);
    void awardKill(const Enemy& enemy, const char* how);
    void throwDebris(const Block& block, float impulse);

    ParticleSystem* particles;
};

#pragma once

#include "entities/DebrisProfile.h"
#include "entities/MaterialType.h"

#include <SFML/System/Vector2.hpp>
#include <array>
#include <box2d/b2_world_callbacks.h>
#include <cstddef>
#include <functional>

class ParticleSystem;
class Bird;
class Block;
class Enemy;
class Entity;

// Turns the impacts the solver reports into damage, points, sounds and
// debris. It runs inside the world step, so it only changes numbers and
// flags and appends particles; bodies are removed later by their owners.
// It is handed the particle system the debris goes to, and knows nothing of
// the game that owns both. Sounds only go out through its hooks: a run with
// no one to hear them leaves the hooks empty and never opens an audio device.
class GameContactListener : public b2ContactListener {
public:
    // Throws debris into particles (not owned), which may be null (no debris).
    explicit GameContactListener(ParticleSystem* particles);

    void PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) override;

    static DebrisProfile debrisProfileFor(MaterialType material, float impact);

    // Where the listener's sounds go (ids are SoundIds). Either may be empty.
    struct SoundHooks {
        // An effect at full volume.
        std::function<void(int sound)> play;
        // An impact: the hearer decides how loud an impulse sounds.
        std::function<void(int sound, float impulse)> impact;
    };
    SoundHooks sounds;

    // Points earned at one spot (field pixels), kept for the labels the game
    // shows there. Only numbers: the game drains them after each step.
    struct PointsEarned {
        sf::Vector2f position;
        int points = 0;
    };
    static constexpr std::size_t MAX_POINTS_EARNED = 32;

    // Earned since the last clearEarned(). A step that earns at more spots
    // than fit keeps the first ones: the labels are a picture, the score
    // counts them all.
    std::size_t earnedCount() const { return earnedSize; }
    const PointsEarned& earned(std::size_t index) const { return earnedSpots[index]; }
    void clearEarned() { earnedSize = 0; }

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
    // Every point of the level goes through here.
    void earn(int points, sf::Vector2f where);
    void awardKill(const Enemy& enemy, const char* how);
    void throwDebris(const Block& block, float impulse);
    void play(int sound) const;
    void playImpact(int sound, float impulse) const;

    ParticleSystem* particles;
    std::array<PointsEarned, MAX_POINTS_EARNED> earnedSpots{};
    std::size_t earnedSize = 0;
};

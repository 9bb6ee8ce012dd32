#pragma once

#include "entities/Entity.h"

#include <SFML/System/Vector2.hpp>
#include <memory>
#include <vector>

class b2Body;
class b2World;
namespace sf {
class Texture;
}

// A target. Health falls only through takeDamage (contact rules) or by
// sinking below the playing field; a dead enemy's body goes at its next update.
// The kinds' numbers are EnemyKinds'; the body's plumbing is Entity's, and
// the cutting into pieces breakBody's (EntityBody).
class Enemy : public Entity {
public:
    explicit Enemy(float health);
    ~Enemy() override = default;

    void update(float dt) override;
    void draw(Renderer& renderer) override;

    // Makes the dynamic circle body; nothing with a null world.
    void initPhysics(b2World* world, sf::Vector2f positionPx, float radiusPx);
    void takeDamage(float damage);
    bool isDead() const { return health <= 0.0f; }
    // Smaller enemies with bodies, for an enemy that still has a body and is
    // alive; none otherwise (so none in play).
    std::vector<std::shared_ptr<Entity>> breakIntoPieces(b2World* world);

    float health;
    float maxHealth;
    bool deathPending = false;
    const sf::Texture* texture = nullptr;
    float radius;
};

#pragma once

#include "entities/Entity.h"
#include "entities/MaterialType.h"

#include <SFML/System/Vector2.hpp>
#include <memory>
#include <vector>

class b2Body;
class b2World;
namespace sf {
class Texture;
}

// A rectangular building piece of one material. Damage arrives only through
// applyDamage (from the contact rules, inside the world step), so the body
// of a destroyed block is removed later, by update. The material's numbers
// are MaterialTable's; the body's plumbing is Entity's, and the cutting
// into pieces breakBody's (EntityBody).
class Block : public Entity {
public:
    Block(MaterialType material, float width, float height);

    void update(float dt) override;
    void draw(Renderer& renderer) override;

    // Makes the dynamic box body centred at positionPx; nothing with a null world.
    void initPhysics(b2World* world, sf::Vector2f positionPx, float width, float height);
    void applyDamage(float damage);
    bool isDestroyed() const { return destroyed; }
    // The texture draw uses for the current hit points (may be null).
    const sf::Texture* currentTexture() const;
    // Smaller blocks of the same material with bodies, for a block that still
    // has a body and is not destroyed; none otherwise (so none in play).
    std::vector<std::shared_ptr<Entity>> breakIntoPieces(b2World* world);

    MaterialType material;
    float hitPoints;
    float maxHitPoints;
    float density;
    bool breakable;
    bool destroyed = false;
    bool bodyRemovalPending = false;
    const sf::Texture* damagedTexture33 = nullptr;
    const sf::Texture* damagedTexture66 = nullptr;
    float width;
    float height;
    const sf::Texture* texture = nullptr;
};

#pragma once

#include "entities/Entity.h"

#include <SFML/System/Vector2.hpp>

class b2Body;
class b2World;
namespace sf {
class Texture;
}

// The projectile. Seated on the slingshot it is a static circle; launched it
// becomes an ordinary dynamic body. The plain bird has no special ability.
// Its numbers are BirdKinds'; its body's plumbing (destroy, follow, draw as
// it lies) is Entity's.
class Bird : public Entity {
public:
    Bird(int id, float density);
    ~Bird() override = default;

    void update(float dt) override;
    void draw(Renderer& renderer) override;
    // Triggered once per bird by a click while it flies.
    virtual void useSpecial();

    // Makes the static seated body at positionPx; nothing with a null world.
    void initPhysics(b2World* world, sf::Vector2f positionPx);
    // Turns the seated body dynamic with velocityMps (m/s). Once only.
    void launch(sf::Vector2f velocityMps);
    // Starts the collision timer at the bird's first contact in flight.
    void markCollided();
    // A seated bird that can still fly: not launched, alive, with its body.
    bool canLaunch() const;
    // Body velocity in pixels per second; (0, 0) without a body.
    sf::Vector2f getVelocity() const;

    int id;
    bool launched = false;
    bool specialUsed = false;
    bool alive = true;
    float density;
    bool collided = false;
    float timeSinceCollision = 0.0f;
    float radius;
    const sf::Texture* texture = nullptr;

protected:
    // The checks every special kind makes before its effect.
    bool canUseSpecial() const;
};

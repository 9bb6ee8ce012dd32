#pragma once

#include <SFML/System/Vector2.hpp>
#include <cstdint>

class Renderer;
class b2Body;
namespace sf {
class Texture;
}

// The physics world is measured in metres and everything drawn or read from a
// file in pixels. Both grow y downwards, so converting never flips an axis.
inline constexpr float PIXELS_PER_METER = 30.0f;
inline constexpr float METERS_PER_PIXEL = 1.0f / PIXELS_PER_METER;

// Collision filter categories. Birds ignore each other so that a split bird's
// children, born overlapping, do not push one another apart.
inline constexpr std::uint16_t CATEGORY_BIRD = 0x0001;
inline constexpr std::uint16_t CATEGORY_BLOCK = 0x0002;
inline constexpr std::uint16_t CATEGORY_ENEMY = 0x0004;
inline constexpr std::uint16_t CATEGORY_GROUND = 0x0008;

inline constexpr std::uint16_t MASK_BIRD = CATEGORY_BLOCK | CATEGORY_ENEMY | CATEGORY_GROUND;
inline constexpr std::uint16_t MASK_BLOCK = 0x000F;
inline constexpr std::uint16_t MASK_ENEMY = 0x000F;
inline constexpr std::uint16_t MASK_GROUND = CATEGORY_BIRD | CATEGORY_BLOCK | CATEGORY_ENEMY;

inline sf::Vector2f toPixels(float xMeters, float yMeters) {
    return {xMeters * PIXELS_PER_METER, yMeters * PIXELS_PER_METER};
}

// Anything that takes part in the simulation and is drawn in the playing
// field. Each kind owns at most one body; the body's user data points back
// here so contact callbacks can find the entity.
//
// What every kind does with its body lives here, once: destroying it,
// following it, drawing as it lies, and handing it to tools and tests
// (physicsBody). How a body is made is EntityBody's (createEntityBody), and
// how a broken body's pieces are cut is breakBody there too; the kinds keep
// only their own rules.
class Entity {
public:
    virtual ~Entity() = default;

    // Called once per playing frame, outside the world step. dt in seconds.
    virtual void update(float dt) = 0;
    virtual void draw(Renderer& renderer) = 0;
    // Destroys the body in its world (not during Step) and forgets it. A
    // second call does nothing, and so does a body whose world is gone.
    virtual void destroyBody();

    // The entity's body, owned by the world; null while it has none.
    b2Body* physicsBody() const { return body; }

    // Where and how turned the entity is drawn at `blend` between the last
    // two fixed steps (see Renderer::setStepBlend): the pose remembered
    // before the last step at 0, the one after it at 1. A body that does
    // not move by itself (a seated bird, placed by the pull), or an entity
    // with no pose remembered yet, is drawn where it is.
    struct Pose {
        sf::Vector2f position;
        float angle = 0.0f;
    };
    Pose drawnPose(float blend) const;
    // Remembers the pose as it is, before the world steps on.
    void rememberPose();

    sf::Vector2f position{0.0f, 0.0f}; // centre, screen pixels
    float angle = 0.0f;                // radians
    b2Body* body = nullptr;            // not owned: the world's

protected:
    Entity() = default;
    Entity(const Entity&) = default;
    Entity& operator=(const Entity&) = default;

    // Copies the body's place into position (pixels) and angle. Needs a body.
    void followBody();
    // Destroys the body when `pending` asks for it and clears the request;
    // true when there was a body to act on, and the kind's update is done.
    bool removeBodyIfPending(bool& pending);
    // The body's live angle, or 0 without a body: drawing turns by this.
    float drawnAngle() const;
    // texture, w x h pixels, at position, turned as the body lies; nothing
    // for a null texture.
    void drawSprite(Renderer& renderer, const sf::Texture* texture, float width,
                    float height) const;

private:
    Pose previousPose;
    bool posed = false;
};

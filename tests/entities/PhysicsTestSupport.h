#pragma once

#include "BuildPaths.h"
#include "entities/Entity.h"
#include "entities/EntityBody.h"

#include <SFML/Audio/SoundBuffer.hpp>
#include <box2d/box2d.h>
#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

// Shared helpers of the entity tests: worlds without gravity (so velocities
// stay what a test sets), bodies without an entity, and real contacts.
namespace physics_test {

inline std::unique_ptr<b2World> makeWorld(b2Vec2 gravity = b2Vec2(0.0f, 0.0f)) {
    return std::make_unique<b2World>(gravity);
}

// A body whose user data is 0, like the game's ground.
inline b2Body* makeGround(b2World& world, sf::Vector2f centrePx, float widthPx, float heightPx) {
    b2BodyDef def;
    def.type = b2_staticBody;
    def.position.Set(centrePx.x * METERS_PER_PIXEL, centrePx.y * METERS_PER_PIXEL);
    b2Body* body = world.CreateBody(&def);
    b2PolygonShape box;
    box.SetAsBox(widthPx * 0.5f / PIXELS_PER_METER, heightPx * 0.5f / PIXELS_PER_METER);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.filter.categoryBits = CATEGORY_GROUND;
    fixture.filter.maskBits = MASK_GROUND;
    body->CreateFixture(&fixture);
    return body;
}

// Lets the world find its touching contacts without moving anything.
inline void findContacts(b2World& world) {
    world.Step(0.0f, 8, 3);
}

// The touching contact between the two bodies, or null.
inline b2Contact* contactBetween(b2World& world, const b2Body* first, const b2Body* second) {
    for (b2Contact* contact = world.GetContactList(); contact != nullptr;
         contact = contact->GetNext()) {
        const b2Body* a = contact->GetFixtureA()->GetBody();
        const b2Body* b = contact->GetFixtureB()->GetBody();
        if (contact->IsTouching() && ((a == first && b == second) || (a == second && b == first))) {
            return contact;
        }
    }
    return nullptr;
}

inline b2ContactImpulse impulseOf(float first, float second = 0.0f, int count = 1) {
    b2ContactImpulse impulse{};
    impulse.normalImpulses[0] = first;
    impulse.normalImpulses[1] = second;
    impulse.count = count;
    return impulse;
}

// A file the test made, removed when it goes out of scope: a sound is
// decoded into its buffer on loading, so the file is not needed after that.
struct TemporaryWav {
    std::string path;
    explicit TemporaryWav(std::string path) : path(std::move(path)) {}
    TemporaryWav(TemporaryWav&& other) noexcept : path(std::move(other.path)) {
        other.path.clear();
    }
    ~TemporaryWav() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    TemporaryWav(const TemporaryWav&) = delete;
    TemporaryWav& operator=(const TemporaryWav&) = delete;
    TemporaryWav& operator=(TemporaryWav&&) = delete;
};

// A silent mono WAV of the given length in a temporary file.
inline TemporaryWav writeSilentWav(const std::string& name, float seconds) {
    const unsigned int rate = 8000;
    std::vector<sf::Int16> samples(static_cast<std::size_t>(seconds * rate), 0);
    sf::SoundBuffer buffer;
    buffer.loadFromSamples(samples.data(), samples.size(), 1, rate);
    // Tests run as parallel processes, often with the same fixture: the file
    // name carries the process id so that no two of them share one.
    TemporaryWav wav(std::string(VOLLARIN_BINARY_DIR) + "/" + std::to_string(::getpid()) + "_" +
                     name);
    buffer.saveToFile(wav.path);
    return wav;
}

} // namespace physics_test

#include "core/SimulationFingerprint.h"

#include "core/Attempt.h"
#include "entities/Entity.h"

#include <bit>
#include <box2d/box2d.h>
#include <cmath>

namespace {
constexpr int RUN_STEPS = 240;
constexpr int TOWER_HEIGHT = 6;

class Hasher {
public:
    void add(std::uint64_t value) {
        for (int i = 0; i < 8; ++i) {
            hash ^= (value >> (8 * i)) & 0xFFu;
            hash *= 0x100000001b3ull;
        }
    }
    void add(float value) { add(static_cast<std::uint64_t>(std::bit_cast<std::uint32_t>(value))); }
    std::uint64_t value() const { return hash; }

private:
    std::uint64_t hash = 0xcbf29ce484222325ull;
};

b2Body* addBox(b2World& world, float x, float y, float halfWidth, float halfHeight,
               b2BodyType type) {
    b2BodyDef def;
    def.type = type;
    def.position.Set(x, y);
    b2Body* body = world.CreateBody(&def);
    b2PolygonShape shape;
    shape.SetAsBox(halfWidth, halfHeight);
    body->CreateFixture(&shape, 1.0f)->SetFriction(0.5f);
    return body;
}
} // namespace

std::uint64_t SimulationFingerprint::compute() {
    Hasher hasher;
    hasher.add(Attempt::STEP_SECONDS);
    hasher.add(static_cast<std::uint64_t>(Attempt::VELOCITY_ITERATIONS));
    hasher.add(static_cast<std::uint64_t>(Attempt::POSITION_ITERATIONS));
    hasher.add(Attempt::GRAVITY_MPS2);
    hasher.add(Attempt::LAUNCH_FACTOR);
    hasher.add(METERS_PER_PIXEL);

    // A tower of boxes struck by a ball: stacking, friction, restitution,
    // sleeping and the contact solver all take part.
    b2World world(b2Vec2(0.0f, Attempt::GRAVITY_MPS2));
    addBox(world, 0.0f, 10.0f, 50.0f, 0.5f, b2_staticBody);
    for (int i = 0; i < TOWER_HEIGHT; ++i) {
        addBox(world, 8.0f + 0.01f * static_cast<float>(i), 9.0f - static_cast<float>(i) * 1.01f,
               0.5f, 0.5f, b2_dynamicBody);
    }
    b2BodyDef ballDef;
    ballDef.type = b2_dynamicBody;
    ballDef.position.Set(0.0f, 5.0f);
    ballDef.bullet = true;
    b2Body* ball = world.CreateBody(&ballDef);
    b2CircleShape circle;
    circle.m_radius = 0.4f;
    b2FixtureDef fixture;
    fixture.shape = &circle;
    fixture.density = 3.0f;
    fixture.restitution = 0.3f;
    ball->CreateFixture(&fixture);
    ball->SetLinearVelocity(b2Vec2(14.0f, -3.0f));

    for (int step = 0; step < RUN_STEPS; ++step) {
        world.Step(Attempt::STEP_SECONDS, Attempt::VELOCITY_ITERATIONS,
                   Attempt::POSITION_ITERATIONS);
    }
    for (const b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        hasher.add(body->GetPosition().x);
        hasher.add(body->GetPosition().y);
        hasher.add(body->GetAngle());
        hasher.add(body->GetLinearVelocity().x);
        hasher.add(body->GetLinearVelocity().y);
        hasher.add(body->GetAngularVelocity());
    }
    // The library maths the rules lean on, at awkward arguments.
    for (int i = 1; i <= 16; ++i) {
        const float x = 0.37f * static_cast<float>(i);
        hasher.add(std::sqrt(x));
        hasher.add(std::sin(x));
        hasher.add(std::cos(x));
        hasher.add(std::atan2(x, 1.7f));
        hasher.add(std::pow(x, 1.3f));
        hasher.add(std::exp(-x));
    }
    return hasher.value();
}

std::uint64_t SimulationFingerprint::ofThisBuild() {
    static const std::uint64_t fingerprint = compute();
    return fingerprint;
}

#include "entities/ExplosionBurst.h"

#include "assets/SharedConstants.h"
#include "entities/BirdKinds.h"
#include "entities/Entity.h"
#include "entities/ParticleSystem.h"

#include <SFML/Graphics/Color.hpp>
#include <algorithm>

namespace {
constexpr float FULL_TURN = 2.0f * PI;
// The particles' own speed model: (50..150 px/s) x (1 + intensity / 10).
constexpr float FASTEST_BASE_SPEED = 150.0f;
constexpr float SPEEDUP_PER_INTENSITY = 0.1f;

// One layer of the blast, sized in fractions of its reach.
struct Layer {
    int count;
    float travel; // how far the fastest particle flies, in reaches
    float minSize;
    float maxSize;
    float minLifetime;
    float maxLifetime;
    sf::Color color;
};

// Drawn in this order: smoke behind, the white-hot core, the fireball that
// fills the reach over it, and sparks flying to the reach's edge. Even the
// slowest particles fly at 50..150 px/s, so no layer lives long enough to
// overshoot a small reach.
const Layer SMOKE{30, 0.6f, 0.10f, 0.20f, 0.4f, 0.7f, sf::Color(70, 70, 70)};
const Layer FLASH{8, 0.2f, 0.20f, 0.30f, 0.12f, 0.22f, sf::Color(255, 250, 210)};
const Layer FIRE{80, 1.0f, 0.08f, 0.16f, 0.3f, 0.5f, sf::Color(255, 140, 0)};
const Layer SPARKS{30, 1.2f, 0.02f, 0.04f, 0.2f, 0.35f, sf::Color(255, 240, 150)};

// The intensity that makes the fastest particle of a layer, living its
// longest, fly `distance` pixels; never below the base speed.
float intensityFor(float distance, float longestLife) {
    const float fastest = distance / longestLife;
    return std::max(0.0f, (fastest / FASTEST_BASE_SPEED - 1.0f) / SPEEDUP_PER_INTENSITY);
}
} // namespace

void ExplosionBurst::emit(ParticleSystem& particles, sf::Vector2f centre) {
    emit(particles, centre, EXPLOSION_RADIUS * PIXELS_PER_METER);
}

void ExplosionBurst::emit(ParticleSystem& particles, sf::Vector2f centre, float reachPx) {
    const float reach = std::max(reachPx, 1.0f);
    for (const Layer& layer : {SMOKE, FLASH, FIRE, SPARKS}) {
        particles.spawn(centre, layer.count, intensityFor(layer.travel * reach, layer.maxLifetime),
                        layer.color, layer.minSize * reach, layer.maxSize * reach,
                        layer.minLifetime, layer.maxLifetime, FULL_TURN, CIRCLE);
    }
}

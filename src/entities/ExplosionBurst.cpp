#include "entities/ExplosionBurst.h"

#include "assets/SharedConstants.h"
#include "entities/ParticleSystem.h"

#include <SFML/Graphics/Color.hpp>

namespace {
constexpr float FULL_TURN = 2.0f * PI;

struct Burst {
    int count;
    float intensity; // speeds of (50..150 px/s) x (1 + intensity / 10)
    sf::Color color;
    float minSize;
    float maxSize;
    float minLifetime;
    float maxLifetime;
};

// Fire reaches out to about the blast's 90 px radius in under half a second;
// hot sparks fly further and die sooner; smoke lingers nearer the centre.
const Burst FIRE{40, 10.0f, sf::Color(255, 140, 0), 3.0f, 6.0f, 0.25f, 0.45f};
const Burst SPARKS{25, 14.0f, sf::Color(255, 240, 150), 1.5f, 3.0f, 0.15f, 0.3f};
const Burst SMOKE{20, 3.0f, sf::Color(70, 70, 70), 4.0f, 8.0f, 0.4f, 0.7f};
} // namespace

void ExplosionBurst::emit(ParticleSystem& particles, sf::Vector2f centre) {
    for (const Burst& burst : {SMOKE, FIRE, SPARKS}) {
        particles.spawn(centre, burst.count, burst.intensity, burst.color, burst.minSize,
                        burst.maxSize, burst.minLifetime, burst.maxLifetime, FULL_TURN, CIRCLE);
    }
}

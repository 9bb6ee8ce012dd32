#include "entities/ParticleSystem.h"

#include "assets/Renderer.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>

namespace {
constexpr float MIN_SPEED = 50.0f;    // pixels per second
constexpr float SPEED_RANGE = 100.0f; // pixels per second
constexpr float INTENSITY_SPEEDUP = 0.1f;

// A float in [0, 1) from the engine's top 24 bits.
float unitFloat(std::mt19937& engine) {
    return static_cast<float>(engine() >> 8) * (1.0f / 16777216.0f);
}

const char* shapeWord(ParticleShape shape) {
    switch (shape) {
    case CIRCLE:
        return "CIRCLE";
    case QUADRANGLE:
        return "QUADRANGLE";
    case TRIANGLE:
        return "TRIANGLE";
    }
    return "";
}
} // namespace

ParticleSystem::ParticleSystem() : ParticleSystem(SeedSource{}) {}

ParticleSystem::ParticleSystem(SeedSource source) : seedSource(std::move(source)) {
    if (!seedSource) {
        seedSource = [] { return static_cast<std::uint32_t>(std::random_device{}()); };
    }
}

void ParticleSystem::spawn(const sf::Vector2f& position, int count, float intensity,
                           sf::Color color, float minSize, float maxSize, float minLifetime,
                           float maxLifetime, float spread, ParticleShape shape) {
    std::cout << shapeWord(shape) << std::endl;
    std::mt19937 engine(seedSource());
    const std::size_t room = MAX_PARTICLES - std::min(particles.size(), MAX_PARTICLES);
    const std::size_t chips = std::min({static_cast<std::size_t>(std::max(count, 0)),
                                        static_cast<std::size_t>(MAX_BURST_PARTICLES), room});
    if (chips == 0) {
        return;
    }
    // Impulses are finite and positive in play; anything else flies at the
    // base speed rather than at infinity.
    const float impact = std::isfinite(intensity) && intensity > 0.0f ? intensity : 0.0f;
    const float speedScale = impact * INTENSITY_SPEEDUP + 1.0f;
    particles.reserve(particles.size() + chips);
    for (std::size_t i = 0; i < chips; ++i) {
        const float direction = -spread / 2.0f + unitFloat(engine) * spread;
        const float speed = (unitFloat(engine) * SPEED_RANGE + MIN_SPEED) * speedScale;
        const float lifetime = minLifetime + unitFloat(engine) * (maxLifetime - minLifetime);
        const float size = minSize + unitFloat(engine) * (maxSize - minSize);

        Particle particle;
        particle.position = position;
        particle.velocity = {std::cos(direction) * speed, std::sin(direction) * speed};
        particle.lifetime = lifetime;
        particle.maxLifetime = lifetime;
        particle.color = color;
        particle.size = size;
        particle.shape = shape;
        particles.push_back(particle);
    }
}

void ParticleSystem::update(float dt) {
    for (Particle& particle : particles) {
        if (particle.lifetime <= 0.0f) {
            continue;
        }
        particle.lifetime -= dt;
        particle.position += particle.velocity * dt;
        const float alpha = std::max(0.0f, particle.lifetime / particle.maxLifetime * 255.0f);
        particle.color.a = static_cast<sf::Uint8>(alpha);
    }
    particles.erase(
        std::remove_if(particles.begin(), particles.end(),
                       [](const Particle& particle) { return particle.lifetime <= 0.0f; }),
        particles.end());
}

void ParticleSystem::draw(Renderer& renderer) {
    for (const Particle& particle : particles) {
        if (particle.lifetime <= 0.0f) {
            continue;
        }
        switch (particle.shape) {
        case CIRCLE:
            renderer.drawCircle(particle.position, particle.size, particle.color);
            break;
        case QUADRANGLE:
            renderer.drawQuad(particle.position, 2.0f * particle.size, particle.color, 0.0f);
            break;
        case TRIANGLE:
            renderer.drawTriangle(particle.position, 2.0f * particle.size, particle.color, 0.0f);
            break;
        }
    }
}

#include "entities/ParticleSystem.h"

#include "assets/Narration.h"
#include "assets/Renderer.h"

#include <SFML/Graphics/CircleShape.hpp>
#include <SFML/Graphics/ConvexShape.hpp>
#include <SFML/Graphics/Vertex.hpp>
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

// A convex shape as a fan of triangles in its placed (transformed) position.
void appendTriangles(std::vector<sf::Vertex>& triangles, const sf::Shape& shape) {
    const sf::Transform& transform = shape.getTransform();
    const std::size_t count = shape.getPointCount();
    const sf::Color color = shape.getFillColor();
    if (count < 3) {
        return;
    }
    const sf::Vector2f first = transform.transformPoint(shape.getPoint(0));
    for (std::size_t i = 1; i + 1 < count; ++i) {
        triangles.emplace_back(first, color);
        triangles.emplace_back(transform.transformPoint(shape.getPoint(i)), color);
        triangles.emplace_back(transform.transformPoint(shape.getPoint(i + 1)), color);
    }
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
    Narration::out() << shapeWord(shape) << std::endl;
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
    // Hundreds of chips in a collapse: one batch of triangles instead of a
    // draw call each, with the very shapes the single-shape helpers build.
    std::vector<sf::Vertex> triangles;
    triangles.reserve(particles.size() * 3 * 28);
    sf::CircleShape circle;
    sf::ConvexShape chip;
    for (const Particle& particle : particles) {
        if (particle.lifetime <= 0.0f) {
            continue;
        }
        switch (particle.shape) {
        case CIRCLE:
            Renderer::buildCircle(circle, particle.position, particle.size, particle.color);
            appendTriangles(triangles, circle);
            break;
        case QUADRANGLE:
            Renderer::buildQuad(chip, particle.position, 2.0f * particle.size, particle.color,
                                0.0f);
            appendTriangles(triangles, chip);
            break;
        case TRIANGLE:
            Renderer::buildTriangle(chip, particle.position, 2.0f * particle.size, particle.color,
                                    0.0f);
            appendTriangles(triangles, chip);
            break;
        }
    }
    renderer.drawTriangles(triangles);
}

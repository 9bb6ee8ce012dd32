#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/System/Vector2.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

class Renderer;

enum ParticleShape { CIRCLE = 0, QUADRANGLE = 1, TRIANGLE = 2 };

// One debris chip: purely visual, no body, no gravity; it flies straight and
// fades out over its lifetime.
struct Particle {
    sf::Vector2f position; // centre, world pixels
    sf::Vector2f velocity; // pixels per second
    float lifetime = 0.0f; // seconds left; live while above 0
    float maxLifetime = 0.0f;
    sf::Color color;
    float size = 0.0f; // a circle's radius, half the extent of the other shapes
    ParticleShape shape = CIRCLE;
};

// The debris chips thrown by struck blocks, held by value in creation order.
class ParticleSystem {
public:
    // Supplies the seed of each burst's engine.
    using SeedSource = std::function<std::uint32_t()>;

    // However hard the impact, one burst adds at most MAX_BURST_PARTICLES
    // chips, and the system never holds more than MAX_PARTICLES: a runaway
    // impulse must neither stall the frame nor exhaust memory. A bird at full
    // pull into glass throws about 150.
    static constexpr int MAX_BURST_PARTICLES = 256;
    static constexpr std::size_t MAX_PARTICLES = 8192;

    // Seeds every burst from std::random_device.
    ParticleSystem();
    // Seeds every burst from seedSource (tests make bursts repeatable).
    explicit ParticleSystem(SeedSource seedSource);

    // Appends count chips (within the limits above) fanning out around +x
    // from position. Only appends, so it is safe inside the world step's
    // contact callback.
    void spawn(const sf::Vector2f& position, int count, float intensity, sf::Color color,
               float minSize, float maxSize, float minLifetime, float maxLifetime, float spread,
               ParticleShape shape);
    // Moves and fades the live chips, then drops the spent ones in one
    // stable pass.
    void update(float dt);
    void draw(Renderer& renderer);

    std::vector<Particle> particles;

private:
    SeedSource seedSource;
};

#pragma once

#include <SFML/Graphics/Color.hpp>
#include <SFML/System/Vector2.hpp>
#include <vector>

class Renderer;

enum ParticleShape { CIRCLE = 0, QUADRANGLE = 1, TRIANGLE = 2 };

struct Particle {
    sf::Vector2f position;
    sf::Vector2f velocity;
    float lifetime = 0.0f;
    float maxLifetime = 0.0f;
    sf::Color color;
    float size = 0.0f;
    ParticleShape shape = CIRCLE;
};

// Placeholder until the debris system lands.
class ParticleSystem {
public:
    void spawn(const sf::Vector2f& position, int count, float intensity, sf::Color color,
               float minSize, float maxSize, float minLifetime, float maxLifetime, float spread,
               ParticleShape shape);
    void update(float dt);
    void draw(Renderer& renderer);

    std::vector<Particle> particles;
};

#pragma once

#include <SFML/System/Vector2.hpp>

class ParticleSystem;

// What the player sees of an explosion bird's blast: a quick ring of fire and
// smoke thrown out in every direction from where it went off. Purely
// cosmetic, made of debris particles, so it moves and fades with the frame.
class ExplosionBurst {
public:
    static void emit(ParticleSystem& particles, sf::Vector2f centre);
};

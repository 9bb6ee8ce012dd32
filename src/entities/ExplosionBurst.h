#pragma once

#include <SFML/System/Vector2.hpp>

class ParticleSystem;

// What the player sees of an explosion bird's blast: a flash at the centre,
// a ball of fire that fills the blast's reach, sparks flying to its edge and
// smoke left behind. Purely cosmetic, made of debris particles, so it moves
// and fades with the frame. Its size follows the reach it is given, so what
// the player sees matches what the blast can hit.
class ExplosionBurst {
public:
    // At the explosion bird's own reach.
    static void emit(ParticleSystem& particles, sf::Vector2f centre);
    // At a reach of reachPx field pixels (positive).
    static void emit(ParticleSystem& particles, sf::Vector2f centre, float reachPx);
};

#include "entities/ParticleSystem.h"

void ParticleSystem::spawn(const sf::Vector2f&, int, float, sf::Color, float, float, float, float,
                           float, ParticleShape) {}
void ParticleSystem::update(float) {}
void ParticleSystem::draw(Renderer&) {}

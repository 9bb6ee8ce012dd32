#include "entities/Enemy.h"

#include "assets/Narration.h"
#include "assets/SharedConstants.h"
#include "entities/EnemyKinds.h"
#include "entities/EntityBody.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <iostream>

namespace {
constexpr float MIN_PIECE_RADIUS = 2.0f; // pixels
} // namespace

Enemy::Enemy(float health) : health(health), maxHealth(health), radius(ENEMY_CONSTRUCTED_RADIUS) {}

void Enemy::initPhysics(b2World* world, sf::Vector2f positionPx, float radiusPx) {
    if (world == nullptr) {
        return;
    }
    radius = radiusPx;
    EntityBodyDef def;
    def.type = b2_dynamicBody;
    def.positionPx = positionPx;
    def.circleRadiusPx = radiusPx;
    def.density = ENEMY_DENSITY;
    def.friction = ENEMY_FRICTION;
    def.restitution = ENEMY_RESTITUTION;
    def.categoryBits = CATEGORY_ENEMY;
    def.maskBits = MASK_ENEMY;
    body = createEntityBody(world, this, def);
}

void Enemy::takeDamage(float damage) {
    health -= damage;
    if (health <= 0.0f) {
        deathPending = true;
    }
}

void Enemy::update(float /*dt*/) {
    if (removeBodyIfPending(deathPending)) {
        return;
    }
    if (body == nullptr || health <= 0.0f) {
        return;
    }
    followBody();
    if (position.y > ENEMY_FALL_LINE_Y) {
        // The level destroys the body right after this update.
        takeDamage(health + ENEMY_OVERKILL);
        Narration::out() << "Enemy fell off screen and died!\n";
    }
}

void Enemy::draw(Renderer& renderer) {
    if (health <= 0.0f || body == nullptr || texture == nullptr) {
        return;
    }
    drawSprite(renderer, texture, 2.0f * radius, 2.0f * radius);
}

std::vector<std::shared_ptr<Entity>> Enemy::breakIntoPieces(b2World* world) {
    if (world == nullptr || body == nullptr || health <= 0.0f) {
        return {};
    }
    float fullRadius = radius;
    if (const b2Fixture* fixture = body->GetFixtureList(); fixture != nullptr) {
        fullRadius = fixture->GetShape()->m_radius * PIXELS_PER_METER;
    }

    // Every piece but the last takes a random share of the radius; the last
    // is a circle of what area is left. They share the health out evenly.
    float remainingArea = PI * fullRadius * fullRadius;
    return breakBody(*body, position, fullRadius, [&](PieceCut& cut) {
        float pieceRadius = 0.0f;
        if (!cut.isLast()) {
            pieceRadius = fullRadius * cut.sizeShare();
            remainingArea -= PI * pieceRadius * pieceRadius;
        } else {
            pieceRadius = remainingArea > 0.0f ? std::sqrt(remainingArea / PI) : MIN_PIECE_RADIUS;
        }
        pieceRadius = std::max(pieceRadius, MIN_PIECE_RADIUS);
        auto piece = std::make_shared<Enemy>(maxHealth / static_cast<float>(cut.count));
        piece->initPhysics(world, cut.centre(), pieceRadius);
        return piece;
    });
}

#include "entities/Enemy.h"

#include "assets/Renderer.h"
#include "entities/EnemyKinds.h"
#include "entities/EntityBody.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <iostream>
#include <random>

namespace {
constexpr float PI = 3.1415927f;
constexpr int MIN_PIECES = 2;
constexpr int MAX_PIECES = 6;
constexpr float MIN_PIECE_SHARE = 0.2f;
constexpr float MAX_PIECE_SHARE = 0.8f;
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
    if (deathPending && body != nullptr) {
        if (b2World* world = body->GetWorld(); world != nullptr) {
            world->DestroyBody(body);
            body = nullptr;
        }
        deathPending = false;
        return;
    }
    if (body == nullptr || health <= 0.0f) {
        return;
    }
    const b2Vec2 bodyPosition = body->GetPosition();
    position = toPixels(bodyPosition.x, bodyPosition.y);
    angle = body->GetAngle();
    if (position.y > ENEMY_FALL_LINE_Y) {
        // The level destroys the body right after this update.
        takeDamage(health + ENEMY_OVERKILL);
        std::cout << "Enemy fell off screen and died!\n";
    }
}

void Enemy::draw(Renderer& renderer) {
    if (health <= 0.0f || body == nullptr || texture == nullptr) {
        return;
    }
    renderer.drawSprite(texture, position, 2.0f * radius, 2.0f * radius, body->GetAngle(),
                        sf::Color::White);
}

void Enemy::destroyBody() {
    if (body == nullptr) {
        return;
    }
    body->GetWorld()->DestroyBody(body);
    body = nullptr;
}

std::vector<std::shared_ptr<Entity>> Enemy::breakIntoPieces(b2World* world) {
    std::vector<std::shared_ptr<Entity>> pieces;
    if (world == nullptr || body == nullptr || health <= 0.0f) {
        return pieces;
    }
    const float bodyAngle = body->GetAngle();
    float fullRadius = radius;
    if (const b2Fixture* fixture = body->GetFixtureList(); fixture != nullptr) {
        fullRadius = fixture->GetShape()->m_radius * PIXELS_PER_METER;
    }

    std::mt19937 engine(std::random_device{}());
    const int count = std::uniform_int_distribution<int>(MIN_PIECES, MAX_PIECES)(engine);
    std::uniform_real_distribution<float> share(MIN_PIECE_SHARE, MAX_PIECE_SHARE);
    std::uniform_real_distribution<float> offset(-fullRadius / 4.0f, fullRadius / 4.0f);
    float remainingArea = PI * fullRadius * fullRadius;
    const float pieceHealth = maxHealth / static_cast<float>(count);

    for (int i = 0; i < count; ++i) {
        float pieceRadius = 0.0f;
        if (i + 1 < count) {
            pieceRadius = fullRadius * share(engine);
            remainingArea -= PI * pieceRadius * pieceRadius;
        } else {
            pieceRadius = remainingArea > 0.0f ? std::sqrt(remainingArea / PI) : MIN_PIECE_RADIUS;
        }
        pieceRadius = std::max(pieceRadius, MIN_PIECE_RADIUS);
        const sf::Vector2f centre(position.x + offset(engine), position.y + offset(engine));

        auto piece = std::make_shared<Enemy>(pieceHealth);
        piece->initPhysics(world, centre, pieceRadius);
        sendPieceFlying(piece->body, *body, centre, bodyAngle);
        pieces.push_back(piece);
    }
    return pieces;
}

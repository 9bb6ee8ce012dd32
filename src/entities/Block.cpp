#include "entities/Block.h"

#include "assets/Renderer.h"
#include "assets/ResourceManager.h"
#include "entities/EntityBody.h"
#include "entities/MaterialTable.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <iostream>
#include <random>
#include <string>

namespace {
// Damage textures switch at these shares of the maximum hit points.
constexpr float HEAVY_DAMAGE_SHARE = 0.33f;
constexpr float LIGHT_DAMAGE_SHARE = 0.66f;

constexpr int MIN_PIECES = 2;
constexpr int MAX_PIECES = 6;
constexpr float MIN_PIECE_SHARE = 0.2f;
constexpr float MAX_PIECE_SHARE = 0.8f;
constexpr float MIN_PIECE_SIDE = 5.0f; // pixels

const sf::Texture* damageTexture(const char* suffix, float width, float height, const char* level) {
    const std::string sizeWord = width > height ? "long" : "tall";
    return ResourceManager::getInstance().getTexture(sizeWord + "_" + suffix + "_" + level);
}

} // namespace

Block::Block(MaterialType material, float width, float height)
    : material(material), hitPoints(materialProperties(material).hitPoints),
      maxHitPoints(hitPoints), density(materialProperties(material).density),
      breakable(materialProperties(material).breakable), width(width), height(height) {
    if (const char* suffix = materialProperties(material).damageSuffix; suffix != nullptr) {
        damagedTexture33 = damageTexture(suffix, width, height, "33");
        damagedTexture66 = damageTexture(suffix, width, height, "66");
    }
}

void Block::initPhysics(b2World* world, sf::Vector2f positionPx, float bodyWidth,
                        float bodyHeight) {
    if (world == nullptr) {
        return;
    }
    if (bodyWidth != width || bodyHeight != height) {
        std::cerr << "Warning: Block dimensions mismatch between constructor and initPhysics."
                  << std::endl;
    }
    EntityBodyDef def;
    def.type = b2_dynamicBody;
    def.positionPx = positionPx;
    def.boxWidthPx = bodyWidth;
    def.boxHeightPx = bodyHeight;
    def.density = density;
    def.friction = BLOCK_FRICTION;
    def.restitution = materialProperties(material).restitution;
    def.categoryBits = CATEGORY_BLOCK;
    def.maskBits = MASK_BLOCK;
    body = createEntityBody(world, this, def);
}

void Block::applyDamage(float damage) {
    if (!breakable) {
        return;
    }
    hitPoints -= damage;
    std::cout << "Block::applyDamage: Damage applied: " << damage
              << ", current hitpoints: " << hitPoints << std::endl
              << std::flush;
    if (hitPoints <= 0.0f) {
        destroyed = true;
        bodyRemovalPending = true;
        std::cout << "Block::applyDamage: Block destroyed!" << std::endl << std::flush;
    }
}

void Block::update(float /*dt*/) {
    if (bodyRemovalPending && body != nullptr) {
        destroyBody();
        bodyRemovalPending = false;
        return;
    }
    if (body != nullptr && !destroyed) {
        const b2Vec2 bodyPosition = body->GetPosition();
        position = toPixels(bodyPosition.x, bodyPosition.y);
        angle = body->GetAngle();
    }
}

const sf::Texture* Block::currentTexture() const {
    if (hitPoints <= HEAVY_DAMAGE_SHARE * maxHitPoints && damagedTexture66 != nullptr) {
        return damagedTexture66;
    }
    if (hitPoints <= LIGHT_DAMAGE_SHARE * maxHitPoints && damagedTexture33 != nullptr) {
        return damagedTexture33;
    }
    return texture;
}

void Block::draw(Renderer& renderer) {
    if (destroyed || texture == nullptr) {
        return;
    }
    const float rotation = body != nullptr ? body->GetAngle() : 0.0f;
    renderer.drawSprite(currentTexture(), position, width, height, rotation, sf::Color::White);
}

void Block::destroyBody() {
    if (body == nullptr) {
        return;
    }
    body->GetWorld()->DestroyBody(body);
    body = nullptr;
}

std::vector<std::shared_ptr<Entity>> Block::breakIntoPieces(b2World* world) {
    std::vector<std::shared_ptr<Entity>> pieces;
    if (world == nullptr || body == nullptr || destroyed) {
        return pieces;
    }
    const float bodyAngle = body->GetAngle();
    float fullWidth = width;
    float fullHeight = height;
    if (const b2Fixture* fixture = body->GetFixtureList(); fixture != nullptr) {
        // The box's own extents, unrotated (the skin radius is not part of them).
        if (const auto* polygon = dynamic_cast<const b2PolygonShape*>(fixture->GetShape())) {
            float maxX = 0.0f;
            float maxY = 0.0f;
            for (int i = 0; i < polygon->m_count; ++i) {
                maxX = std::max(maxX, std::abs(polygon->m_vertices[i].x));
                maxY = std::max(maxY, std::abs(polygon->m_vertices[i].y));
            }
            fullWidth = 2.0f * maxX * PIXELS_PER_METER;
            fullHeight = 2.0f * maxY * PIXELS_PER_METER;
        }
    }

    std::mt19937 engine(std::random_device{}());
    const int count = std::uniform_int_distribution<int>(MIN_PIECES, MAX_PIECES)(engine);
    std::uniform_real_distribution<float> share(MIN_PIECE_SHARE, MAX_PIECE_SHARE);
    std::uniform_real_distribution<float> offset(-fullWidth / 4.0f, fullWidth / 4.0f);
    float remainingArea = fullWidth * fullHeight;

    for (int i = 0; i < count; ++i) {
        float pieceWidth = 0.0f;
        float pieceHeight = 0.0f;
        if (i + 1 < count) {
            pieceWidth = fullWidth * share(engine);
            pieceHeight = fullHeight * share(engine);
            remainingArea -= pieceWidth * pieceHeight;
        } else {
            pieceWidth = remainingArea > 0.0f ? std::sqrt(remainingArea) : MIN_PIECE_SIDE;
            pieceHeight = pieceWidth;
        }
        pieceWidth = std::max(pieceWidth, MIN_PIECE_SIDE);
        pieceHeight = std::max(pieceHeight, MIN_PIECE_SIDE);
        const sf::Vector2f centre(position.x + offset(engine), position.y + offset(engine));

        auto piece = std::make_shared<Block>(material, pieceWidth, pieceHeight);
        piece->initPhysics(world, centre, pieceWidth, pieceHeight);
        sendPieceFlying(piece->body, *body, centre, bodyAngle);
        pieces.push_back(piece);
    }
    return pieces;
}

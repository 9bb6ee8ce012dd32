#include "entities/Block.h"

#include "assets/Narration.h"
#include "assets/ResourceManager.h"
#include "entities/EntityBody.h"
#include "entities/MaterialTable.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <iostream>
#include <string>

namespace {
// Damage textures switch at these shares of the maximum hit points.
constexpr float HEAVY_DAMAGE_SHARE = 0.33f;
constexpr float LIGHT_DAMAGE_SHARE = 0.66f;
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
        Narration::err()
            << "Warning: Block dimensions mismatch between constructor and initPhysics."
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
    Narration::out() << "Block::applyDamage: Damage applied: " << damage
                     << ", current hitpoints: " << hitPoints << std::endl
                     << std::flush;
    if (hitPoints <= 0.0f) {
        destroyed = true;
        bodyRemovalPending = true;
        Narration::out() << "Block::applyDamage: Block destroyed!" << std::endl << std::flush;
    }
}

void Block::update(float /*dt*/) {
    if (removeBodyIfPending(bodyRemovalPending)) {
        return;
    }
    if (body != nullptr && !destroyed) {
        followBody();
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
    drawSprite(renderer, currentTexture(), width, height);
}

std::vector<std::shared_ptr<Entity>> Block::breakIntoPieces(b2World* world) {
    if (world == nullptr || body == nullptr || destroyed) {
        return {};
    }
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

    // Every piece but the last takes a random share of each side; the last
    // is the square of what area is left.
    float remainingArea = fullWidth * fullHeight;
    return breakBody(*body, position, fullWidth, [&](PieceCut& cut) {
        float pieceWidth = 0.0f;
        float pieceHeight = 0.0f;
        if (!cut.isLast()) {
            pieceWidth = fullWidth * cut.sizeShare();
            pieceHeight = fullHeight * cut.sizeShare();
            remainingArea -= pieceWidth * pieceHeight;
        } else {
            pieceWidth = remainingArea > 0.0f ? std::sqrt(remainingArea) : MIN_PIECE_SIDE;
            pieceHeight = pieceWidth;
        }
        pieceWidth = std::max(pieceWidth, MIN_PIECE_SIDE);
        pieceHeight = std::max(pieceHeight, MIN_PIECE_SIDE);
        auto piece = std::make_shared<Block>(material, pieceWidth, pieceHeight);
        piece->initPhysics(world, cut.centre(), pieceWidth, pieceHeight);
        return piece;
    });
}

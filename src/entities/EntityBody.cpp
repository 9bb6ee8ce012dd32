#include "entities/EntityBody.h"

#include "entities/Entity.h"

#include <cstdlib>

namespace {
constexpr int MIN_PIECES = 2;
constexpr int MAX_PIECES = 6;
constexpr float MIN_PIECE_SHARE = 0.2f;
constexpr float MAX_PIECE_SHARE = 0.8f;

// (rand() % 10) - 5: the small random kick a fresh piece gets.
float randomKick() {
    return static_cast<float>(std::rand() % 10 - 5);
}

void sendPieceFlying(b2Body* piece, const b2Body& broken, sf::Vector2f centrePx, float angle) {
    if (piece == nullptr) {
        return;
    }
    piece->SetTransform(b2Vec2(centrePx.x * METERS_PER_PIXEL, centrePx.y * METERS_PER_PIXEL),
                        angle);
    piece->SetLinearVelocity(broken.GetLinearVelocity());
    piece->SetAngularVelocity(broken.GetAngularVelocity());
    const float kickX = randomKick();
    const float kickY = randomKick();
    piece->ApplyLinearImpulseToCenter(b2Vec2(kickX, kickY), true);
    piece->ApplyAngularImpulse(randomKick(), true);
}
} // namespace

b2Body* createEntityBody(b2World* world, Entity* owner, const EntityBodyDef& def) {
    if (world == nullptr) {
        return nullptr;
    }
    b2BodyDef bodyDef;
    bodyDef.type = def.type;
    bodyDef.position.Set(def.positionPx.x * METERS_PER_PIXEL, def.positionPx.y * METERS_PER_PIXEL);
    b2Body* body = world->CreateBody(&bodyDef);

    b2CircleShape circle;
    b2PolygonShape box;
    b2FixtureDef fixtureDef;
    if (def.circleRadiusPx > 0.0f) {
        circle.m_radius = def.circleRadiusPx / PIXELS_PER_METER;
        fixtureDef.shape = &circle;
    } else {
        box.SetAsBox(def.boxWidthPx * 0.5f / PIXELS_PER_METER,
                     def.boxHeightPx * 0.5f / PIXELS_PER_METER);
        fixtureDef.shape = &box;
    }
    fixtureDef.density = def.density;
    fixtureDef.friction = def.friction;
    fixtureDef.restitution = def.restitution;
    fixtureDef.restitutionThreshold = 1.0f;
    fixtureDef.filter.categoryBits = def.categoryBits;
    fixtureDef.filter.maskBits = def.maskBits;
    fixtureDef.filter.groupIndex = 0;
    body->CreateFixture(&fixtureDef);
    body->GetUserData().pointer = reinterpret_cast<uintptr_t>(owner);
    return body;
}

Entity* entityOf(const b2Body* body) {
    if (body == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<Entity*>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

PieceCut::PieceCut(std::mt19937& engine, sf::Vector2f brokenCentrePx, float spanPx, int count)
    : count(count), engine(engine), share(MIN_PIECE_SHARE, MAX_PIECE_SHARE),
      offset(-spanPx / 4.0f, spanPx / 4.0f), brokenCentre(brokenCentrePx),
      drawnCentre(brokenCentrePx) {}

float PieceCut::sizeShare() {
    return share(engine);
}

sf::Vector2f PieceCut::centre() {
    const float x = brokenCentre.x + offset(engine);
    const float y = brokenCentre.y + offset(engine);
    drawnCentre = {x, y};
    return drawnCentre;
}

std::vector<std::shared_ptr<Entity>> breakBody(const b2Body& broken, sf::Vector2f centrePx,
                                               float spanPx, const MakePiece& makePiece) {
    std::vector<std::shared_ptr<Entity>> pieces;
    const float angle = broken.GetAngle();
    std::mt19937 engine(std::random_device{}());
    const int count = std::uniform_int_distribution<int>(MIN_PIECES, MAX_PIECES)(engine);
    PieceCut cut(engine, centrePx, spanPx, count);
    for (cut.index = 0; cut.index < count; ++cut.index) {
        std::shared_ptr<Entity> piece = makePiece(cut);
        if (piece == nullptr) {
            continue;
        }
        sendPieceFlying(piece->physicsBody(), broken, cut.lastCentre(), angle);
        pieces.push_back(std::move(piece));
    }
    return pieces;
}

#pragma once

#include <SFML/System/Vector2.hpp>
#include <box2d/box2d.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

class Entity;

// How entity bodies are made and broken, in one place: createEntityBody for
// every kind's initPhysics, breakBody for every kind's breakIntoPieces.
//
// The conventions every entity body is made by: one fixture, no damping, the
// entity's address in the user data, sizes converted from pixels once here.
struct EntityBodyDef {
    b2BodyType type = b2_dynamicBody;
    sf::Vector2f positionPx;
    float circleRadiusPx = 0.0f; // > 0 makes a circle
    float boxWidthPx = 0.0f;     // otherwise a box of width x height
    float boxHeightPx = 0.0f;
    float density = 1.0f;
    float friction = 0.0f;
    float restitution = 0.0f;
    std::uint16_t categoryBits = 0;
    std::uint16_t maskBits = 0;
};

// Creates the body in world (not during Step) and links it to owner.
// Returns the body, owned by the world; null when world is null.
b2Body* createEntityBody(b2World* world, Entity* owner, const EntityBodyDef& def);

// One piece being cut from a broken body: which of how many it is, and the
// random draws its size and place come from.
class PieceCut {
public:
    PieceCut(std::mt19937& engine, sf::Vector2f brokenCentrePx, float spanPx, int count);

    int index = 0;
    int count;
    bool isLast() const { return index + 1 == count; }
    // A share of the broken size for one measure of the piece, 0.2 to 0.8.
    float sizeShare();
    // Where the piece goes: the broken centre moved by up to a quarter of
    // the span either way on each axis. The last one drawn is the piece's.
    sf::Vector2f centre();
    sf::Vector2f lastCentre() const { return drawnCentre; }

private:
    std::mt19937& engine;
    std::uniform_real_distribution<float> share;
    std::uniform_real_distribution<float> offset;
    sf::Vector2f brokenCentre;
    sf::Vector2f drawnCentre;
};

// Makes one piece with its body at cut.centre(), drawing its size from
// cut.sizeShare(); null for none.
using MakePiece = std::function<std::shared_ptr<Entity>(PieceCut& cut)>;

// Cuts broken (centred at centrePx, spanPx across) into 2 to 6 pieces made
// by makePiece in turn. Each piece then moves as the broken body moved, turned
// as it lay, with a small random kick so the pieces scatter. Not during Step.
std::vector<std::shared_ptr<Entity>> breakBody(const b2Body& broken, sf::Vector2f centrePx,
                                               float spanPx, const MakePiece& makePiece);

// The entity a body belongs to, or null for bodies without one (the ground).
Entity* entityOf(const b2Body* body);

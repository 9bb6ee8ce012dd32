#include "entities/BirdKinds.h"

#include "entities/BoostBird.h"
#include "entities/ExplosionBird.h"
#include "entities/SplitBird.h"

#include <array>

namespace {
// Indexed by BirdKind. A normal bird has no special, so no banner; its
// colour is the one the game's own banners use.
const std::array<BirdKindInfo, 4> BIRD_KINDS{{
    {"NORMAL", "bird_red", "Bird", sf::Color(255, 255, 0)},
    {"BOOST", "bird_yellow", "Boost Bird (Speed up!)", sf::Color(0, 255, 255)},
    {"SPLIT", "bird_blue", "Split Bird (Splits into 3!)", sf::Color(0, 255, 0)},
    {"EXPLOSION", "bird_black", "Explosion Bird (Pushes objects!)", sf::Color(255, 0, 0)},
}};
} // namespace

const BirdKindInfo& birdKindInfo(BirdKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < BIRD_KINDS.size() ? BIRD_KINDS[index] : BIRD_KINDS[Normal];
}

BirdKind birdKindFromWord(const std::string& word) {
    for (BirdKind kind : {Boost, Split, Explosion}) {
        if (word == BIRD_KINDS[kind].word) {
            return kind;
        }
    }
    return Normal;
}

std::shared_ptr<Bird> makeBird(BirdKind kind, int id, float density) {
    switch (kind) {
    case Boost:
        return std::make_shared<BoostBird>(id, density);
    case Split:
        return std::make_shared<SplitBird>(id, density);
    case Explosion:
        return std::make_shared<ExplosionBird>(id, density);
    case Normal:
        break;
    }
    return std::make_shared<Bird>(id, density);
}

BirdKind birdKindOf(const Bird& bird) {
    if (dynamic_cast<const BoostBird*>(&bird) != nullptr) {
        return Boost;
    }
    if (dynamic_cast<const SplitBird*>(&bird) != nullptr) {
        return Split;
    }
    if (dynamic_cast<const ExplosionBird*>(&bird) != nullptr) {
        return Explosion;
    }
    return Normal;
}

#include "entities/EnemyKinds.h"

#include "entities/ArmedEnemy.h"
#include "entities/PuppetEnemy.h"

#include <array>

namespace {
// Indexed by EnemyKind.
constexpr std::array<EnemyKindInfo, 3> ENEMY_KINDS{{
    {"ENEMY", 100.0f, 20.0f, "enemy_basic", 500, "Enemy"},
    {"ARMED_ENEMY", 200.0f, 25.0f, "enemy_armed", 1000, "Armed Enemy"},
    {"PUPPET_ENEMY", 50.0f, 15.0f, "enemy_puppet", 100, "Puppet Enemy"},
}};
} // namespace

const EnemyKindInfo& enemyKindInfo(EnemyKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < ENEMY_KINDS.size() ? ENEMY_KINDS[index] : ENEMY_KINDS[Basic];
}

std::optional<EnemyKind> enemyKindFromKeyword(const std::string& keyword) {
    for (EnemyKind kind : {Basic, Armed, Puppet}) {
        if (keyword == ENEMY_KINDS[kind].keyword) {
            return kind;
        }
    }
    return std::nullopt;
}

std::shared_ptr<Enemy> makeEnemy(EnemyKind kind, float health) {
    switch (kind) {
    case Armed:
        return std::make_shared<ArmedEnemy>(health);
    case Puppet:
        return std::make_shared<PuppetEnemy>(health);
    case Basic:
        break;
    }
    return std::make_shared<Enemy>(health);
}

EnemyKind enemyKindOf(const Enemy& enemy) {
    if (dynamic_cast<const ArmedEnemy*>(&enemy) != nullptr) {
        return Armed;
    }
    if (dynamic_cast<const PuppetEnemy*>(&enemy) != nullptr) {
        return Puppet;
    }
    return Basic;
}

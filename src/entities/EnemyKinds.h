#pragma once

#include <memory>
#include <optional>
#include <string>

class Enemy;

// Numbers shared by every enemy.
inline constexpr float ENEMY_DENSITY = 1.0f;
inline constexpr float ENEMY_FRICTION = 0.5f;
inline constexpr float ENEMY_RESTITUTION = 0.2f;
inline constexpr float ENEMY_CONSTRUCTED_RADIUS = 30.0f; // until initPhysics sets the real one
inline constexpr float ENEMY_FALL_LINE_Y = 700.0f;       // pixels; below it an enemy dies
inline constexpr float ENEMY_OVERKILL = 100.0f;          // a killed enemy ends at -100 health

enum EnemyKind { Basic, Armed, Puppet };

struct EnemyKindInfo {
    const char* keyword;    // level-file keyword, e.g. "ARMED_ENEMY"
    float defaultHealth;    // when the level file gives none
    float radius;           // pixels
    const char* textureKey; // e.g. "enemy_armed"
    int points;             // earned by its death
    const char* logName;    // how the kill lines name it, e.g. "Armed Enemy"
};

const EnemyKindInfo& enemyKindInfo(EnemyKind kind);
// The kind a level-file keyword names, or nothing for another word.
std::optional<EnemyKind> enemyKindFromKeyword(const std::string& keyword);
// A new enemy of kind with health (no body, no texture yet).
std::shared_ptr<Enemy> makeEnemy(EnemyKind kind, float health);
// The kind of enemy, by run-time type.
EnemyKind enemyKindOf(const Enemy& enemy);

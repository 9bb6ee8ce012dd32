#include "core/LevelWatchers.h"

#include "entities/Bird.h"
#include "level/Level.h"

#include <algorithm>
#include <utility>

LevelWatchers::LevelWatchers(Flags flags, Verdicts verdicts)
    : flags(flags), verdicts(std::move(verdicts)) {}

void LevelWatchers::step(float dt, const Level& level, bool turnActive) {
    noticeFieldCleared(level);
    completeAfterClearDelay(dt);
    startGraceWhenOutOfBirds(level, turnActive);
    loseWhenGraceRunsOut(dt, level);
    callOffGrace(turnActive);
    startOverAfterLoss(dt);
}

int LevelWatchers::unlaunchedBirds(const Level& level) {
    return static_cast<int>(
        std::count_if(level.entities.begin(), level.entities.end(), [](const auto& entity) {
            const auto* bird = dynamic_cast<const Bird*>(entity.get());
            return bird != nullptr && !bird->launched;
        }));
}

void LevelWatchers::noticeFieldCleared(const Level& level) {
    if (!level.allEnemiesDead()) {
        return;
    }
    if (!flags.enemiesCleared) {
        flags.enemiesCleared = true;
        flags.clearTimer = 0.0f;
    }
    // Whatever was announced, a cleared field is a win: the restart must not
    // take it away before the clear delay has run.
    if (flags.gameOverPending) {
        flags.gameOverPending = false;
        flags.gameOverTimer = 0.0f;
        if (verdicts.callOffLoss) {
            verdicts.callOffLoss();
        }
    }
}

// Birds still in flight do not hold it up.
void LevelWatchers::completeAfterClearDelay(float dt) {
    if (!flags.enemiesCleared) {
        return;
    }
    flags.clearTimer += dt;
    if (flags.clearTimer > CLEAR_DELAY) {
        verdicts.complete();
    }
}

void LevelWatchers::startGraceWhenOutOfBirds(const Level& level, bool turnActive) {
    if (!flags.levelEnded && !flags.gameOverPending && !turnActive && unlaunchedBirds(level) == 0 &&
        !flags.outOfBirdsPending) {
        flags.outOfBirdsPending = true;
        flags.outOfBirdsTimer = OUT_OF_BIRDS_GRACE;
    }
}

// The last enemy may still die in the grace period (a block toppling late).
void LevelWatchers::loseWhenGraceRunsOut(float dt, const Level& level) {
    if (!flags.outOfBirdsPending || flags.levelEnded || flags.gameOverPending) {
        return;
    }
    flags.outOfBirdsTimer -= dt;
    if (level.allEnemiesDead()) {
        flags.outOfBirdsPending = false;
    } else if (flags.outOfBirdsTimer <= 0.0f) {
        flags.outOfBirdsPending = false;
        verdicts.lose();
    }
}

void LevelWatchers::callOffGrace(bool turnActive) {
    if (turnActive || flags.levelEnded) {
        flags.outOfBirdsPending = false;
    }
}

void LevelWatchers::startOverAfterLoss(float dt) {
    if (!flags.gameOverPending) {
        return;
    }
    flags.gameOverTimer -= dt;
    if (flags.gameOverTimer <= 0.0f) {
        verdicts.startOver();
    }
}

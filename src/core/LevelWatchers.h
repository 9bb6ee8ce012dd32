#pragma once

#include <functional>

class Level;

// When an attempt is won or lost. These are the rules that decide it, in the
// order they run after every fixed step of play, and nothing else:
//   1. the field is cleared: every enemy is dead, the clear delay starts,
//      and a loss still counting down is called off (the last enemy may
//      fall after the last turn ended; the player won, late or not);
//   2. the clear delay has run out: the level is complete;
//   3. no bird is left to throw between turns: the grace period starts;
//   4. the grace period has run out with an enemy alive: the level is lost;
//   5. a turn runs or the level ended: the grace period is called off;
//   6. the loss's countdown has run out: the attempt starts over.
// The flags and timers are the flow's (GameStateManager keeps them, so the
// screens and the progression operations see them too); what winning,
// losing and starting over do is the game's, handed in as the verdicts.
// Nothing here needs a window: a level in a bare world is enough.
class LevelWatchers {
public:
    // Seconds every enemy must stay dead before the level completes, and
    // the grace a player gets once no bird is left to throw.
    static constexpr float CLEAR_DELAY = 2.0f;
    static constexpr float OUT_OF_BIRDS_GRACE = 1.0f;
    // Seconds from a loss to the attempt starting over; the loss sets it.
    static constexpr float GAME_OVER_DELAY = 3.0f;

    // The attempt's flags and timers, as the flow keeps them.
    struct Flags {
        bool& levelEnded;
        bool& enemiesCleared;
        float& clearTimer;
        bool& gameOverPending;
        float& gameOverTimer;
        bool& outOfBirdsPending;
        float& outOfBirdsTimer;
    };

    // What a verdict does. Each runs at the point of its rule, so the rules
    // after it already see what it changed (a completed level ends the
    // watching; a loss starts its countdown in the same step).
    struct Verdicts {
        std::function<void()> complete;
        std::function<void()> lose;
        std::function<void()> startOver;
        // The loss's countdown is already stopped; this takes back what the
        // loss showed. May be empty.
        std::function<void()> callOffLoss;
    };

    LevelWatchers(Flags flags, Verdicts verdicts);

    // One fixed step of dt seconds over `level`; `turnActive`: a bird's turn
    // is running.
    void step(float dt, const Level& level, bool turnActive);

    // Birds of the level not yet thrown.
    static int unlaunchedBirds(const Level& level);

private:
    void noticeFieldCleared(const Level& level);
    void completeAfterClearDelay(float dt);
    void startGraceWhenOutOfBirds(const Level& level, bool turnActive);
    void loseWhenGraceRunsOut(float dt, const Level& level);
    void callOffGrace(bool turnActive);
    void startOverAfterLoss(float dt);

    Flags flags;
    Verdicts verdicts;
};

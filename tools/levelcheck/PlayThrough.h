#pragma once

#include "core/FrameSequence.h"

#include <cstdint>
#include <iosfwd>
#include <vector>

class Game;

// A world played through as a person plays it, in the real game: from the
// menu's Start and the level select to the world's first level, each bird
// aimed by the player model (its pick of target, its hand's errors, its
// timing of specials, drawn from one seeded engine), every frame run by the
// game's own frame loop (the window's events, update(dt), render()) with
// the times of a frame sequence. A lost level starts over by itself, as the
// game does it, and is tried again up to MAX_TRIES times; a won one goes on
// through the results screen's Next Level button (a name typed when the
// score earns a place in the table), the world's last to its closing
// screen. The player gives up on a level lost MAX_TRIES times.
class PlayThrough {
public:
    static constexpr int MAX_TRIES = 10;
    // The name the player types when a score earns a place in the table.
    static constexpr const char* NICKNAME = "model";

    struct Try {
        int level = 0; // 1-based
        int number = 0;
        bool won = false;
        int score = 0;
        int stars = 0;
    };

    struct LevelResult {
        int level = 0; // 1-based
        int tries = 0;
        bool won = false;
        int score = 0; // the winning try's
        int stars = 0;
    };

    struct Summary {
        bool started = false; // the world's first level could be reached
        std::vector<Try> tries;
        std::vector<LevelResult> levels;
        int stars = 0;
        int totalScore = 0; // the winning tries' scores added up
        // The run's total as the game keeps it: the closing screen's final
        // score once the world ends, the running total before.
        int gameTotal = 0;
        bool worldClosed = false; // the world's closing screen is up
    };

    // `game` must be on its menu with a window of ShotDriver's size.
    PlayThrough(Game& game, std::uint32_t seed, FrameSequence frames, std::ostream& log);

    // Plays world `world` (1-based) from its first level, `levelCount`
    // levels of it at most (0 or less: all of them). A world after the
    // first opens as if the worlds before it had been won.
    Summary run(int world, int levelCount = 0);

    static void printSummary(std::ostream& out, const Summary& summary);

private:
    void click(float x, float y);
    void press(int key);
    void type(const char* text);
    void frame();
    bool reachFirstLevel(int firstLevel);
    // Frames until the loss's countdown has started the level over.
    bool awaitStartOver();
    bool goOn();

    Game& game;
    std::uint32_t seed;
    FrameSequence frames;
    std::ostream& log;
};

#pragma once

#include "Shot.h"

#include <SFML/System/Vector2.hpp>
#include <memory>
#include <string>
#include <vector>

class Game;

// What a sequence of shots did to a level.
struct Outcome {
    bool won = false;  // the level-complete state was reached
    bool lost = false; // the game announced the loss
    int score = 0;
    int stars = 0;
    int enemiesAlive = 0;
    std::vector<Shot> fired; // the shots as fired, special timings as frames
};

// Plays one level in a real Game, as a player would: synthetic mouse events
// through the input handler and fixed 1/60 s frames. A fresh Game per driver
// keeps every run identical, so a stored sequence replays exactly.
class ShotDriver {
public:
    static constexpr float FRAME_SECONDS = 1.0f / 60.0f;

    explicit ShotDriver(int levelIndex);
    ~ShotDriver();
    ShotDriver(const ShotDriver&) = delete;
    ShotDriver& operator=(const ShotDriver&) = delete;

    // Runs the level untouched; an empty text means nothing broke, died or moved.
    std::string checkStanding(float seconds);
    // Fires the shots in order (each until its turn ends), then waits for the verdict.
    Outcome play(const std::vector<Shot>& shots);
    // The level's birds in play order, by kind word.
    std::vector<std::string> birdKinds() const;

private:
    bool waitForNextTurn();
    void fire(const Shot& shot, Outcome& outcome);
    void pullAndRelease(const Shot& shot);
    void clickSpecial();
    void awaitVerdict(Outcome& outcome);
    bool levelDecided() const;
    void step();
    int enemiesAlive() const;
    sf::Vector2i pixelOf(sf::Vector2f worldPoint) const;
    void send(int type, sf::Vector2i pixel);

    std::unique_ptr<Game> game;
};

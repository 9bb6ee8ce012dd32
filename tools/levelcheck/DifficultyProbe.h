#pragma once

#include "ShotDriver.h"

#include <cstdint>

// How hard a level is for a player who does not aim: the share of a fixed
// set of plays, each bird fired at a random angle and pull with its special
// clicked at a random moment, that does not win the level. The plays come
// from fixed seeds, the same for every level, so the figure is exact and
// comparable between levels: 0 % is a level every such play wins, 100 % one
// that needs aim.
class DifficultyProbe {
public:
    static constexpr int PLAYS = 240;

    explicit DifficultyProbe(ShotDriver& driver);

    // The difficulty in percent; also sets wins.
    double measure(int levelIndex);
    // Shots of play `play` for birds of the given kinds.
    static std::vector<Shot> playFor(int play, const std::vector<std::string>& kinds);

    int wins = 0;
    std::uint64_t simulatedSteps = 0;

private:
    ShotDriver& driver;
};

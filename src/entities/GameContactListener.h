#pragma once

#include <box2d/box2d.h>

class Game;

// Placeholder until the contact rules land.
class GameContactListener : public b2ContactListener {
public:
    explicit GameContactListener(Game* game) : game(game) {}

    Game* game;
    int levelScore = 0;
};

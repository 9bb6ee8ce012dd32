#pragma once

#include <box2d/box2d.h>
#include <memory>
#include <string>
#include <vector>

class Entity;
class Renderer;

// The live content of the level being played. A plain value: copying it
// shares the entities. The Game steps the world; update only follows it,
// breaks what was destroyed and drops what has lost its body.
class Level {
public:
    // Runs after the world step, never inside it, so it may destroy bodies.
    void update(float dt);
    // Every entity in order, except birds that are no longer alive.
    void draw(Renderer& renderer);
    // True when no enemy has health left; a level without enemies counts as cleared.
    bool allEnemiesDead() const;
    // Destroys every body and empties the list; world and background stay.
    void clear();

    std::vector<std::shared_ptr<Entity>> entities; // file order, pieces appended
    b2World* world = nullptr;                      // not owned
    std::string background;                        // texture key, may be empty

private:
    // Breaks one destroyed block or dead enemy that still has its body;
    // the returned pieces join the list after the pass.
    void breakIfDone(Entity& entity, std::vector<std::shared_ptr<Entity>>& pieces);
    // Drops destroyed blocks and dead enemies whose body is gone.
    void removeFinished();
};

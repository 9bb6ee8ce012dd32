#pragma once

#include "assets/SharedConstants.h"
#include "core/LevelWatchers.h"
#include "core/Replay.h"
#include "core/ReplayInput.h"
#include "core/ShotTrail.h"
#include "entities/BirdKinds.h"
#include "entities/GameContactListener.h"
#include "level/Level.h"
#include "level/LevelLoader.h"

#include <SFML/System/Vector2.hpp>
#include <box2d/box2d.h>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Bird;
class ParticleSystem;

// One attempt at one level, and nothing else: its world, level, birds,
// slingshot, turn, points and the watchers that decide it. It advances only
// in whole fixed steps and takes the player's inputs as calls with points in
// world pixels, so it runs the same with or without a window: the game
// draws it and maps the mouse onto it, a tool or a replay drives it bare.
//
// Every input that changes the world is recorded, stamped with the number
// of steps taken before it, so the attempt can be played again exactly.
class Attempt {
public:
    static constexpr float STEP_SECONDS = 1.0f / 60.0f;
    static constexpr int VELOCITY_ITERATIONS = 8;
    static constexpr int POSITION_ITERATIONS = 3;
    // The world's gravity, m/s^2 downwards, and the launch speed a pixel of
    // pull gives, m/s.
    static constexpr float GRAVITY_MPS2 = WORLD_GRAVITY_MPS2;
    static constexpr float LAUNCH_FACTOR = 0.15f;
    // The furthest the bird can be pulled from the slingshot, in pixels.
    static constexpr float PULL_LIMIT = 150.0f;

    // The end-of-attempt flags and timers, for an attempt run without the
    // game's flow to keep them.
    struct OwnFlags {
        bool levelEnded = false;
        bool enemiesCleared = false;
        float clearTimer = 0.0f;
        bool gameOverPending = false;
        float gameOverTimer = 0.0f;
        bool outOfBirdsPending = false;
        float outOfBirdsTimer = 0.0f;
    };

    // What the attempt tells whoever runs it. Every hook may be empty.
    struct Hooks {
        // The clear delay ran out: the level is won. Runs after the
        // attempt has noted the win itself.
        std::function<void()> complete;
        // The loss was announced (the countdown to starting over begins).
        std::function<void()> lost;
        // The loss's countdown ran out: the attempt should start over.
        std::function<void()> startOver;
        // Every enemy died under the loss's countdown: the loss is called off
        // and the level goes on to complete; take back what the loss showed.
        std::function<void()> lossCalledOff;
        // A banner over the field: text, seconds, the bird kind it announces.
        std::function<void(const std::string&, float, std::optional<BirdKind>)> announce;
        // A sound effect (a SoundId) at full volume.
        std::function<void(int)> sound;
        // An impact's sound (a SoundId) and the impulse that made it.
        std::function<void(int, float)> impact;
    };

    // Flags kept by the attempt itself: a bare run.
    explicit Attempt(ParticleSystem* particles = nullptr, Hooks hooks = {});
    // Flags kept by the caller (the game's flow, which its screens read).
    Attempt(LevelWatchers::Flags flags, ParticleSystem* particles, Hooks hooks);
    Attempt(const Attempt&) = delete;
    Attempt& operator=(const Attempt&) = delete;
    ~Attempt();

    // Throws away whatever ran and starts the level in `levelFile` afresh
    // in a new world; the recording starts over too.
    void start(const std::string& levelFile);
    // Throws away the world's side of the attempt: split birds, the level's
    // bodies, the turn, a pull in progress, the trail and the earned spots.
    void discard();

    // One fixed step: the world, then every rule.
    void step();
    // The world alone; followed by updatePlaying(STEP_SECONDS) it is step().
    void stepWorld();
    // Every rule that can change the world, advanced by dt after a world
    // step: the level, the birds in flight, the turn and the watchers.
    void updatePlaying(float dt);

    // Every drawn body remembers its pose before the world steps on, so
    // that a frame between two steps can be drawn between them. Only the
    // drawing reads it: a bare run has no need to call it.
    void rememberPoses();

    // The player's inputs, points in world pixels.
    void press(sf::Vector2f point);
    void pull(sf::Vector2f point);
    // Lets go: launches the pulled bird, if a pull is in progress.
    void release();
    void launchBird();
    void activateSpecial();
    // Applies one recorded input as the player's call.
    void apply(const ReplayInput& input);

    Bird* findNextBird() const;
    int countUnlaunchedBirds() const;
    int countEnemies() const;
    // Won: the clear delay ran out. Lost: the loss was announced.
    bool won() const { return wonFlag; }
    bool lost() const { return flags.gameOverPending && !wonFlag; }
    bool decided() const { return won() || lost(); }
    // The star rating of a won attempt, 0 otherwise.
    int stars() const;
    int score() const { return contactListener.levelScore; }
    std::uint64_t stepsTaken() const { return steps; }
    // The step at which the attempt was first won or lost; 0 while undecided.
    std::uint64_t verdictStep() const { return decidedAt; }
    const std::vector<ReplayInput>& recordedInputs() const { return recorded; }
    // The attempt so far as a replay of level `levelNumber` by this build.
    Replay replay(int levelNumber) const;
    // The content hash of the level file the attempt started from.
    std::uint64_t levelContentHash() const { return levelHash; }

    // The level's flags and timers, wherever they are kept.
    LevelWatchers::Flags flags;
    Hooks hooks;
    ParticleSystem* particles;

    // Built afresh for every attempt: the physics engine's results depend
    // on its history, and a level must start the same every time.
    std::unique_ptr<b2World> world;
    GameContactListener contactListener;
    LevelLoader levelLoader;
    Level level;
    Level* currentLevel = nullptr;
    std::int32_t totalBirds = 0;
    // Enemies the level started with; the star rating's par.
    std::int32_t totalEnemies = 0;
    Bird* currentBird = nullptr;
    std::vector<std::shared_ptr<Bird>> extraBirds;
    Bird* birdOnSlingshot = nullptr;
    sf::Vector2f slingshotPos{50.0f, 540.0f};
    sf::Vector2f rightBandAnchor;
    sf::Vector2f leftBandAnchor;
    sf::Vector2f bandRestPos;
    bool isDragging = false;
    bool turnActive = false;
    float turnSettleTimer = 0.0f;
    sf::Vector2f dragStart;
    sf::Vector2f dragPos;
    // Where the last launched bird flew.
    ShotTrail shotTrail;

private:
    Attempt(std::unique_ptr<OwnFlags> own, ParticleSystem* particles, Hooks hooks);
    void rebuildWorld();
    void createGround();
    void seatBird(Bird* bird);
    void updateBirdsInFlight(float dt);
    void updateTurn(float dt);
    bool anyBirdStillMoving() const;
    void endTurn();
    void releaseSplitBirds();
    void loseLevel();
    void completeLevel();
    void record(ReplayInput::Kind kind, sf::Vector2f point = {});
    void sound(int id) const;

    std::unique_ptr<OwnFlags> ownFlags;
    LevelWatchers watchers;
    bool wonFlag = false;
    int starsEarned = 0;
    std::uint64_t steps = 0;
    std::uint64_t levelHash = 0;
    std::uint64_t decidedAt = 0;
    std::vector<ReplayInput> recorded;
};

#pragma once

#include "core/FrameSequence.h"
#include "core/Shot.h"

#include <SFML/Graphics/View.hpp>
#include <SFML/System/Vector2.hpp>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <memory>

class Attempt;
class Game;

// What a sequence of shots did to a level.
struct Outcome {
    bool won = false;  // the level-complete state was reached
    bool lost = false; // the game announced the loss
    int score = 0;
    int stars = 0;
    int enemiesAlive = 0;
    std::uint64_t steps = 0; // fixed steps from the level's start to the verdict
    std::vector<Shot> fired; // the shots as fired, special timings as steps
};

// Where one body of the level is, for comparing two runs exactly.
struct BodyPose {
    float x;
    float y;
    float angle;
    bool operator==(const BodyPose&) const = default;
};

// Plays levels as a player would. Either in a real Game: mouse events
// through the input handler and frame times through Game::update, each run
// starting its level through the game's own Retry. Or bare, with no window:
// the same presses, pulls and releases handed to an Attempt, aimed through
// the same camera and the same pixels the game's window would use, one
// fixed step at a time (there are no frames to split then).
//
// A player's click lands between two frames, and the same shot must be
// fired at the same step at every frame rate: the driver acts only at
// quarter-second marks of the level's own clock (and at a special's exact
// step), and splits the frame that would run past such a mark in two.
class ShotDriver {
public:
    static constexpr int FIRE_MARK_STEPS = 15;
    // The checker's window is exactly the narrowest field the game shows, so
    // one window pixel is one world pixel: a stored shot means the same pull
    // whatever view the game picks for other window shapes.
    static constexpr unsigned WINDOW_WIDTH = 1200;
    static constexpr unsigned WINDOW_HEIGHT = 900;

    // A game in that window, past its loading screen.
    static std::unique_ptr<Game> makeGame();

    explicit ShotDriver(Game& game);
    // Bare: the attempt runs the shipped levels with no window.
    explicit ShotDriver(Attempt& attempt);

    // Leaves whatever runs and starts the level (0-based) afresh.
    void startLevel(int levelIndex);
    // The same for any level file, shipped or not. A bare driver only: the
    // game plays its own list of levels.
    void startLevelFile(const std::string& path);
    // Starts whichever level was started last afresh.
    void restartLevel();
    // A game only: takes up the level the game has just started by itself
    // (from the level select, Next Level, or the start-over after a loss)
    // as the one played from now on, as a person picks up the mouse.
    void followStartedLevel();
    // A game only: each frame runs as the game's own loop runs it (the
    // window's events, update(dt), render()) instead of update(dt) alone.
    void runWholeFrames(bool whole) { wholeFrames = whole; }
    // Runs the level untouched; an empty text means nothing broke, died or moved.
    std::string checkStanding(float seconds, FrameSequence frames);
    // An empty text means every entity lies wholly inside the view the
    // player sees when the level starts, even in the narrowest window.
    std::string checkInView() const;
    // Fires the shots in order (each until its turn ends), then waits for the verdict.
    Outcome play(const std::vector<Shot>& shots, FrameSequence frames);
    // The same, asking for each shot when its bird is ready (nothing: stop
    // firing); the level as it stands then can be looked at.
    Outcome play(const std::function<std::optional<Shot>(std::size_t)>& nextShot,
                 FrameSequence frames);
    // Centres of the enemies still alive, world pixels.
    std::vector<sf::Vector2f> livingEnemies() const;
    // Where a launched bird starts its flight, world pixels.
    sf::Vector2f launchPoint() const;
    // The level's birds in play order, by kind word.
    std::vector<std::string> birdKinds() const;
    // Every block and enemy body in the level's order, where it is now.
    std::vector<BodyPose> bodyPoses() const;
    static std::vector<BodyPose> bodyPoses(const Attempt& attempt);
    // The attempt the driver plays, with what it recorded.
    const Attempt& recordedAttempt() const { return attempt; }
    std::uint64_t stepsSinceStart() const;
    int enemiesAlive() const;
    // Feeds frames until the level has run `step` steps (cutting the last
    // frame short); false if the level was decided first.
    bool advanceTo(std::uint64_t step, FrameSequence& frames);

private:
    bool waitForNextTurn(FrameSequence& frames);
    void fire(const Shot& shot, FrameSequence& frames, Outcome& outcome);
    void pullAndRelease(const Shot& shot);
    void clickSpecial();
    void awaitVerdict(FrameSequence& frames, Outcome& outcome);
    bool levelDecided() const;
    bool readyToFire() const;
    std::uint64_t nextMark() const;
    float nextFrame(FrameSequence& frames);
    void runFrame(float seconds);
    sf::Vector2i pixelOf(sf::Vector2f worldPoint) const;
    sf::Vector2f worldOf(sf::Vector2i pixel) const;
    void send(int type, sf::Vector2i pixel);
    // One fixed step of a bare run, the camera following.
    void stepBare();
    std::uint64_t stepClock() const;

    Game* game; // null in a bare run
    Attempt& attempt;
    // The camera a bare run aims through, as the game's window would show it.
    sf::View bareView;
    std::uint64_t startStep = 0;
    // The level started last: a file of its own, or else a shipped level's index.
    std::string levelFile;
    int levelIndex = 0;
    float carriedFrame = 0.0f; // the rest of a frame that was split at a mark
    bool wholeFrames = false;
};

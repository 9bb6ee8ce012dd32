#pragma once

#include "assets/Renderer.h"
#include "core/GameStateManager.h"
#include "core/InputHandler.h"
#include "entities/GameContactListener.h"
#include "entities/ParticleSystem.h"
#include "level/Level.h"
#include "level/LevelLoader.h"
#include "online/HighScoreTable.h"
#include "online/SupabaseClient.h"
#include "ui/UIRenderer.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/View.hpp>
#include <box2d/box2d.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Bird;

// The application object: owns every subsystem for the whole run and
// sequences one frame as update(dt) then render(). run() only measures dt.
class Game {
public:
    static constexpr int LEVEL_COUNT = 7;
    static constexpr float LOADING_SECONDS = 3.0f;

    Game(unsigned int width, unsigned int height, const std::string& title);
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void run();
    // One frame of rules with an exact dt (seconds): the text cursor, then the
    // current state's work. Input must already have been handled.
    void update(float dt);
    // One frame of drawing: clear, the current state's screen, present.
    void render();
    // The same frame without presenting it, so that its pixels can still be
    // read back from the window (tools, tests).
    void drawFrame();

    // The window changed size: the camera takes the window's new shape.
    void fitViewsToWindow();

    void setRunning(bool value) { running = value; }
    bool isRunning() const { return running; }

    void loadCurrentLevel();
    void updatePlaying(float dt);

    // Slingshot, driven by the input handler in Playing. Points are window
    // pixels; they are mapped through gameView here.
    void pressSlingshot(sf::Vector2i pixel);
    void pullSlingshot(sf::Vector2i pixel);
    void launchBird();
    Bird* findNextBird() const;

    void activateSpecial();
    int countUnlaunchedBirds() const;
    int countEnemies() const;
    void restartLevel();
    // Throws away the attempt in progress: split birds, the level's bodies
    // and the turn. The callers decide what happens to scores and state.
    void discardAttempt();

    // Longest frame the simulation accepts, and the largest physics substep.
    static constexpr float MAX_FRAME_SECONDS = 0.25f;
    static constexpr float PHYSICS_STEP_SECONDS = 1.0f / 60.0f;

    // Fields, in the order the subsystems are built.
    sf::RenderWindow window;
    Renderer renderer;
    UIRenderer ui;
    InputHandler input;
    GameStateManager stateManager;
    ParticleSystem particles;
    std::vector<Level> levels;
    std::vector<std::string> levelFiles;
    std::int32_t currentLevelIndex = 0;
    Level* currentLevel = nullptr;
    LevelLoader levelLoader;
    b2World world;
    GameContactListener contactListener;
    sf::View gameView;
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
    std::int32_t totalScore = 0;
    HighScoreTable localHighScores;
    bool running = false;
    SupabaseClient supabase;

private:
    void updateLoading(float dt);
    void finishLoading();
    void createGround();
    void stepWorld(float dt);
    void seatBird(Bird* bird);
    void updateBirdsInFlight(float dt);
    void updateTurn(float dt);
    bool anyBirdStillMoving() const;
    void endTurn();
    void updateCamera(float dt);
    void updateWatchers(float dt);
    void loseLevel();
    void restartAfterGameOver();
    void drawPlayingField();
    void drawBandsAndPreview();
    void drawCurrentScreen();

    float loadingAccumulator = 0.0f;
};

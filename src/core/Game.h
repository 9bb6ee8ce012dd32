#pragma once

#include "assets/Renderer.h"
#include "assets/SharedConstants.h"
#include "core/Attempt.h"
#include "core/CommandLine.h"
#include "core/FieldCamera.h"
#include "core/FramePacer.h"
#include "core/GameStateManager.h"
#include "core/GhostPaths.h"
#include "core/InputHandler.h"
#include "core/LevelProofJob.h"
#include "core/LevelWatchers.h"
#include "core/OwnLevel.h"
#include "core/OwnLevelList.h"
#include "core/ReplayKeeper.h"
#include "core/ReplayPlayer.h"
#include "core/ReplayShelf.h"
#include "core/ReplayWatch.h"
#include "core/Settings.h"
#include "core/ShotTrail.h"
#include "core/WorldProgress.h"
#include "entities/GameContactListener.h"
#include "entities/ParticleSystem.h"
#include "level/Level.h"
#include "level/LevelLoader.h"
#include "level/ShippedLevels.h"
#include "online/HighScoreTable.h"
#include "online/ProgressTable.h"
#include "online/SupabaseClient.h"
#include "ui/EditorScreen.h"
#include "ui/FirstMeetings.h"
#include "ui/MyLevelsScreen.h"
#include "ui/OptionsScreen.h"
#include "ui/PointLabels.h"
#include "ui/UIRenderer.h"
#include "ui/UiScale.h"

#include <SFML/Graphics/RenderWindow.hpp>
#include <SFML/Graphics/View.hpp>
#include <box2d/box2d.h>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class Bird;

// The application object: owns every subsystem for the whole run and
// sequences one frame as update(dt) then render(). run() only measures dt.
// In Playing the world and every rule that can change it advance in fixed
// steps of STEP_SECONDS, fed by the frame times, so a shot does the same at
// any frame rate. Which screen takes the input and draws in each state is
// ScreenTable's; the screens' drawing is UIRenderer's, fed from here.
//
// Where the rules of play live: a turn (launch, settling, the next bird) in
// Attempt, which needs no window; the camera here; when an attempt is won
// or lost in LevelWatchers; what the
// progression operations do in GameStateManager, each starting from its
// endAttempt, whose world half is discardAttempt here.
class Game {
public:
    static constexpr float LOADING_SECONDS = 3.0f;

    // `options` are the command line's: they hold for this run on top of the
    // player's settings file and are never written to it.
    Game(unsigned int width, unsigned int height, const std::string& title,
         const CommandLineOptions& options = {});
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    void run();
    // One turn of the frame loop: the window's events, update(dt), render().
    void runFrame(float dt);
    // One frame with its measured dt (seconds): the text cursor, then the
    // current state's work; in Playing as many whole fixed steps as the frame
    // times so far hold. Input must already have been handled.
    void update(float dt);
    // One frame of drawing: clear, the current state's screen, present.
    void render();
    // The same frame without presenting it, so that its pixels can still be
    // read back from the window (tools, tests).
    void drawFrame();

    // The screens' layout and view in this window at the player's UI scale.
    UiScale screenScale() const;

    // The window changed size: the camera takes the window's new shape.
    void fitViewsToWindow();

    // Looking around while a bird waits on the slingshot: zoom steps (> 0
    // out) and a move in window pixels. Ignored at any other time.
    void lookAround(float zoomSteps, sf::Vector2i panPixels);
    // The field as drawn: the rules' camera (gameView) under the player's look.
    sf::View shownView() const;
    FieldCamera::Look look;
    // Where the look may go: the current level's own bounds.
    sf::FloatRect lookBounds = FieldCamera::LEVEL_BOUNDS;

    // The keys that work on every screen. Each changes the setting for this
    // run and in the settings file.
    void toggleMute();
    // Recreates the window fullscreen on the whole screen, or back in a
    // window of the size it had before.
    void toggleFullscreen();
    // Sets one setting for this run and for later runs, and saves the file.
    void changeSetting(const std::function<void(Settings&)>& change);
    // The same, then whatever the change calls for at once: the sound's
    // levels, the window (fullscreen), vertical sync, the frame pacing.
    void applySettingsChange(const std::function<void(Settings&)>& change);

    // The options screen over `from` (the menu, or the pause menu), and
    // back: the attempt of a paused level waits as it was.
    void openOptions(GameState from);
    void closeOptions();

    void setRunning(bool value) { running = value; }
    bool isRunning() const { return running; }

    void loadCurrentLevel();
    // The level file the attempt plays: the editor's while a level is tried
    // out, the own level's while one is played, else the shipped level's.
    std::string currentLevelPath() const;

    // Plays a level file from outside the shipped list (--level, the
    // player's own levels). False, with the reason logged, when it cannot
    // be played. Its best result and replays are kept under its content hash.
    bool playOwnLevel(const std::string& path);
    // Back to the shipped levels: leaving the own level for a menu.
    void leaveOwnLevel() { ownLevel.reset(); }
    // A completed attempt's result, kept with the level it was played on.
    ProgressUpdate recordResult(int score, int stars);
    // The own level being played, if any.
    std::optional<OwnLevel> ownLevel;
    // What the HUD and the results call a level from outside the shipped
    // list (an own level's file name, the editor's level's name); empty for
    // a shipped level, which goes by its number.
    std::string shownLevelName() const;
    // The own level's best on this computer: read when it starts, then as
    // each completion leaves it.
    LevelBest ownLevelBest;
    // The player's own levels, read afresh when their page opens, and the
    // one chosen there.
    void openMyLevels();
    std::vector<OwnLevelList::Entry> ownLevels;
    int ownLevelSelection = 0;
    // The page's rows for what was read.
    std::vector<MyLevelsScreen::Row> myLevelsRows() const;

    // Worlds apply while the level list is the shipped one; a list a test or
    // tool put together plays as one plain run without them.
    bool playsShippedWorlds() const;
    // The world holding level `index`; -1 when worlds do not apply.
    int worldOf(int index) const;
    // Which worlds are open and finished, from the progress on this computer.
    WorldProgress worldProgress() const;
    // The current level's world's tune (the game's own outside worlds).
    void playLevelMusic();
    // Every rule that can change the world, advanced by dt after a world
    // step: the level, the birds in flight, the turn, the camera and the
    // watchers. The fixed step calls it with STEP_SECONDS; tests may call it
    // alone to hold the world still.
    void updatePlaying(float dt);

    // Slingshot, driven by the input handler in Playing. Points are window
    // pixels; they are mapped through gameView here.
    // Window pixels map through shownView: the pointer lands where the
    // player sees it.
    void pressSlingshot(sf::Vector2i pixel);
    void pullSlingshot(sf::Vector2i pixel);
    void launchBird();
    Bird* findNextBird() const;

    void activateSpecial();
    int countUnlaunchedBirds() const;
    int countEnemies() const;
    void restartLevel();
    // Throws away the world's side of the attempt in progress: split birds,
    // the level's bodies, the turn, a pull in progress, the time owed to the
    // world and the pictures over the field. Loading a level starts with it;
    // the flow's side (points, verdict flags) is GameStateManager::endAttempt.
    void discardAttempt();

    // Watching a replay: its level starts afresh and its inputs are played
    // into the attempt, step by step, at the speed the watcher picks; the
    // attempt's verdicts then change nothing but the field. False (and the
    // reason logged) when this build cannot play it.
    bool watchReplay(const Replay& replay);
    // The kept best (or the last) attempt of a level, if there is one.
    bool watchKeptReplay(int levelNumber, bool best);
    void handleWatchInput(const sf::Event& event);
    // Leaves the replay for the level select.
    void leaveWatching();

    // Longest frame the simulation accepts, and the one step it advances by.
    static constexpr float MAX_FRAME_SECONDS = 0.25f;
    static constexpr float STEP_SECONDS = Attempt::STEP_SECONDS;
    static constexpr int VELOCITY_ITERATIONS = Attempt::VELOCITY_ITERATIONS;
    static constexpr int POSITION_ITERATIONS = Attempt::POSITION_ITERATIONS;
    static constexpr float GRAVITY_MPS2 = Attempt::GRAVITY_MPS2;
    static constexpr float LAUNCH_FACTOR = Attempt::LAUNCH_FACTOR;

    // Fields, in the order the subsystems are built. The settings come
    // first: the window is made the way they say.
    std::string settingsPath;
    // As the file has them, and as this run uses them (the file's with the
    // command line's options on top).
    Settings savedSettings;
    Settings settings;
    std::string windowTitle;
    // The window's size when it is not fullscreen, restored by F11.
    sf::Vector2u windowedSize;
    sf::RenderWindow window;
    // Keeps --fps-limit (and the settings' limit) in the frame loop.
    FramePacer framePacer;
    Renderer renderer;
    UIRenderer ui;
    InputHandler input;
    GameStateManager stateManager;
    ParticleSystem particles;
    std::vector<std::string> levelFiles;
    std::int32_t currentLevelIndex = 0;
    // The attempt in progress: its world, level, birds, slingshot, turn,
    // points and watchers. It needs no window; the game draws it and maps
    // the mouse onto it. Its parts keep their names here.
    Attempt attempt;
    std::unique_ptr<b2World>& world = attempt.world;
    GameContactListener& contactListener = attempt.contactListener;
    Level*& currentLevel = attempt.currentLevel;
    Bird*& currentBird = attempt.currentBird;
    std::vector<std::shared_ptr<Bird>>& extraBirds = attempt.extraBirds;
    Bird*& birdOnSlingshot = attempt.birdOnSlingshot;
    sf::Vector2f& slingshotPos = attempt.slingshotPos;
    sf::Vector2f& rightBandAnchor = attempt.rightBandAnchor;
    sf::Vector2f& leftBandAnchor = attempt.leftBandAnchor;
    sf::Vector2f& bandRestPos = attempt.bandRestPos;
    bool& isDragging = attempt.isDragging;
    bool& turnActive = attempt.turnActive;
    float& turnSettleTimer = attempt.turnSettleTimer;
    sf::Vector2f& dragStart = attempt.dragStart;
    sf::Vector2f& dragPos = attempt.dragPos;
    // Where the last bird of the attempt flew (shown while aiming the next).
    ShotTrail& shotTrail = attempt.shotTrail;
    sf::View gameView;
    std::int32_t totalScore = 0;
    // Frame time not yet spent on a whole step; emptied whenever play stops
    // or starts over, so no step is owed across a pause or a restart.
    float stepAccumulator = 0.0f;
    // Fixed steps taken since the game was built.
    std::uint64_t stepCount = 0;
    // How far the frame lies between the last two steps (Renderer::
    // setStepBlend): the part of a step owed in play, 1 anywhere else.
    float stepBlend() const;
    // The camera as drawn: between where it was before the last step and
    // where that step put it, unless it has been moved since.
    sf::View drawnView() const;
    // The last and the best attempt of each level, as replays.
    ReplayShelf replays;
    // Writes the replays and reads the ghost off the frame loop; taken up
    // at the start of each frame.
    ReplayKeeper keeper;
    // The flights of the current level's best kept attempt, once read.
    GhostPaths ghost;
    // The ghost's flight drawn now: while aiming in play, the flight the
    // level's best attempt gave the shot about to be thrown (its Nth bird's
    // for the Nth); null when there is none to show or the setting is off.
    const ShotTrail* ghostFlight() const;
    ReplayWatch watch;
    std::unique_ptr<ReplayPlayer> watchPlayer;
    HighScoreTable localHighScores;
    // The best score and stars of each level on this computer.
    ProgressTable progress;
    // The points rising over the field where they were earned.
    PointLabels pointLabels;

    // The level editor, and trying its level out: the level is played from
    // its text written to a file of its own, through the same loader as any
    // level, in the normal playing screens; the attempt's end (won, lost or
    // left with Escape) goes back to the editor, which never saw a change.
    EditorScreen editor;
    void openEditor();
    void startTestPlay(const std::string& levelText);
    void endTestPlay(const std::string& outcome);
    bool isTestPlaying() const { return testPlayFile.has_value(); }
    // Hooks for the level's owner: the editor wrote the level to a file,
    // and the player asked to see the solution its proof found.
    std::function<void(const std::filesystem::path&)> onLevelSaved;
    std::function<void(const std::string& replay)> onShowSolution;
    // By default a saved level is proven on a worker while the editor goes
    // on; its progress and verdict are shown in the editor, and "Show me"
    // watches the solution found on the saved level.
    void startProof(const std::filesystem::path& savedLevel);
    void showSolution(const std::string& replayBytes);
    // Takes up the running proof's progress and, once there, its verdict.
    void pollProof();
    std::unique_ptr<LevelProofJob> proofJob;
    // How much the editor's proof plays: the whole proof, unless a test
    // asks for a smaller search so that it ends in moments.
    LevelProof::Limits proofLimits;
    ProofProgress proofProgress;
    std::optional<ProofVerdict> proofVerdict;
    std::string provenLevelPath;
    // The replay being watched is the editor's "Show me": leaving goes back
    // to the editor.
    bool watchingForEditor = false;
    bool running = false;
    SupabaseClient supabase;
    // The cards of the kinds the current level introduces.
    FirstMeetings meetings;
    // Shows the run's settings and changes them through applySettingsChange.
    OptionsScreen optionsScreen{
        settings, [this](const OptionsScreen::Change& change) { applySettingsChange(change); }};

private:
    // Its rows name the screens' drawing functions below.
    friend class ScreenTable;

    void updateLoading(float dt);
    void finishLoading();
    void advancePlaying(float frameDt);
    void updateCosmetics(float dt);
    // Turns the points the last step earned into labels over the field.
    void collectEarnedPoints();
    void updateCamera(float dt);
    // Keeps the attempt just decided as its level's last (and maybe best).
    void keepReplay(bool won);
    // What the keeper finished since the last frame.
    void takeUpKeptReplays();
    // Asks for the current level's ghost unless it is read already.
    void askForGhost();
    void advanceWatching(float frameDt);
    void restartWatching();
    void drawWatchingScreen();
    void drawReplayOffer(const std::string& text);
    // The same level from its start, the total kept: after a loss, and for
    // restartLevel once the attempt's banked points are withdrawn.
    void startAttemptOver();
    // Drawing: drawCurrentScreen draws the screen ScreenTable names for the
    // state; each of the screens below gathers what it shows and hands it to
    // the UIRenderer, which reads nothing of the game.
    void drawCurrentScreen();
    void drawLoadingScreen();
    void drawMenuScreen();
    void drawLevelSelectScreen();
    void drawPlayingField(); // Playing and Paused
    void drawLevelCompleteScreen();
    void drawNicknameScreen();
    void drawHighScoresScreen();
    void drawLoginScreen();
    void drawClosingScreen();
    void drawMyLevelsScreen();
    void drawEditorScreen();
    void drawOptionsScreen();
    // Recreates the window fullscreen or in a window of windowedSize.
    void recreateWindow(bool fullscreen);
    void drawBandsAndPreview();
    void drawShotTrail();
    void drawGhost();
    void applySoundSettings();
    void applyFramePacing();

    float loadingAccumulator = 0.0f;
    // The camera's centre before and after the last step.
    sf::Vector2f cameraBeforeStep;
    sf::Vector2f cameraAfterStep;
    // Turns the spinner of a screen that waits for the scores server.
    float busyPhase = 0.0f;
    // The replay the command line asked to open once loading is done.
    std::optional<std::string> replayToOpen;
    // The level file the command line asked to play once loading is done.
    std::optional<std::string> ownLevelToOpen;
    // The level whose ghost was asked for last (0: none), and whether a won
    // attempt kept since may have changed its best.
    int ghostAskedFor = 0;
    bool ghostStale = false;
    // While the editor's level is tried out: its file, and how the attempt
    // ended once it has (taken up after the step that ended it).
    std::optional<std::string> testPlayFile;
    std::optional<std::string> testPlayOutcome;
    // --editor: the editor opens once loading is done, on this file if any.
    bool editorAtStart = false;
    std::optional<std::string> editorFileAtStart;
};

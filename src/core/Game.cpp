#include "core/Game.h"

#include "assets/DataPaths.h"
#include "assets/ResourceManager.h"
#include "assets/SoundManager.h"
#include "assets/TextureTable.h"
#include "assets/WindowIcon.h"
#include "core/AimingPreview.h"
#include "core/FieldCamera.h"
#include "core/LevelWatchers.h"
#include "core/ScreenTable.h"
#include "core/SimulationFingerprint.h"
#include "entities/BoostBird.h"
#include "entities/Enemy.h"
#include "entities/Entity.h"
#include "entities/ExplosionBird.h"
#include "entities/ExplosionBurst.h"
#include "entities/SplitBird.h"
#include "level/ShippedLevels.h"
#include "online/BackendConfig.h"
#include "ui/ClosingScreen.h"
#include "ui/FieldViewLayout.h"
#include "ui/LoginForm.h"

#include <SFML/System/Clock.hpp>
#include <SFML/Window/VideoMode.hpp>
#include <SFML/Window/WindowStyle.hpp>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace {
const sf::Color BAND_COLOR(100, 50, 0, 255);
// The last shot's dots: faint, so that the aiming preview stands out above them.
const sf::Color SHOT_TRAIL_COLOR(255, 255, 255, 130);
constexpr float SHOT_TRAIL_DOT_RADIUS = 2.5f;
// The best attempt's flight: fainter still, and smaller, so that it reads as
// a hint beneath both the trail and the preview.
const sf::Color GHOST_COLOR(170, 220, 255, 90);
constexpr float GHOST_DOT_RADIUS = 2.0f;

std::string resourcePath(const char* path) {
    return DataPaths::forThisProcess().resource(path);
}

// The backend this run talks to: the build's defaults, then the settings
// file, then the environment; the values in use are logged, never the key.
SupabaseClient backendClientForThisRun(const Settings& settings) {
    const BackendConfig config = BackendConfig::layered(
        {settings.backendLayer(), BackendConfig::fromProcessEnvironment()}, std::cerr);
    std::cout << config.describe() << std::endl;
    return SupabaseClient(config.baseUrl, config.anonKey, config.emailDomain);
}

// Where the settings are read from; the folder is only made when they are
// first saved.
std::string settingsFileForThisRun() {
    const std::filesystem::path& dir = DataPaths::forThisProcess().playerConfigDir();
    return dir.empty() ? std::string() : (dir / Settings::FILE_NAME).string();
}

sf::VideoMode videoModeFor(bool fullscreen, sf::Vector2u windowedSize) {
    return fullscreen ? sf::VideoMode::getDesktopMode()
                      : sf::VideoMode(windowedSize.x, windowedSize.y, 32);
}

sf::Uint32 styleFor(bool fullscreen) {
    return fullscreen ? sf::Style::Fullscreen : sf::Style::Default;
}

// What the editor marks on the field: where a level may reach, what the
// camera shows when an attempt starts (in the narrowest window, so a level
// that fits it fits every window) and the slingshot.
EditorScreen::FieldMarks editorFieldMarks(sf::Vector2f slingshot) {
    const sf::Vector2f view(FieldViewLayout::MIN_FIELD_WIDTH, FieldViewLayout::FIELD_HEIGHT);
    return {
        FieldCamera::LEVEL_BOUNDS,
        {FieldCamera::HOME.x - view.x * 0.5f, FieldCamera::HOME.y - view.y * 0.5f, view.x, view.y},
        slingshot,
        GROUND_TOP_Y_PX};
}
} // namespace

Game::Game(unsigned int width, unsigned int height, const std::string& title,
           const CommandLineOptions& options)
    : settingsPath(settingsFileForThisRun()),
      savedSettings(Settings::load(settingsPath, std::cerr)),
      settings(savedSettings.withCommandLine(options)), windowTitle(title),
      windowedSize(width, height),
      window(videoModeFor(settings.fullscreen, windowedSize), title, styleFor(settings.fullscreen)),
      renderer(window), ui(renderer, ResourceManager::getInstance()), input(*this),
      stateManager(*this, supabase),
      attempt(stateManager.attemptFlags(), &particles,
              // While a replay is watched its verdicts only show on the field.
              {[this] {
                   if (isTestPlaying()) {
                       const int score = contactListener.levelScore;
                       const int stars = GameStateManager::rateStars(
                           score, stateManager.totalEnemies, countUnlaunchedBirds(),
                           stateManager.totalBirds);
                       stateManager.levelEnded = true;
                       testPlayOutcome = "won, score " + std::to_string(score) + ", stars " +
                                         std::to_string(stars);
                   } else if (stateManager.state != Watching) {
                       keepReplay(true);
                       stateManager.levelCompleted();
                   }
               },
               [this] {
                   if (stateManager.state != Watching) {
                       keepReplay(false);
                   }
               },
               [this] {
                   if (isTestPlaying()) {
                       testPlayOutcome = "lost";
                   } else if (stateManager.state != Watching) {
                       startAttemptOver();
                   }
               },
               [this] { stateManager.withdrawLossBanner(); },
               [this](const std::string& text, float seconds, std::optional<BirdKind> kind) {
                   stateManager.showMessage(text, seconds, kind);
               },
               [](int sound) { SoundManager::getInstance().play(sound, 100.0f); },
               [](int sound, float impulse) {
                   SoundManager::getInstance().playImpact(sound, impulse);
               }}),
      replays(ReplayShelf::forThisProcess()),
      localHighScores(DataPaths::forThisProcess().highScoreFile()),
      progress(DataPaths::forThisProcess().playerDataFile(ProgressTable::FILE_NAME),
               ShippedLevels::count()),
      editor(DataPaths::forThisProcess().playerDataDir(), editorFieldMarks(attempt.slingshotPos),
             {[this] { stateManager.transitionTo(Menu); },
              [this](const std::string& text) { startTestPlay(text); },
              [this](const std::filesystem::path& path) {
                  if (onLevelSaved) {
                      onLevelSaved(path);
                  }
              },
              [this](const std::string& replay) {
                  if (onShowSolution) {
                      onShowSolution(replay);
                  }
              }}),
      supabase(backendClientForThisRun(settings)), replayToOpen(options.replayFile),
      ownLevelToOpen(options.levelFile), editorAtStart(options.editor),
      editorFileAtStart(options.editorFile) {
    localHighScores.loadHighScores();
    progress.load();
    onLevelSaved = [this](const std::filesystem::path& path) { startProof(path); };
    onShowSolution = [this](const std::string& replay) { showSolution(replay); };
    running = true;
    std::cout << "Game constructor: started." << std::endl;
    std::cout << settings.describe() << std::endl;
    WindowIcon::applyTo(window);
    applyFramePacing();
    applySoundSettings();
    supabase.setSessionListener([this] { stateManager.clientSessionChanged(); });

    ResourceManager& resources = ResourceManager::getInstance();
    resources.loadTexture("loading_bg", resourcePath("/images/loading_bg.png"));
    resources.loadTexture("bird_red", resourcePath("/images/birds/basic_bird.png"));
}

// ---------------------------------------------------------------- frame

void Game::run() {
    // The player's frame loop never waits on the scores server.
    supabase.runInBackground();
    sf::Clock clock;
    while (running) {
        if (!window.isOpen()) {
            return;
        }
        runFrame(clock.restart().asSeconds());
    }
}

void Game::runFrame(float dt) {
    input.processEvents(window);
    update(dt);
    render();
    framePacer.frameDone();
}

void Game::update(float dt) {
    takeUpKeptReplays();
    pollProof();
    // The backend's answers are taken up here, between frames, by the
    // screens that still want them.
    stateManager.dropStaleInterest();
    supabase.pollCompleted();
    busyPhase += dt;

    // Only the focused login field blinks; everywhere else the cursor rests visible.
    LoginForm::stepCursor(stateManager.state == Login &&
                              LoginForm::isTextField(stateManager.loginFocus),
                          dt, stateManager.cursorBlinkTimer, stateManager.cursorVisible);

    if (stateManager.state == Loading) {
        updateLoading(dt);
    } else if (stateManager.state == Playing) {
        advancePlaying(dt);
        if (testPlayOutcome) {
            // A copy: ending the test play forgets the outcome.
            const std::string outcome = *testPlayOutcome;
            endTestPlay(outcome);
        }
    } else if (stateManager.state == Watching) {
        stepAccumulator = 0.0f;
        advanceWatching(dt);
    } else {
        // Time spent on any other screen is never owed to the world.
        stepAccumulator = 0.0f;
    }
}

void Game::advancePlaying(float frameDt) {
    // A long frame (a window drag, a slow backend call) is cut short: the
    // world falls behind the clock rather than racing through many steps.
    const float dt = frameDt > 0.0f ? std::min(frameDt, MAX_FRAME_SECONDS) : 0.0f;
    stepAccumulator += dt;
    while (stepAccumulator >= STEP_SECONDS && stateManager.state == Playing && !testPlayOutcome) {
        stepAccumulator -= STEP_SECONDS;
        attempt.rememberPoses();
        cameraBeforeStep = gameView.getCenter();
        attempt.stepWorld();
        ++stepCount;
        collectEarnedPoints();
        updatePlaying(STEP_SECONDS);
        cameraAfterStep = gameView.getCenter();
    }
    if (stateManager.state != Playing) {
        stepAccumulator = 0.0f;
    }
    updateCosmetics(dt);
}

// What only shows: it follows the frame's own time and never the world.
void Game::updateCosmetics(float dt) {
    if (stateManager.messageTimer > 0.0f) {
        stateManager.messageTimer -= dt;
    }
    if (!stateManager.levelEnded) {
        particles.update(dt);
    }
    pointLabels.update(dt);
}

void Game::collectEarnedPoints() {
    for (std::size_t i = 0; i < contactListener.earnedCount(); ++i) {
        const GameContactListener::PointsEarned& spot = contactListener.earned(i);
        pointLabels.add(spot.position, spot.points);
    }
    contactListener.clearEarned();
}

void Game::render() {
    drawFrame();
    renderer.display();
}

void Game::drawFrame() {
    renderer.clearFrame();
    ui.setUiScale(settings.uiScale);
    drawCurrentScreen();
    if (const std::string note = stateManager.busyNote(); !note.empty()) {
        ui.drawBusyNote(note, busyPhase);
    }
    if (settings.muted) {
        ui.drawMutedIcon();
    }
}

// ---------------------------------------------------------------- settings

void Game::changeSetting(const std::function<void(Settings&)>& change) {
    change(settings);
    change(savedSettings);
    std::string error = "no home folder to keep it in";
    if (!settingsPath.empty() &&
        DataPaths::makePrivateDirectory(std::filesystem::path(settingsPath).parent_path())) {
        error = savedSettings.save(settingsPath);
    }
    if (!error.empty()) {
        std::cerr << "Settings: not saved (" << error << "); the change holds for this run"
                  << std::endl;
    }
}

void Game::toggleMute() {
    const bool mute = !settings.muted;
    changeSetting([mute](Settings& s) { s.muted = mute; });
    applySoundSettings();
    std::cout << (mute ? "Sound muted" : "Sound on") << std::endl;
}

void Game::toggleFullscreen() {
    const bool fullscreen = !settings.fullscreen;
    if (fullscreen) {
        windowedSize = window.getSize();
    }
    changeSetting([fullscreen](Settings& s) { s.fullscreen = fullscreen; });
    recreateWindow(fullscreen);
}

void Game::recreateWindow(bool fullscreen) {
    window.create(videoModeFor(fullscreen, windowedSize), windowTitle, styleFor(fullscreen));
    // A new window starts with none of the old one's state.
    WindowIcon::applyTo(window);
    applyFramePacing();
    fitViewsToWindow();
    window.setView(gameView);
    const sf::Vector2u size = window.getSize();
    std::cout << (fullscreen ? "Fullscreen " : "Windowed ") << size.x << "x" << size.y << std::endl;
}

void Game::applySettingsChange(const std::function<void(Settings&)>& change) {
    const Settings before = settings;
    if (!before.fullscreen) {
        windowedSize = window.getSize();
    }
    changeSetting(change);
    if (settings.fullscreen != before.fullscreen) {
        recreateWindow(settings.fullscreen);
    } else if (settings.verticalSync != before.verticalSync) {
        window.setVerticalSyncEnabled(settings.verticalSync);
    }
    if (settings.frameRateLimit != before.frameRateLimit) {
        framePacer.setLimit(settings.frameRateLimit);
    }
    if (settings.muted != before.muted) {
        std::cout << (settings.muted ? "Sound muted" : "Sound on") << std::endl;
    }
    if (settings.musicVolume != before.musicVolume ||
        settings.effectsVolume != before.effectsVolume || settings.muted != before.muted) {
        applySoundSettings();
    }
    if (settings.effectsVolume != before.effectsVolume) {
        // The new level, heard at once.
        SoundManager::getInstance().play(ButtonClick, 100.0f);
    }
    if (settings.ghost && !before.ghost) {
        askForGhost();
    }
}

void Game::openOptions(GameState from) {
    optionsScreen.open(from);
    stateManager.transitionTo(OptionsMenu);
}

void Game::closeOptions() {
    stateManager.transitionTo(optionsScreen.openedFrom());
}

void Game::applySoundSettings() {
    SoundManager& sounds = SoundManager::getInstance();
    sounds.setMusicLevel(settings.musicVolume);
    sounds.setEffectsLevel(settings.effectsVolume);
    sounds.setMuted(settings.muted);
}

// Left alone unless asked for, so a default run paces its frames exactly as
// it always has (free-running).
void Game::applyFramePacing() {
    if (settings.verticalSync) {
        window.setVerticalSyncEnabled(true);
    }
    framePacer.setLimit(settings.frameRateLimit);
}

// ---------------------------------------------------------------- loading

void Game::updateLoading(float dt) {
    loadingAccumulator += dt;
    stateManager.loadingProgress = std::min(1.0f, loadingAccumulator / LOADING_SECONDS);
    if (stateManager.loadingProgress >= 1.0f) {
        finishLoading();
    }
}

void Game::finishLoading() {
    ResourceManager::getInstance().loadGameTextures();
    SoundManager::getInstance().loadAllSounds();

    levelFiles.clear();
    for (int i = 1; i <= ShippedLevels::count(); ++i) {
        levelFiles.push_back(ShippedLevels::path(i));
    }
    currentLevelIndex = 0;
    loadCurrentLevel();

    gameView = window.getDefaultView();
    FieldViewLayout(window.getSize()).applyTo(gameView);
    gameView.setCenter(500.0f, static_cast<float>(window.getSize().y) / 2.0f);
    window.setView(gameView);
    stateManager.restoreKeptSession();
    stateManager.transitionTo(Menu);
    if (replayToOpen) {
        std::string why;
        if (const std::optional<Replay> replay = Replay::readFile(*replayToOpen, why)) {
            watchReplay(*replay);
        } else {
            std::cerr << "Replay: cannot open " << *replayToOpen << ": " << why << std::endl;
        }
        replayToOpen.reset();
    }
    if (ownLevelToOpen) {
        playOwnLevel(*ownLevelToOpen);
        ownLevelToOpen.reset();
    }
    if (editorAtStart) {
        if (editorFileAtStart) {
            editor.openFile(*editorFileAtStart);
        }
        openEditor();
        editorAtStart = false;
    }
}

// ---------------------------------------------------------------- levels

std::string Game::currentLevelPath() const {
    if (testPlayFile) {
        return *testPlayFile;
    }
    if (ownLevel) {
        return ownLevel->path;
    }
    return currentLevelIndex >= 0 &&
                   currentLevelIndex < static_cast<std::int32_t>(levelFiles.size())
               ? levelFiles[static_cast<std::size_t>(currentLevelIndex)]
               : std::string();
}

namespace {
// The progress kept for one own level, under its content hash.
ProgressTable ownLevelProgress(const OwnLevel& level) {
    ProgressTable own(level.progressPath(DataPaths::forThisProcess().playerDataDir().string()), 1);
    own.load();
    return own;
}

LevelBest onlyBest(const ProgressTable& table) {
    return table.levels().empty() ? LevelBest{} : table.levels().front();
}
} // namespace

bool Game::playOwnLevel(const std::string& path) {
    std::string why;
    std::optional<OwnLevel> level = OwnLevel::open(path, why);
    if (!level) {
        std::cerr << "Level: cannot play " << path << ": " << why << std::endl;
        return false;
    }
    ownLevel = std::move(level);
    // What an earlier own level left here is not this one's.
    ownLevelBest = onlyBest(ownLevelProgress(*ownLevel));
    std::cout << "Level: playing " << path << std::endl;
    stateManager.startLevel();
    return true;
}

ProgressUpdate Game::recordResult(int score, int stars) {
    if (!ownLevel) {
        return progress.record(currentLevelIndex, score, stars);
    }
    const std::string path =
        ownLevel->progressPath(DataPaths::forThisProcess().playerDataDir().string());
    std::error_code error;
    if (!path.empty()) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    }
    ProgressTable own = ownLevelProgress(*ownLevel);
    const ProgressUpdate update = own.record(0, score, stars);
    ownLevelBest = onlyBest(own);
    return update;
}

std::string Game::shownLevelName() const {
    if (isTestPlaying()) {
        return editor.levelName().empty() ? "Untitled" : editor.levelName();
    }
    if (ownLevel) {
        return std::filesystem::path(ownLevel->path).stem().string();
    }
    return {};
}

bool Game::playsShippedWorlds() const {
    const LevelManifest& manifest = ShippedLevels::manifest();
    if (static_cast<int>(levelFiles.size()) != manifest.levelCount()) {
        return false;
    }
    for (std::size_t i = 0; i < levelFiles.size(); ++i) {
        if (levelFiles[i] != manifest.levelFile(static_cast<int>(i))) {
            return false;
        }
    }
    return true;
}

int Game::worldOf(int index) const {
    return playsShippedWorlds() ? ShippedLevels::manifest().worldOf(index) : -1;
}

WorldProgress Game::worldProgress() const {
    return WorldProgress(ShippedLevels::manifest(), progress.levels());
}

void Game::playLevelMusic() {
    const int world = worldOf(currentLevelIndex);
    if (world < 0) {
        SoundManager::getInstance().playMusic(GameMusic, true);
        return;
    }
    const World& shown = ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world)];
    SoundManager::getInstance().playMusicFile("/sounds/" + shown.music + ".wav", true);
}

void Game::loadCurrentLevel() {
    const std::string levelPath = currentLevelPath();
    if (levelPath.empty()) {
        std::cout << "Game constructor: finished." << std::endl;
        return;
    }
    discardAttempt();
    attempt.start(levelPath);
    // A shipped level that names no backdrop of its own takes its world's.
    const int world = ownLevel || isTestPlaying() ? -1 : worldOf(currentLevelIndex);
    if (world >= 0 && currentLevel != nullptr && currentLevel->background.empty()) {
        currentLevel->background =
            ShippedLevels::manifest().worlds()[static_cast<std::size_t>(world)].background;
    }
    if (currentLevel != nullptr) {
        meetings.begin(*currentLevel, progress);
        std::vector<sf::Vector2f> pieces;
        for (const auto& entity : currentLevel->entities) {
            // Where the file put it: the body holds it until the first step.
            if (entity->body != nullptr) {
                const b2Vec2 at = entity->body->GetPosition();
                pieces.push_back(toPixels(at.x, at.y));
            }
        }
        lookBounds = FieldCamera::boundsAround(pieces);
    }
    if (!isTestPlaying()) {
        askForGhost();
    }
    stateManager.totalBirds = attempt.totalBirds;
    stateManager.totalEnemies = attempt.totalEnemies;
    gameView.setCenter(FieldCamera::HOME);
    cameraBeforeStep = cameraAfterStep = FieldCamera::HOME;
    window.setView(gameView);
    std::cout << "Game constructor: finished." << std::endl;
}

void Game::discardAttempt() {
    attempt.discard();
    // No time of the old attempt is owed to the next one, and its pictures
    // go with it.
    stepAccumulator = 0.0f;
    pointLabels.clear();
    look = FieldCamera::Look{};
}

void Game::keepReplay(bool won) {
    // A level being tried out is nobody's to keep replays of yet.
    if (isTestPlaying()) {
        return;
    }
    if (ownLevel) {
        keeper.keep(ownLevel->shelf(replays), attempt.replay(OwnLevel::REPLAY_LEVEL_NUMBER), won,
                    attempt.score(), ownLevel->path);
        return;
    }
    if (currentLevelIndex < 0 ||
        currentLevelIndex >= static_cast<std::int32_t>(levelFiles.size())) {
        return;
    }
    // A win may become the best: the ghost is read again when the level
    // next starts, after the keep (the keeper works in order).
    ghostStale = ghostStale || won;
    keeper.keep(replays, attempt.replay(currentLevelIndex + 1), won, attempt.score(),
                levelFiles[static_cast<std::size_t>(currentLevelIndex)]);
}

void Game::takeUpKeptReplays() {
    ReplayKeeper::Finished finished = keeper.takeFinished();
    for (const std::string& failure : finished.failures) {
        std::cerr << "Replay: not kept (" << failure << ")" << std::endl;
    }
    if (finished.ghost) {
        ghost = std::move(*finished.ghost);
    }
}

void Game::askForGhost() {
    const int levelNumber = currentLevelIndex + 1;
    // An own level has no ghost (yet): none of the shipped level's is shown.
    if (ownLevel) {
        ghost = GhostPaths{};
        ghostAskedFor = 0;
        return;
    }
    if (!settings.ghost || (ghostAskedFor == levelNumber && !ghostStale)) {
        return;
    }
    ghostAskedFor = levelNumber;
    ghostStale = false;
    keeper.traceBest(replays, levelNumber, levelFiles[static_cast<std::size_t>(currentLevelIndex)]);
}

// ---------------------------------------------------------------- replays

bool Game::watchReplay(const Replay& replay) {
    // An own level's replay is played on that level, told by its content.
    const bool ofOwnLevel = ownLevel && replay.levelNumber == OwnLevel::REPLAY_LEVEL_NUMBER;
    const int index = replay.levelNumber - 1;
    if (!ofOwnLevel && (index < 0 || index >= static_cast<int>(levelFiles.size()))) {
        std::cerr << "Replay: level " << replay.levelNumber << " is not one of this game's"
                  << std::endl;
        return false;
    }
    const std::string levelPath =
        ofOwnLevel ? ownLevel->path : levelFiles[static_cast<std::size_t>(index)];
    const std::uint64_t levelHash = Replay::levelFileHash(levelPath).value_or(0);
    if (const auto refused =
            ReplayPlayer::refusal(replay, levelHash, SimulationFingerprint::ofThisBuild())) {
        std::cerr << "Replay: cannot be played: " << *refused << std::endl;
        return false;
    }
    if (!ofOwnLevel) {
        currentLevelIndex = index;
    }
    watch.begin(replay);
    restartWatching();
    stateManager.transitionTo(Watching);
    return true;
}

bool Game::watchKeptReplay(int levelNumber, bool best) {
    if (ownLevel) {
        return false;
    }
    std::string why;
    // The attempt just decided may still be on its way to the file.
    keeper.waitIdle();
    const std::string path = best ? replays.bestPath(levelNumber) : replays.lastPath(levelNumber);
    const std::optional<Replay> replay = Replay::readFile(path, why);
    return replay && watchReplay(*replay);
}

void Game::restartWatching() {
    stateManager.endAttempt();
    loadCurrentLevel();
    watchPlayer = std::make_unique<ReplayPlayer>(watch.replay(), attempt);
}

void Game::handleWatchInput(const sf::Event& event) {
    switch (watch.handle(event)) {
    case ReplayWatch::Action::Leave:
        leaveWatching();
        break;
    case ReplayWatch::Action::Restart:
        restartWatching();
        break;
    case ReplayWatch::Action::None:
        break;
    }
}

void Game::leaveWatching() {
    watchPlayer.reset();
    if (watchingForEditor) {
        watchingForEditor = false;
        stateManager.endAttempt();
        ownLevel.reset();
        openEditor();
        return;
    }
    stateManager.leaveToLevelSelect();
}

// The replay's inputs go in before the step they were recorded at; the
// rules, the camera and the pictures run as in play.
void Game::advanceWatching(float frameDt) {
    const float dt = frameDt > 0.0f ? std::min(frameDt, MAX_FRAME_SECONDS) : 0.0f;
    const int steps = watch.stepsFor(dt, STEP_SECONDS);
    for (int i = 0; i < steps && watchPlayer != nullptr && !watchPlayer->finished(); ++i) {
        watchPlayer->applyDueInputs();
        attempt.stepWorld();
        ++stepCount;
        collectEarnedPoints();
        updatePlaying(STEP_SECONDS);
    }
    updateCosmetics(dt);
}

void Game::restartLevel() {
    stateManager.withdrawBankedScore();
    startAttemptOver();
}

void Game::startAttemptOver() {
    stateManager.endAttempt();
    loadCurrentLevel();
    std::cout << "Restarted level " << currentLevelIndex + 1 << std::endl;
}

// ---------------------------------------------------------------- slingshot

Bird* Game::findNextBird() const {
    return attempt.findNextBird();
}

void Game::pressSlingshot(sf::Vector2i pixel) {
    attempt.press(window.mapPixelToCoords(pixel, shownView()));
}

void Game::pullSlingshot(sf::Vector2i pixel) {
    attempt.pull(window.mapPixelToCoords(pixel, shownView()));
}

void Game::launchBird() {
    attempt.launchBird();
    if (turnActive) {
        meetings.putAway(progress);
        // The flight is the rules' camera's to follow.
        look = FieldCamera::Look{};
    }
}

void Game::lookAround(float zoomSteps, sf::Vector2i panPixels) {
    if (stateManager.state != Playing || turnActive) {
        return;
    }
    const sf::View before = shownView();
    look = FieldCamera::zoomed(look, zoomSteps);
    // Window pixels to field pixels at the current zoom.
    const float scale = before.getSize().x / static_cast<float>(std::max(1u, window.getSize().x));
    look = FieldCamera::panned(look, sf::Vector2f(panPixels) * scale);
    // Only what is seen is kept: a look pushed past the bounds does not
    // have to be brought back from there.
    const sf::View after = FieldCamera::shown(gameView, look, lookBounds);
    look.offset = after.getCenter() - gameView.getCenter();
    look.zoom = after.getSize().x / gameView.getSize().x;
    if (look.zoom == 1.0f && look.offset == sf::Vector2f()) {
        look = FieldCamera::Look{};
    }
}

sf::View Game::shownView() const {
    return FieldCamera::shown(gameView, look, lookBounds);
}

void Game::activateSpecial() {
    attempt.activateSpecial();
}

int Game::countUnlaunchedBirds() const {
    return attempt.countUnlaunchedBirds();
}

int Game::countEnemies() const {
    return attempt.countEnemies();
}

// ---------------------------------------------------------------- rules

void Game::updatePlaying(float dt) {
    if (currentLevel == nullptr) {
        return;
    }
    attempt.updatePlaying(dt);
    updateCamera(dt);
}

// Runs with the rules, step by step (see FieldCamera).
void Game::updateCamera(float dt) {
    gameView.setCenter(FieldCamera::next(gameView.getCenter(), currentBird, dt));
    window.setView(gameView);
}

// ---------------------------------------------------------------- drawing

void Game::drawCurrentScreen() {
    const ScreenTable::Screen& screen = ScreenTable::of(stateManager.state);
    if (screen.draw != nullptr) {
        (this->*screen.draw)();
    }
}

void Game::drawLoadingScreen() {
    ui.drawLoadingScreen(stateManager.state, stateManager.loadingProgress,
                         static_cast<float>(screenScale().layoutSize().y) * 0.5f - 200.0f);
}

void Game::drawMenuScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawMenu(flow.state, flow.isLoggedIn, flow.loggedInUsername, progress.totalStars(),
                progress.possibleStars(), flow.menuSelection);
}

void Game::drawLevelSelectScreen() {
    const GameStateManager& flow = stateManager;
    const int world = worldOf(flow.selectedLevel);
    if (world < 0) {
        ui.drawLevelSelect(flow.state, flow.selectedLevel, levelFiles, flow.isLoggedIn,
                           flow.loggedInUsername, progress.levels());
    } else {
        const LevelManifest& manifest = ShippedLevels::manifest();
        const World& shown = manifest.worlds()[static_cast<std::size_t>(world)];
        const WorldProgress worlds = worldProgress();
        WorldPage page;
        page.name = shown.name;
        page.number = world;
        page.count = manifest.worldCount();
        page.firstLevel = shown.firstLevel;
        page.locked = !worlds.unlocked(world);
        page.background = shown.background;
        if (page.locked) {
            page.lockedHint = "Win every level of " +
                              manifest.worlds()[static_cast<std::size_t>(world - 1)].name +
                              " to open it";
        }
        ui.drawLevelSelect(flow.state, flow.selectedLevel - shown.firstLevel, shown.levelFiles,
                           flow.isLoggedIn, flow.loggedInUsername, worlds.bests(world), page);
    }
    std::error_code noFile;
    if (std::filesystem::exists(replays.bestPath(flow.selectedLevel + 1), noFile)) {
        drawReplayOffer("W: watch your best attempt at this level");
    }
}

void Game::drawReplayOffer(const std::string& text) {
    const UiScale screen = screenScale();
    window.setView(screen.view());
    ReplayWatch::drawOffer(renderer, screen.layoutSize(), text);
}

void Game::drawWatchingScreen() {
    drawPlayingField();
    const UiScale screen = screenScale();
    window.setView(screen.view());
    watch.draw(renderer, screen.layoutSize(), watchPlayer == nullptr || watchPlayer->finished());
    window.setView(gameView);
}

void Game::drawLevelCompleteScreen() {
    const GameStateManager& flow = stateManager;
    const OwnLevelResult ownResult{shownLevelName(), ownLevelBest};
    ui.drawLevelComplete(
        flow.state, currentLevelIndex, flow.stars, contactListener.levelScore, totalScore,
        flow.totalBirds, countUnlaunchedBirds(), flow.isLoggedIn, flow.loggedInUsername,
        GameStateManager::shownOnline(flow.onlineHighScores, settings.verifiedOnly),
        flow.scoresUnreachable(), flow.newBest,
        ownLevel ? std::vector<HighScore>{} : localHighScores.getHighScores(currentLevelIndex),
        ownLevel ? &ownResult : nullptr);
    // The button the keys would take, framed as the menu frames its own.
    const sf::FloatRect& chosen = flow.resultsExit == GameStateManager::ResultsExit::Retry
                                      ? ui.retryButtonRect
                                      : ui.nextLevelButtonRect;
    if (chosen.width > 0.0f) {
        window.setView(screenScale().view());
        // Four strokes, not a box: the screen's boxes are its panels.
        constexpr float FRAME_GAP = 4.0f;
        constexpr float STROKE = 3.0f;
        const sf::Vector2f topLeft(chosen.left - FRAME_GAP, chosen.top - FRAME_GAP);
        const sf::Vector2f bottomRight(chosen.left + chosen.width + FRAME_GAP,
                                       chosen.top + chosen.height + FRAME_GAP);
        const sf::Vector2f topRight(bottomRight.x, topLeft.y);
        const sf::Vector2f bottomLeft(topLeft.x, bottomRight.y);
        renderer.drawLine(topLeft, topRight, sf::Color::Yellow, STROKE);
        renderer.drawLine(topRight, bottomRight, sf::Color::Yellow, STROKE);
        renderer.drawLine(bottomRight, bottomLeft, sf::Color::Yellow, STROKE);
        renderer.drawLine(bottomLeft, topLeft, sf::Color::Yellow, STROKE);
        window.setView(gameView);
    }
    std::error_code noFile;
    // An own level's replays are on a shelf of their own, not offered here.
    if (!ownLevel && std::filesystem::exists(replays.lastPath(currentLevelIndex + 1), noFile)) {
        drawReplayOffer("W: watch this attempt again");
    }
}

void Game::drawNicknameScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawNicknameEntry(flow.state, flow.stars, contactListener.levelScore, flow.nicknameInput,
                         flow.nicknameOffered);
}

void Game::drawHighScoresScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawHighScores(flow.state, currentLevelIndex, static_cast<int>(levelFiles.size()),
                      GameStateManager::shownOnline(flow.onlineHighScores, settings.verifiedOnly),
                      flow.scoresUnreachable(), localHighScores.getHighScores(currentLevelIndex));
}

void Game::drawLoginScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawLoginScreen(flow.state, flow.isLoggedIn, flow.loggedInUsername, flow.usernameInput,
                       flow.passwordInput, flow.cursorVisible, flow.loginFocus, flow.loginError,
                       flow.previousState);
}

void Game::drawClosingScreen() {
    ClosingScreen::Shown shown;
    shown.finalScore = stateManager.finalScore;
    shown.starsEarned = progress.totalStars();
    shown.starsPossible = progress.possibleStars();
    shown.bests = progress.levels();
    // A run without worlds lists the levels it played, not every shipped one.
    shown.bests.resize(std::min(shown.bests.size(), levelFiles.size()));
    std::string backdrop = "loading_bg";
    const int world = stateManager.closingWorld;
    const LevelManifest& manifest = ShippedLevels::manifest();
    if (world >= 0 && world < manifest.worldCount()) {
        const World& closed = manifest.worlds()[static_cast<std::size_t>(world)];
        const WorldProgress worlds = worldProgress();
        shown.starsEarned = worlds.starsEarned(world);
        shown.starsPossible = worlds.starsPossible(world);
        shown.bests = worlds.bests(world);
        shown.worldName = closed.name;
        shown.firstLevel = closed.firstLevel;
        shown.nextWorld = world + 1 < manifest.worldCount();
        backdrop = closed.background;
    }
    ClosingScreen(screenScale().layoutSize())
        .draw(renderer, shown, stateManager.closingSelection,
              ResourceManager::getInstance().getTexture(backdrop));
}

void Game::openMyLevels() {
    ownLevels = OwnLevelList::read(OwnLevelList::folder(),
                                   DataPaths::forThisProcess().playerDataDir().string());
    ownLevelSelection =
        std::clamp(ownLevelSelection, 0, std::max(0, static_cast<int>(ownLevels.size()) - 1));
    stateManager.transitionTo(MyLevels);
}

std::vector<MyLevelsScreen::Row> Game::myLevelsRows() const {
    std::vector<MyLevelsScreen::Row> rows;
    for (const OwnLevelList::Entry& entry : ownLevels) {
        MyLevelsScreen::Row row;
        row.name = entry.name;
        row.playable = entry.level.has_value();
        if (!entry.level) {
            row.verdict = "Cannot be played: " + entry.error;
        } else if (!entry.verdict) {
            row.verdict = "Not proven yet";
        } else if (!entry.verdict->proven) {
            row.verdict = "Not proven: " + entry.verdict->reason;
        } else {
            std::ostringstream text;
            text << "Proven: " << entry.verdict->bestScore << " points, " << entry.verdict->stars
                 << " star(s); people win " << std::lround(entry.verdict->winShare * 100.0) << " %";
            row.verdict = text.str();
        }
        if (entry.best.completed()) {
            row.best = std::to_string(entry.best.score);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void Game::drawMyLevelsScreen() {
    MyLevelsScreen(screenScale().layoutSize())
        .draw(renderer, myLevelsRows(), ownLevelSelection, OwnLevelList::folder().string(),
              ResourceManager::getInstance().getTexture("loading_bg"));
}

UiScale Game::screenScale() const {
    return UiScale(settings.uiScale, window.getSize());
}

// Over the screen it was opened from: the paused field (the attempt stands
// still while the options are open) or the menu's backdrop.
void Game::drawOptionsScreen() {
    if (optionsScreen.openedFrom() == Paused) {
        drawPlayingField();
    } else {
        const UiScale screen = screenScale();
        window.setView(screen.view());
        renderer.drawBackground(ResourceManager::getInstance().getTexture("loading_bg"));
    }
    optionsScreen.draw(renderer, screenScale());
    window.setView(gameView);
}

void Game::fitViewsToWindow() {
    // Screens lay themselves out from the window's size every frame; only the
    // camera keeps a shape between frames.
    FieldViewLayout(window.getSize()).applyTo(gameView);
}

void Game::drawPlayingField() {
    ResourceManager& resources = ResourceManager::getInstance();
    const GameStateManager& flow = stateManager;
    window.setView(drawnView());
    // Bodies are drawn between the last two steps; everything else as it is.
    renderer.setStepBlend(stepBlend());
    if (currentLevel != nullptr) {
        renderer.drawBackground(resources.getTexture(currentLevel->background),
                                FieldViewLayout::backgroundFocus());
        currentLevel->draw(renderer);
    }
    for (auto& bird : extraBirds) {
        if (bird && bird->alive) {
            bird->draw(renderer);
        }
    }
    renderer.setStepBlend(1.0f);
    drawShotTrail();
    drawGhost();
    renderer.drawSprite(resources.getTexture("slingshot"), slingshotPos, 100.0f, 160.0f, 0.0f,
                        sf::Color::White);
    drawBandsAndPreview();
    pointLabels.draw(renderer);
    ui.drawHUD(flow.state, gameView, totalScore + contactListener.levelScore, currentLevelIndex,
               static_cast<int>(levelFiles.size()), flow.messageTimer, flow.message, currentBird,
               flow.isLoggedIn, flow.loggedInUsername, flow.messageKind, shownLevelName());
    if (flow.state == Playing) {
        meetings.draw(renderer, screenScale(), resources);
    }
    // Over the field and the HUD; draws only while paused.
    ui.drawPauseMenu(flow.state, flow.pauseSelection);
    particles.draw(renderer);
    window.setView(gameView);
}

float Game::stepBlend() const {
    if (stateManager.state != Playing) {
        return 1.0f;
    }
    return std::clamp(stepAccumulator / STEP_SECONDS, 0.0f, 1.0f);
}

sf::View Game::drawnView() const {
    sf::View view = gameView;
    if (gameView.getCenter() == cameraAfterStep) {
        const float blend = stepBlend();
        view.setCenter(cameraBeforeStep * (1.0f - blend) + cameraAfterStep * blend);
    }
    // The player's look around (only while aiming, when the camera rests).
    return FieldCamera::shown(view, look, lookBounds);
}

void Game::drawBandsAndPreview() {
    if (birdOnSlingshot == nullptr) {
        return;
    }
    if (!isDragging) {
        renderer.drawLine(rightBandAnchor, bandRestPos, BAND_COLOR, 3.0f);
        renderer.drawLine(leftBandAnchor, bandRestPos, BAND_COLOR, 3.0f);
        return;
    }
    const sf::Vector2f velocity = (slingshotPos - dragPos) * LAUNCH_FACTOR;
    AimingPreview preview = AimingPreview::compute(bandRestPos, velocity);
    if (settings.hardMode) {
        preview.cutToFirstThird();
    }
    for (std::size_t i = 0; i < preview.count; ++i) {
        const PreviewDot& dot = preview.dots[i];
        renderer.drawCircle(dot.position, dot.radius, dot.color);
    }
    renderer.drawLine(dragStart, dragPos, sf::Color::Red, 1.0f);
    renderer.drawLine(rightBandAnchor, dragPos, BAND_COLOR, 3.0f);
    renderer.drawLine(leftBandAnchor, dragPos, BAND_COLOR, 3.0f);
}

// Only while a bird waits on the slingshot: then the last flight is what the
// player aims against; during a flight it would only clutter the field.
void Game::drawShotTrail() {
    if (birdOnSlingshot == nullptr || !settings.shotTrail) {
        return;
    }
    for (std::size_t i = 0; i < shotTrail.size(); ++i) {
        renderer.drawCircle(shotTrail.dot(i), SHOT_TRAIL_DOT_RADIUS, SHOT_TRAIL_COLOR);
    }
}

const ShotTrail* Game::ghostFlight() const {
    // Between turns, with a bird still to throw: the next press seats it if
    // none sits on the slingshot yet.
    const int unthrown = countUnlaunchedBirds();
    if (ownLevel || !settings.ghost || stateManager.state != Playing || turnActive ||
        unthrown == 0 || ghost.levelNumber != currentLevelIndex + 1) {
        return nullptr;
    }
    const int thrown = attempt.totalBirds - unthrown;
    return ghost.shot(static_cast<std::size_t>(std::max(thrown, 0)));
}

void Game::drawGhost() {
    const ShotTrail* flight = ghostFlight();
    if (flight == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < flight->size(); ++i) {
        renderer.drawCircle(flight->dot(i), GHOST_DOT_RADIUS, GHOST_COLOR);
    }
}

// ---------------------------------------------------------------- editor

void Game::openEditor() {
    stateManager.transitionTo(Editor);
}

void Game::startProof(const std::filesystem::path& savedLevel) {
    std::ifstream file(savedLevel, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    // A proof of the level as it was before is of no use any more.
    proofJob.reset();
    proofVerdict.reset();
    proofProgress = ProofProgress{};
    provenLevelPath = savedLevel.string();
    proofJob = std::make_unique<LevelProofJob>(std::move(bytes), proofLimits, provenLevelPath);
    editor.showProof(&proofProgress, nullptr);
    std::cout << "Editor: proving " << provenLevelPath << std::endl;
}

void Game::pollProof() {
    if (proofJob == nullptr) {
        return;
    }
    proofProgress = proofJob->progress();
    if (std::optional<ProofVerdict> verdict = proofJob->take()) {
        proofVerdict = std::move(verdict);
        proofJob.reset();
        editor.showProof(nullptr, &*proofVerdict);
        std::cout << "Editor: " << provenLevelPath
                  << (proofVerdict->proven ? " proven" : " not proven: " + proofVerdict->reason)
                  << std::endl;
    }
}

void Game::showSolution(const std::string& replayBytes) {
    std::string why;
    const std::optional<Replay> replay = Replay::decode(replayBytes, why);
    std::optional<OwnLevel> level;
    if (replay) {
        level = OwnLevel::open(provenLevelPath, why);
    }
    if (!replay || !level) {
        editor.say("Cannot show the solution: " + why);
        return;
    }
    ownLevel = std::move(level);
    watchingForEditor = true;
    if (!watchReplay(*replay)) {
        ownLevel.reset();
        watchingForEditor = false;
        editor.say("Cannot show the solution: the level changed since its proof");
    }
}

void Game::startTestPlay(const std::string& levelText) {
    const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                       ("vollarin-editor-" + std::to_string(::getpid()) + ".txt");
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << levelText;
    file.close();
    if (!file) {
        editor.say("Cannot play it: " + path.string() + " could not be written");
        return;
    }
    std::cout << "Editor: test play" << std::endl;
    testPlayFile = path.string();
    testPlayOutcome.reset();
    stateManager.startLevel();
}

void Game::endTestPlay(const std::string& outcome) {
    stateManager.endAttempt();
    std::error_code ignored;
    if (testPlayFile) {
        std::filesystem::remove(*testPlayFile, ignored);
    }
    testPlayFile.reset();
    testPlayOutcome.reset();
    std::cout << "Editor: test play " << outcome << std::endl;
    editor.say("Test play " + outcome);
    stateManager.transitionTo(Editor);
}

void Game::drawEditorScreen() {
    editor.draw(renderer, ResourceManager::getInstance(), window.getSize());
    window.setView(gameView);
}

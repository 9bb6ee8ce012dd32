#include "core/Game.h"

#include "assets/DataPaths.h"
#include "assets/ResourceManager.h"
#include "assets/SoundManager.h"
#include "assets/TextureTable.h"
#include "assets/WindowIcon.h"
#include "core/AimingPreview.h"
#include "core/LevelWatchers.h"
#include "core/ScreenTable.h"
#include "entities/BoostBird.h"
#include "entities/Enemy.h"
#include "entities/Entity.h"
#include "entities/ExplosionBird.h"
#include "entities/ExplosionBurst.h"
#include "entities/SplitBird.h"
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
#include <iostream>

namespace {
constexpr float PULL_START_RADIUS = 200.0f;
constexpr float PULL_LIMIT = 150.0f;
constexpr float SETTLE_SPEED = 15.0f; // px/s
constexpr float SETTLE_TIME = 0.5f;
constexpr float SPECIAL_BANNER_SECONDS = 2.0f;
const sf::Vector2f CAMERA_HOME{500.0f, 350.0f};
const b2Vec2 GRAVITY{0.0f, Game::GRAVITY_MPS2};
const sf::Color BAND_COLOR(100, 50, 0, 255);
// The last shot's dots: faint, so that the aiming preview stands out above them.
const sf::Color SHOT_TRAIL_COLOR(255, 255, 255, 130);
constexpr float SHOT_TRAIL_DOT_RADIUS = 2.5f;

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

float length(sf::Vector2f v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
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
      stateManager(*this, supabase), world(std::make_unique<b2World>(GRAVITY)),
      contactListener(&particles), localHighScores(DataPaths::forThisProcess().highScoreFile()),
      progress(DataPaths::forThisProcess().playerDataFile(ProgressTable::FILE_NAME), LEVEL_COUNT),
      supabase(backendClientForThisRun(settings)),
      watchers(stateManager.attemptFlags(),
               {[this] { stateManager.levelCompleted(); }, [this] { loseLevel(); },
                [this] { startAttemptOver(); }, [this] { stateManager.withdrawLossBanner(); }}) {
    localHighScores.loadHighScores();
    progress.load();
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

    rightBandAnchor = {slingshotPos.x + 18.0f, slingshotPos.y - 45.0f};
    leftBandAnchor = {slingshotPos.x - 22.0f, slingshotPos.y - 45.0f};
    bandRestPos = (rightBandAnchor + leftBandAnchor) / 2.0f;
}

// ---------------------------------------------------------------- frame

void Game::run() {
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
    // Only the focused login field blinks; everywhere else the cursor rests visible.
    LoginForm::stepCursor(stateManager.state == Login &&
                              stateManager.loginFocus != LoginForm::NoField,
                          dt, stateManager.cursorBlinkTimer, stateManager.cursorVisible);

    if (stateManager.state == Loading) {
        updateLoading(dt);
    } else if (stateManager.state == Playing) {
        advancePlaying(dt);
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
    while (stepAccumulator >= STEP_SECONDS && stateManager.state == Playing) {
        stepAccumulator -= STEP_SECONDS;
        world->Step(STEP_SECONDS, VELOCITY_ITERATIONS, POSITION_ITERATIONS);
        ++stepCount;
        collectEarnedPoints();
        updatePlaying(STEP_SECONDS);
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
    drawCurrentScreen();
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
    window.create(videoModeFor(fullscreen, windowedSize), windowTitle, styleFor(fullscreen));
    // A new window starts with none of the old one's state.
    WindowIcon::applyTo(window);
    applyFramePacing();
    fitViewsToWindow();
    window.setView(gameView);
    const sf::Vector2u size = window.getSize();
    std::cout << (fullscreen ? "Fullscreen " : "Windowed ") << size.x << "x" << size.y << std::endl;
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
    for (int i = 1; i <= LEVEL_COUNT; ++i) {
        levelFiles.push_back(DataPaths::forThisProcess().resourceRoot() + "/levels/level" +
                             std::to_string(i) + ".txt");
    }
    currentLevelIndex = 0;
    loadCurrentLevel();

    gameView = window.getDefaultView();
    FieldViewLayout(window.getSize()).applyTo(gameView);
    gameView.setCenter(500.0f, static_cast<float>(window.getSize().y) / 2.0f);
    window.setView(gameView);
    stateManager.restoreKeptSession();
    stateManager.transitionTo(Menu);
}

// Every body goes with the old world; the caller has let go of them first.
void Game::rebuildWorld() {
    world = std::make_unique<b2World>(GRAVITY);
    world->SetContactListener(&contactListener);
    createGround();
}

void Game::createGround() {
    b2BodyDef groundDef;
    groundDef.type = b2_staticBody;
    groundDef.position.Set(GROUND_CENTRE_X_PX * METERS_PER_PIXEL,
                           GROUND_CENTRE_Y_PX * METERS_PER_PIXEL);
    b2Body* ground = world->CreateBody(&groundDef);

    b2PolygonShape box;
    box.SetAsBox(GROUND_WIDTH_PX / 2.0f * METERS_PER_PIXEL,
                 GROUND_HEIGHT_PX / 2.0f * METERS_PER_PIXEL);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.restitution = 0.0f;
    fixture.density = 0.0f;
    fixture.filter.categoryBits = CATEGORY_GROUND;
    fixture.filter.maskBits = MASK_GROUND;
    ground->CreateFixture(&fixture);
}

// ---------------------------------------------------------------- levels

void Game::loadCurrentLevel() {
    if (currentLevelIndex >= static_cast<std::int32_t>(levelFiles.size())) {
        std::cout << "Game constructor: finished." << std::endl;
        return;
    }
    discardAttempt();
    rebuildWorld();
    Level loaded = levelLoader.loadLevel(levelFiles[currentLevelIndex], world.get());
    if (levels.size() <= static_cast<std::size_t>(currentLevelIndex)) {
        levels.resize(static_cast<std::size_t>(currentLevelIndex) + 1);
    }
    levels[currentLevelIndex] = loaded;
    currentLevel = &levels[currentLevelIndex];

    stateManager.totalBirds = static_cast<std::int32_t>(
        std::count_if(currentLevel->entities.begin(), currentLevel->entities.end(),
                      [](const auto& entity) { return dynamic_cast<Bird*>(entity.get()); }));
    // Counted now: by the time the level is rated its enemies have left the list.
    stateManager.totalEnemies = countEnemies();
    gameView.setCenter(CAMERA_HOME);
    window.setView(gameView);

    int waiting = 0;
    for (const auto& entity : currentLevel->entities) {
        auto* bird = dynamic_cast<Bird*>(entity.get());
        if (bird == nullptr || bird->launched) {
            continue;
        }
        if (birdOnSlingshot == nullptr) {
            seatBird(bird);
        } else {
            bird->position = {slingshotPos.x - 60.0f - 25.0f * static_cast<float>(waiting),
                              slingshotPos.y + 40.0f};
            ++waiting;
        }
    }
    std::cout << "Game constructor: finished." << std::endl;
}

void Game::discardAttempt() {
    releaseSplitBirds();
    if (currentLevel != nullptr) {
        currentLevel->clear();
    }
    currentBird = nullptr;
    birdOnSlingshot = nullptr;
    turnActive = false;
    turnSettleTimer = 0.0f;
    // A pull left over from the old attempt must not launch a bird of the
    // next one, and no time of the old attempt is owed to the next one.
    isDragging = false;
    stepAccumulator = 0.0f;
    // The pictures of the old attempt go with it.
    shotTrail.clear();
    pointLabels.clear();
    contactListener.clearEarned();
}

void Game::releaseSplitBirds() {
    for (auto& bird : extraBirds) {
        if (bird) {
            bird->destroyBody();
        }
    }
    extraBirds.clear();
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
    if (currentLevel == nullptr) {
        return nullptr;
    }
    for (const auto& entity : currentLevel->entities) {
        auto* bird = dynamic_cast<Bird*>(entity.get());
        if (bird != nullptr && !bird->launched) {
            return bird;
        }
    }
    return nullptr;
}

void Game::seatBird(Bird* bird) {
    birdOnSlingshot = bird;
    if (bird != nullptr) {
        bird->initPhysics(world.get(), bandRestPos);
    }
}

void Game::pressSlingshot(sf::Vector2i pixel) {
    const sf::Vector2f point = window.mapPixelToCoords(pixel, gameView);
    if (birdOnSlingshot == nullptr) {
        if (Bird* next = findNextBird()) {
            seatBird(next);
        }
    }
    if (birdOnSlingshot == nullptr || !birdOnSlingshot->canLaunch()) {
        return;
    }
    const double dx = static_cast<double>(point.x) - slingshotPos.x;
    const double dy = static_cast<double>(point.y) - slingshotPos.y;
    if (static_cast<float>(std::sqrt(dx * dx + dy * dy)) >= PULL_START_RADIUS) {
        return;
    }
    isDragging = true;
    dragStart = bandRestPos;
    dragPos = point;
    SoundManager::getInstance().play(SlingshotPull, 100.0f);
    birdOnSlingshot->position = bandRestPos;
}

void Game::pullSlingshot(sf::Vector2i pixel) {
    dragPos = window.mapPixelToCoords(pixel, gameView);
    const sf::Vector2f pull = dragPos - slingshotPos;
    const float distance = length(pull);
    if (distance > PULL_LIMIT) {
        dragPos = slingshotPos + pull * PULL_LIMIT / distance;
    }
    if (birdOnSlingshot != nullptr) {
        birdOnSlingshot->position = dragPos;
    }
}

void Game::launchBird() {
    if (birdOnSlingshot == nullptr || !birdOnSlingshot->canLaunch()) {
        return;
    }
    const float dx = slingshotPos.x - dragPos.x;
    const float dy = slingshotPos.y - dragPos.y;
    const sf::Vector2f velocity{dx * LAUNCH_FACTOR, dy * LAUNCH_FACTOR};
    std::cout << "Drag: (" << dx << ", " << dy << ") \u2192 Velocity: (" << velocity.x << ", "
              << velocity.y << ") m/s" << std::endl;
    SoundManager::getInstance().play(BirdLaunch, 100.0f);
    birdOnSlingshot->launch(velocity);
    shotTrail.start(birdOnSlingshot->position);
    currentBird = birdOnSlingshot;
    birdOnSlingshot = nullptr;
    turnActive = true;
}

// ---------------------------------------------------------------- specials

void Game::activateSpecial() {
    if (currentBird == nullptr || !currentBird->launched || currentBird->specialUsed) {
        return;
    }
    currentBird->useSpecial();
    // The banner takes the colour of the kind whose special it announces.
    if (dynamic_cast<BoostBird*>(currentBird) != nullptr) {
        stateManager.showMessage("BOOST ACTIVATED!", SPECIAL_BANNER_SECONDS, Boost);
    } else if (auto* split = dynamic_cast<SplitBird*>(currentBird)) {
        stateManager.showMessage("SPLIT INTO 3 BIRDS!", SPECIAL_BANNER_SECONDS, Split);
        extraBirds.insert(extraBirds.end(), split->spawnedBirds.begin(), split->spawnedBirds.end());
    } else if (dynamic_cast<ExplosionBird*>(currentBird) != nullptr) {
        stateManager.showMessage("EXPLOSION!", SPECIAL_BANNER_SECONDS, Explosion);
        ExplosionBurst::emit(particles, currentBird->position);
    }
    std::cout << "Special ability activated!" << std::endl;
}

int Game::countUnlaunchedBirds() const {
    return currentLevel == nullptr ? 0 : LevelWatchers::unlaunchedBirds(*currentLevel);
}

int Game::countEnemies() const {
    if (currentLevel == nullptr) {
        return 0;
    }
    return static_cast<int>(std::count_if(
        currentLevel->entities.begin(), currentLevel->entities.end(),
        [](const auto& entity) { return dynamic_cast<Enemy*>(entity.get()) != nullptr; }));
}

// ---------------------------------------------------------------- rules

void Game::updatePlaying(float dt) {
    if (currentLevel == nullptr) {
        return;
    }
    currentLevel->update(dt);
    updateBirdsInFlight(dt);
    if (currentBird != nullptr && currentBird->alive) {
        shotTrail.follow(currentBird->position);
    }
    updateTurn(dt);
    updateCamera(dt);
    if (stateManager.levelEnded) {
        return;
    }
    updateWatchers(dt);
}

void Game::updateBirdsInFlight(float dt) {
    if (currentBird != nullptr) {
        currentBird->update(dt);
    }
    for (auto& bird : extraBirds) {
        if (bird && bird->alive) {
            bird->update(dt);
            // A split bird that left play must not keep pushing blocks around
            // while the rest of its family is still flying.
            if (!bird->alive) {
                bird->destroyBody();
            }
        }
    }
}

bool Game::anyBirdStillMoving() const {
    auto moving = [](const Bird& bird) {
        return bird.alive && length(bird.getVelocity()) >= SETTLE_SPEED;
    };
    if (moving(*currentBird)) {
        return true;
    }
    return std::any_of(extraBirds.begin(), extraBirds.end(),
                       [&](const auto& bird) { return bird && moving(*bird); });
}

void Game::updateTurn(float dt) {
    if (!turnActive) {
        return;
    }
    if (currentBird == nullptr) {
        turnActive = false;
        return;
    }
    if (anyBirdStillMoving()) {
        turnSettleTimer = 0.0f;
        return;
    }
    turnSettleTimer += dt;
    if (turnSettleTimer > SETTLE_TIME) {
        endTurn();
    }
}

void Game::endTurn() {
    std::cout << "Bird turn finished!" << std::endl;
    turnActive = false;
    turnSettleTimer = 0.0f;
    releaseSplitBirds();
    currentBird = nullptr;
    if (Bird* next = findNextBird()) {
        seatBird(next);
        return;
    }
    birdOnSlingshot = nullptr;
    if (!currentLevel->allEnemiesDead()) {
        loseLevel();
    }
}

void Game::loseLevel() {
    stateManager.gameOverPending = true;
    stateManager.gameOverTimer = LevelWatchers::GAME_OVER_DELAY;
    stateManager.showMessage("Game Over! Restarting...", LevelWatchers::GAME_OVER_DELAY);
    SoundManager::getInstance().play(LevelLose, 100.0f);
    std::cout << "Game Over! No birds left." << std::endl;
}

// Runs with the rules, step by step: the view decides where a press lands in
// the world, so the same shot at the same step must see the same view.
void Game::updateCamera(float dt) {
    sf::Vector2f centre = gameView.getCenter();
    if (currentBird != nullptr && currentBird->alive) {
        const float birdX = currentBird->position.x;
        if (birdX > 600.0f) {
            float x = centre.x + (birdX - centre.x) * (5.0f * dt);
            x = std::max(std::min(x, 1600.0f), 400.0f);
            centre = {x, CAMERA_HOME.y};
        } else {
            centre = CAMERA_HOME;
        }
    } else {
        currentBird = nullptr;
        centre += (CAMERA_HOME - centre) * (2.0f * dt);
    }
    gameView.setCenter(centre);
    window.setView(gameView);
}

void Game::updateWatchers(float dt) {
    watchers.step(dt, *currentLevel, turnActive);
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
                         static_cast<float>(window.getSize().y) * 0.5f - 200.0f);
}

void Game::drawMenuScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawMenu(flow.state, flow.isLoggedIn, flow.loggedInUsername, progress.totalStars(),
                progress.possibleStars(), flow.menuSelection);
}

void Game::drawLevelSelectScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawLevelSelect(flow.state, flow.selectedLevel, levelFiles, flow.isLoggedIn,
                       flow.loggedInUsername, progress.levels());
}

void Game::drawLevelCompleteScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawLevelComplete(flow.state, currentLevelIndex, flow.stars, contactListener.levelScore,
                         totalScore, flow.totalBirds, countUnlaunchedBirds(), flow.isLoggedIn,
                         flow.loggedInUsername, flow.onlineHighScores, flow.scoresUnreachable(),
                         flow.newBest, localHighScores.getHighScores(currentLevelIndex));
}

void Game::drawNicknameScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawNicknameEntry(flow.state, flow.stars, contactListener.levelScore, flow.nicknameInput,
                         flow.nicknameOffered);
}

void Game::drawHighScoresScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawHighScores(flow.state, currentLevelIndex, static_cast<int>(levelFiles.size()),
                      flow.onlineHighScores, flow.scoresUnreachable(),
                      localHighScores.getHighScores(currentLevelIndex));
}

void Game::drawLoginScreen() {
    const GameStateManager& flow = stateManager;
    ui.drawLoginScreen(flow.state, flow.isLoggedIn, flow.loggedInUsername, flow.usernameInput,
                       flow.passwordInput, flow.cursorVisible, flow.loginFocus, flow.loginError,
                       flow.previousState);
}

void Game::drawClosingScreen() {
    const ClosingScreen::Shown shown{stateManager.finalScore, progress.totalStars(),
                                     progress.possibleStars(), progress.levels()};
    ClosingScreen(window.getSize())
        .draw(renderer, shown, stateManager.closingSelection,
              ResourceManager::getInstance().getTexture("loading_bg"));
}

void Game::fitViewsToWindow() {
    // Screens lay themselves out from the window's size every frame; only the
    // camera keeps a shape between frames.
    FieldViewLayout(window.getSize()).applyTo(gameView);
}

void Game::drawPlayingField() {
    ResourceManager& resources = ResourceManager::getInstance();
    const GameStateManager& flow = stateManager;
    window.setView(gameView);
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
    drawShotTrail();
    renderer.drawSprite(resources.getTexture("slingshot"), slingshotPos, 100.0f, 160.0f, 0.0f,
                        sf::Color::White);
    drawBandsAndPreview();
    pointLabels.draw(renderer);
    ui.drawHUD(flow.state, gameView, totalScore + contactListener.levelScore, currentLevelIndex,
               static_cast<int>(levelFiles.size()), flow.messageTimer, flow.message, currentBird,
               flow.isLoggedIn, flow.loggedInUsername, flow.messageKind);
    // Over the field and the HUD; draws only while paused.
    ui.drawPauseMenu(flow.state, flow.pauseSelection);
    particles.draw(renderer);
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
    const AimingPreview preview = AimingPreview::compute(bandRestPos, velocity);
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
    if (birdOnSlingshot == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < shotTrail.size(); ++i) {
        renderer.drawCircle(shotTrail.dot(i), SHOT_TRAIL_DOT_RADIUS, SHOT_TRAIL_COLOR);
    }
}

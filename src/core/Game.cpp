#include "core/Game.h"

#include "assets/ResourceManager.h"
#include "assets/TextureTable.h"
#include "entities/Entity.h"
#include "online/BackendConfig.h"

#include <SFML/System/Clock.hpp>
#include <algorithm>
#include <iostream>

namespace {
std::string resourcePath(const char* path) {
    return std::string(RESOURCE_ROOT) + path;
}
} // namespace

Game::Game(unsigned int width, unsigned int height, const std::string& title)
    : window(sf::VideoMode(width, height, 32), title), renderer(window),
      ui(*this, renderer, ResourceManager::getInstance(), localHighScores), input(*this),
      stateManager(*this, supabase), world(b2Vec2(0.0f, 5.0f)), contactListener(this),
      localHighScores(), supabase(BACKEND_BASE_URL, BACKEND_ANON_KEY) {
    localHighScores.loadHighScores();
    running = true;
    std::cout << "Game constructor: started." << std::endl;

    ResourceManager& resources = ResourceManager::getInstance();
    resources.loadTexture("loading_bg", resourcePath("/images/loading_bg.png"));
    resources.loadTexture("bird_red", resourcePath("/images/birds/basic_bird.png"));

    rightBandAnchor = {slingshotPos.x + 18.0f, slingshotPos.y - 45.0f};
    leftBandAnchor = {slingshotPos.x - 22.0f, slingshotPos.y - 45.0f};
    bandRestPos = (rightBandAnchor + leftBandAnchor) / 2.0f;
}

void Game::run() {
    sf::Clock clock;
    while (running) {
        if (!window.isOpen()) {
            return;
        }
        const float dt = clock.restart().asSeconds();
        input.processEvents(window);
        update(dt);
        render();
    }
}

void Game::update(float dt) {
    // Only the login fields blink; everywhere else the cursor rests visible.
    if (stateManager.state == Login && stateManager.loginFocus != 0) {
        stateManager.cursorBlinkTimer += dt;
        if (stateManager.cursorBlinkTimer >= 0.5f) {
            stateManager.cursorVisible = !stateManager.cursorVisible;
            stateManager.cursorBlinkTimer = 0.0f;
        }
    } else {
        stateManager.cursorVisible = true;
        stateManager.cursorBlinkTimer = 0.0f;
    }

    switch (stateManager.state) {
    case Loading:
        updateLoading(dt);
        break;
    case Playing:
        stepWorld(dt);
        updatePlaying(dt);
        break;
    default:
        break;
    }
}

void Game::updateLoading(float dt) {
    loadingAccumulator += dt;
    stateManager.loadingProgress = std::min(1.0f, loadingAccumulator / LOADING_SECONDS);
    if (stateManager.loadingProgress >= 1.0f) {
        finishLoading();
    }
}

void Game::finishLoading() {
    world.SetContactListener(&contactListener);
    ResourceManager::getInstance().loadGameTextures();
    createGround();

    levelFiles.clear();
    for (int i = 1; i <= LEVEL_COUNT; ++i) {
        levelFiles.push_back(std::string(RESOURCE_ROOT) + "/levels/level" + std::to_string(i) +
                             ".txt");
    }
    currentLevelIndex = 0;
    loadCurrentLevel();

    gameView = window.getDefaultView();
    gameView.setSize(1200.0f, 900.0f);
    gameView.setCenter(500.0f, static_cast<float>(window.getSize().y) / 2.0f);
    window.setView(gameView);
    stateManager.transitionTo(Menu);
}

void Game::createGround() {
    b2BodyDef groundDef;
    groundDef.type = b2_staticBody;
    groundDef.position.Set(600.0f * METERS_PER_PIXEL, 580.0f * METERS_PER_PIXEL);
    b2Body* ground = world.CreateBody(&groundDef);

    b2PolygonShape box;
    box.SetAsBox(800.0f * METERS_PER_PIXEL, 20.0f * METERS_PER_PIXEL);
    b2FixtureDef fixture;
    fixture.shape = &box;
    fixture.friction = 0.2f;
    fixture.restitution = 0.0f;
    fixture.density = 0.0f;
    fixture.filter.categoryBits = CATEGORY_GROUND;
    fixture.filter.maskBits = MASK_GROUND;
    ground->CreateFixture(&fixture);
}

void Game::stepWorld(float dt) {
    world.Step(dt, 8, 3);
}

void Game::loadCurrentLevel() {
    if (currentLevelIndex >= static_cast<std::int32_t>(levelFiles.size())) {
        std::cout << "Game constructor: finished." << std::endl;
        return;
    }
    if (currentLevel != nullptr) {
        currentLevel->clear();
    }
    Level loaded = levelLoader.loadLevel(levelFiles[currentLevelIndex], &world);
    if (levels.size() <= static_cast<std::size_t>(currentLevelIndex)) {
        levels.resize(static_cast<std::size_t>(currentLevelIndex) + 1);
    }
    levels[currentLevelIndex] = loaded;
    currentLevel = &levels[currentLevelIndex];

    stateManager.totalBirds = 0;
    gameView.setCenter(500.0f, 350.0f);
    window.setView(gameView);
    birdOnSlingshot = nullptr;
    std::cout << "Game constructor: finished." << std::endl;
}

void Game::updatePlaying(float dt) {
    if (currentLevel == nullptr) {
        particles.update(dt);
        return;
    }
    currentLevel->update(dt);
    particles.update(dt);
}

void Game::render() {
    renderer.clearFrame();
    drawCurrentScreen();
    renderer.display();
}

void Game::drawCurrentScreen() {
    switch (stateManager.state) {
    case Loading:
        ui.drawLoadingScreen(stateManager.state, stateManager.loadingProgress,
                             static_cast<float>(window.getSize().y) * 0.5f - 200.0f);
        break;
    case Playing:
    case Paused:
        drawPlayingField();
        break;
    default:
        break;
    }
}

void Game::drawPlayingField() {
    ResourceManager& resources = ResourceManager::getInstance();
    if (currentLevel != nullptr) {
        renderer.drawBackground(resources.getTexture(currentLevel->background));
        currentLevel->draw(renderer);
    }
    renderer.drawSprite(resources.getTexture("slingshot"), slingshotPos, 100.0f, 160.0f, 0.0f,
                        sf::Color::White);
    particles.draw(renderer);
}

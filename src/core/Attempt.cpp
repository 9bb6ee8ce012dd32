#include "core/Attempt.h"

#include "assets/Narration.h"
#include "assets/SoundManager.h"
#include "core/CommandLine.h"
#include "core/GameStateManager.h"
#include "core/SimulationFingerprint.h"
#include "entities/Bird.h"
#include "entities/BoostBird.h"
#include "entities/Enemy.h"
#include "entities/Entity.h"
#include "entities/ExplosionBird.h"
#include "entities/ExplosionBurst.h"
#include "entities/SplitBird.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

namespace {
constexpr float PULL_START_RADIUS = 200.0f;
constexpr float SETTLE_SPEED = 15.0f; // px/s
constexpr float SETTLE_TIME = 0.5f;
constexpr float SPECIAL_BANNER_SECONDS = 2.0f;
const b2Vec2 GRAVITY{0.0f, Attempt::GRAVITY_MPS2};

float length(sf::Vector2f v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}

LevelWatchers::Flags flagsOf(Attempt::OwnFlags& own) {
    return {own.levelEnded,    own.enemiesCleared,    own.clearTimer,     own.gameOverPending,
            own.gameOverTimer, own.outOfBirdsPending, own.outOfBirdsTimer};
}

} // namespace

Attempt::Attempt(ParticleSystem* particles, Hooks hooks)
    : Attempt(std::make_unique<OwnFlags>(), particles, std::move(hooks)) {}

// The flags live on the heap, so the references to them stay good.
Attempt::Attempt(std::unique_ptr<OwnFlags> own, ParticleSystem* particles, Hooks hooks)
    : Attempt(flagsOf(*own), particles, std::move(hooks)) {
    ownFlags = std::move(own);
}

Attempt::Attempt(LevelWatchers::Flags flags, ParticleSystem* particles, Hooks hooks)
    : flags(flags), hooks(std::move(hooks)), particles(particles),
      world(std::make_unique<b2World>(GRAVITY)), contactListener(particles),
      watchers(flags, {[this] { completeLevel(); }, [this] { loseLevel(); },
                       [this] {
                           if (this->hooks.startOver) {
                               this->hooks.startOver();
                           }
                       },
                       [this] {
                           // The verdict is the win still to come, not the loss.
                           decidedAt = 0;
                           if (this->hooks.lossCalledOff) {
                               this->hooks.lossCalledOff();
                           }
                       }}) {
    // The impacts are heard through the attempt's own hooks, whatever they
    // are set to by the time the world steps.
    contactListener.sounds = {[this](int id) { sound(id); },
                              [this](int id, float impulse) {
                                  if (this->hooks.impact) {
                                      this->hooks.impact(id, impulse);
                                  }
                              }};
    rightBandAnchor = {slingshotPos.x + 18.0f, slingshotPos.y - 45.0f};
    leftBandAnchor = {slingshotPos.x - 22.0f, slingshotPos.y - 45.0f};
    bandRestPos = (rightBandAnchor + leftBandAnchor) / 2.0f;
}

Attempt::~Attempt() {
    // The entities' bodies go with the world; let go of them first.
    discard();
}

// ---------------------------------------------------------------- the attempt

void Attempt::start(const std::string& levelFile) {
    discard();
    rebuildWorld();
    level = levelLoader.loadLevel(levelFile, world.get());
    currentLevel = &level;
    levelHash = Replay::levelFileHash(levelFile).value_or(0);
    wonFlag = false;
    starsEarned = 0;
    steps = 0;
    decidedAt = 0;
    recorded.clear();
    contactListener.levelScore = 0;
    // The game's flow clears the flags it keeps whenever an attempt ends.
    if (ownFlags != nullptr) {
        *ownFlags = OwnFlags{};
    }

    totalBirds = static_cast<std::int32_t>(
        std::count_if(currentLevel->entities.begin(), currentLevel->entities.end(),
                      [](const auto& entity) { return dynamic_cast<Bird*>(entity.get()); }));
    // Counted now: by the time the level is rated its enemies have left the list.
    totalEnemies = countEnemies();

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
}

void Attempt::discard() {
    releaseSplitBirds();
    if (currentLevel != nullptr) {
        currentLevel->clear();
    }
    currentBird = nullptr;
    birdOnSlingshot = nullptr;
    turnActive = false;
    turnSettleTimer = 0.0f;
    // A pull left over from the old attempt must not launch a bird of the
    // next one.
    isDragging = false;
    // The pictures of the old attempt go with it.
    shotTrail.clear();
    contactListener.clearEarned();
}

// Every body goes with the old world; the caller has let go of them first.
void Attempt::rebuildWorld() {
    world = std::make_unique<b2World>(GRAVITY);
    world->SetContactListener(&contactListener);
    createGround();
}

void Attempt::createGround() {
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

void Attempt::releaseSplitBirds() {
    for (auto& bird : extraBirds) {
        if (bird) {
            bird->destroyBody();
        }
    }
    extraBirds.clear();
}

void Attempt::step() {
    stepWorld();
    // Nobody shows the points of a bare run.
    contactListener.clearEarned();
    updatePlaying(STEP_SECONDS);
}

void Attempt::stepWorld() {
    world->Step(STEP_SECONDS, VELOCITY_ITERATIONS, POSITION_ITERATIONS);
    ++steps;
}

void Attempt::rememberPoses() {
    if (currentLevel != nullptr) {
        for (const auto& entity : currentLevel->entities) {
            entity->rememberPose();
        }
    }
    for (const auto& bird : extraBirds) {
        if (bird) {
            bird->rememberPose();
        }
    }
}

int Attempt::stars() const {
    return wonFlag ? starsEarned : 0;
}

// ---------------------------------------------------------------- slingshot

Bird* Attempt::findNextBird() const {
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

void Attempt::seatBird(Bird* bird) {
    birdOnSlingshot = bird;
    if (bird != nullptr) {
        bird->initPhysics(world.get(), bandRestPos);
    }
}

void Attempt::press(sf::Vector2f point) {
    // A press may seat the next bird, so it changes the world even when it
    // starts no pull.
    record(ReplayInput::Kind::Press, point);
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
    sound(SlingshotPull);
    birdOnSlingshot->position = bandRestPos;
}

void Attempt::pull(sf::Vector2f point) {
    record(ReplayInput::Kind::Pull, point);
    dragPos = point;
    const sf::Vector2f pullVector = dragPos - slingshotPos;
    const float distance = length(pullVector);
    if (distance > PULL_LIMIT) {
        dragPos = slingshotPos + pullVector * PULL_LIMIT / distance;
    }
    if (birdOnSlingshot != nullptr) {
        birdOnSlingshot->position = dragPos;
    }
}

void Attempt::release() {
    if (!isDragging) {
        return;
    }
    launchBird();
    isDragging = false;
}

void Attempt::launchBird() {
    if (birdOnSlingshot == nullptr || !birdOnSlingshot->canLaunch()) {
        return;
    }
    record(ReplayInput::Kind::Release);
    const float dx = slingshotPos.x - dragPos.x;
    const float dy = slingshotPos.y - dragPos.y;
    const sf::Vector2f velocity{dx * LAUNCH_FACTOR, dy * LAUNCH_FACTOR};
    Narration::out() << "Drag: (" << dx << ", " << dy << ") \u2192 Velocity: (" << velocity.x
                     << ", " << velocity.y << ") m/s" << std::endl;
    sound(BirdLaunch);
    birdOnSlingshot->launch(velocity);
    shotTrail.start(birdOnSlingshot->position);
    currentBird = birdOnSlingshot;
    birdOnSlingshot = nullptr;
    turnActive = true;
}

void Attempt::activateSpecial() {
    if (currentBird == nullptr || !currentBird->launched || currentBird->specialUsed) {
        return;
    }
    record(ReplayInput::Kind::Special);
    currentBird->useSpecial();
    auto announce = [this](const char* text, std::optional<BirdKind> kind) {
        if (hooks.announce) {
            hooks.announce(text, SPECIAL_BANNER_SECONDS, kind);
        }
    };
    // The banner takes the colour of the kind whose special it announces.
    if (dynamic_cast<BoostBird*>(currentBird) != nullptr) {
        announce("BOOST ACTIVATED!", Boost);
    } else if (auto* split = dynamic_cast<SplitBird*>(currentBird)) {
        announce("SPLIT INTO 3 BIRDS!", Split);
        extraBirds.insert(extraBirds.end(), split->spawnedBirds.begin(), split->spawnedBirds.end());
    } else if (dynamic_cast<ExplosionBird*>(currentBird) != nullptr) {
        announce("EXPLOSION!", Explosion);
        if (particles != nullptr) {
            ExplosionBurst::emit(*particles, currentBird->position);
        }
    }
    Narration::out() << "Special ability activated!" << std::endl;
}

void Attempt::apply(const ReplayInput& input) {
    switch (input.kind) {
    case ReplayInput::Kind::Press:
        press(input.point);
        break;
    case ReplayInput::Kind::Pull:
        pull(input.point);
        break;
    case ReplayInput::Kind::Release:
        release();
        break;
    case ReplayInput::Kind::Special:
        activateSpecial();
        break;
    }
}

void Attempt::record(ReplayInput::Kind kind, sf::Vector2f point) {
    const std::uint64_t clamped =
        std::min<std::uint64_t>(steps, std::numeric_limits<std::uint32_t>::max());
    const ReplayInput input{kind, static_cast<std::uint32_t>(clamped), point};
    // Only the last point of a pull reaches the launch: a pull that follows
    // a pull replaces it, so a long drag costs one record.
    if (kind == ReplayInput::Kind::Pull && !recorded.empty() &&
        recorded.back().kind == ReplayInput::Kind::Pull) {
        recorded.back() = input;
        return;
    }
    recorded.push_back(input);
}

Replay Attempt::replay(int levelNumber) const {
    Replay made;
    made.gameVersion = std::string(CommandLine::version());
    made.fingerprint = SimulationFingerprint::ofThisBuild();
    made.levelHash = levelHash;
    made.levelNumber = levelNumber;
    made.inputs = recorded;
    return made;
}

int Attempt::countUnlaunchedBirds() const {
    return currentLevel == nullptr ? 0 : LevelWatchers::unlaunchedBirds(*currentLevel);
}

int Attempt::countEnemies() const {
    if (currentLevel == nullptr) {
        return 0;
    }
    return static_cast<int>(std::count_if(
        currentLevel->entities.begin(), currentLevel->entities.end(),
        [](const auto& entity) { return dynamic_cast<Enemy*>(entity.get()) != nullptr; }));
}

// ---------------------------------------------------------------- rules

void Attempt::updatePlaying(float dt) {
    if (currentLevel == nullptr) {
        return;
    }
    currentLevel->update(dt);
    updateBirdsInFlight(dt);
    if (currentBird != nullptr && currentBird->alive) {
        shotTrail.follow(currentBird->position);
    }
    updateTurn(dt);
    // A bird that left play is forgotten; a turn whose bird is gone ends at
    // the next step without seating another.
    if (currentBird != nullptr && !currentBird->alive) {
        currentBird = nullptr;
    }
    if (flags.levelEnded) {
        return;
    }
    watchers.step(dt, *currentLevel, turnActive);
}

void Attempt::updateBirdsInFlight(float dt) {
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

bool Attempt::anyBirdStillMoving() const {
    auto moving = [](const Bird& bird) {
        return bird.alive && length(bird.getVelocity()) >= SETTLE_SPEED;
    };
    if (moving(*currentBird)) {
        return true;
    }
    return std::any_of(extraBirds.begin(), extraBirds.end(),
                       [&](const auto& bird) { return bird && moving(*bird); });
}

void Attempt::updateTurn(float dt) {
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

void Attempt::endTurn() {
    Narration::out() << "Bird turn finished!" << std::endl;
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

void Attempt::loseLevel() {
    if (decidedAt == 0) {
        decidedAt = steps;
    }
    flags.gameOverPending = true;
    flags.gameOverTimer = LevelWatchers::GAME_OVER_DELAY;
    if (hooks.announce) {
        hooks.announce("Game Over! Restarting...", LevelWatchers::GAME_OVER_DELAY, std::nullopt);
    }
    sound(LevelLose);
    Narration::out() << "Game Over! No birds left." << std::endl;
    if (hooks.lost) {
        hooks.lost();
    }
}

void Attempt::completeLevel() {
    wonFlag = true;
    if (decidedAt == 0) {
        decidedAt = steps;
    }
    starsEarned = GameStateManager::rateStars(contactListener.levelScore, totalEnemies,
                                              countUnlaunchedBirds(), totalBirds);
    if (hooks.complete) {
        hooks.complete();
    }
    flags.levelEnded = true;
}

void Attempt::sound(int id) const {
    if (hooks.sound) {
        hooks.sound(id);
    }
}

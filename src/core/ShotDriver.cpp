#include "core/ShotDriver.h"

#include "assets/SharedConstants.h"
#include "core/Attempt.h"
#include "core/FieldCamera.h"
#include "core/Game.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"
#include "level/ShippedLevels.h"
#include "ui/FieldViewLayout.h"

#include <SFML/Graphics/Rect.hpp>
#include <SFML/Window/Event.hpp>
#include <algorithm>
#include <cmath>
#include <sstream>

namespace {

constexpr int STEPS_PER_SECOND = 60;
constexpr std::uint64_t MAX_SEAT_WAIT_STEPS = STEPS_PER_SECOND * 10;
constexpr std::uint64_t MAX_TURN_STEPS = STEPS_PER_SECOND * 40;
// Longer than the 2 s clear delay plus the last settling.
constexpr std::uint64_t VERDICT_STEPS = STEPS_PER_SECOND * 6;
// A split frame runs this much past the mark, well inside one step, so
// float rounding in the game's accumulator can never cost the last step.
constexpr float SPLIT_MARGIN_SECONDS = 1e-5f;
// A click that is nowhere near the slingshot or a HUD button.
const sf::Vector2i SPECIAL_CLICK_PIXEL{640, 360};
constexpr float STANDING_TOLERANCE_PX = 3.0f;
constexpr float STANDING_TOLERANCE_RAD = 0.05f;
// The camera's home with the narrowest field the game ever shows (1200 x 900).
const sf::FloatRect NARROWEST_START_VIEW{-100.0f, -100.0f, 1200.0f, 900.0f};

struct Pose {
    const Entity* entity;
    b2Vec2 position;
    float angle;
};

// The bodies of the level's structure, blocks and enemies: the birds are the
// player's and are meant to move.
const b2Body* bodyOf(const Entity& entity) {
    return dynamic_cast<const Bird*>(&entity) == nullptr ? entity.physicsBody() : nullptr;
}

// Half the entity's width and height as the level places it (unrotated).
sf::Vector2f halfExtent(const Entity& entity) {
    if (const auto* block = dynamic_cast<const Block*>(&entity)) {
        return {block->width * 0.5f, block->height * 0.5f};
    }
    if (const auto* enemy = dynamic_cast<const Enemy*>(&entity)) {
        return {enemy->radius, enemy->radius};
    }
    if (const auto* bird = dynamic_cast<const Bird*>(&entity)) {
        return {bird->radius, bird->radius};
    }
    return {0.0f, 0.0f};
}

} // namespace

std::unique_ptr<Game> ShotDriver::makeGame() {
    auto game = std::make_unique<Game>(WINDOW_WIDTH, WINDOW_HEIGHT, "Skysling Clone");
    // The checker's wins are not the player's: its progress lasts the run.
    game->progress = ProgressTable("", ShippedLevels::count());
    // Nor are its attempts the player's replays.
    game->replays = ReplayShelf("");
    // Loading runs on measured time; feed it until the menu appears.
    for (int i = 0; i < 100 && game->stateManager.state == Loading; ++i) {
        game->update(Game::LOADING_SECONDS);
    }
    return game;
}

ShotDriver::ShotDriver(Game& game) : game(&game), attempt(game.attempt) {}

ShotDriver::ShotDriver(Attempt& attempt) : game(nullptr), attempt(attempt) {
    bareView = sf::View(sf::FloatRect(0.0f, 0.0f, static_cast<float>(WINDOW_WIDTH),
                                      static_cast<float>(WINDOW_HEIGHT)));
    FieldViewLayout({WINDOW_WIDTH, WINDOW_HEIGHT}).applyTo(bareView);
}

std::uint64_t ShotDriver::stepClock() const {
    return game != nullptr ? game->stepCount : attempt.stepsTaken();
}

void ShotDriver::stepBare() {
    attempt.step();
    bareView.setCenter(
        FieldCamera::next(bareView.getCenter(), attempt.currentBird, Attempt::STEP_SECONDS));
}

void ShotDriver::startLevelFile(const std::string& path) {
    levelFile = path;
    carriedFrame = 0.0f;
    attempt.start(path);
    bareView.setCenter(FieldCamera::HOME);
    startStep = stepClock();
}

void ShotDriver::restartLevel() {
    if (!levelFile.empty() && game == nullptr) {
        startLevelFile(levelFile);
    } else {
        startLevel(levelIndex);
    }
}

void ShotDriver::startLevel(int levelIndex) {
    this->levelIndex = levelIndex;
    levelFile.clear();
    carriedFrame = 0.0f;
    if (game == nullptr) {
        attempt.start(ShippedLevels::path(levelIndex + 1));
        bareView.setCenter(FieldCamera::HOME);
        startStep = stepClock();
        return;
    }
    // Through the game's own Retry, which resets everything an attempt
    // touches and, unlike the level select, leaves the music playing (its
    // restarts would cost more than the runs).
    game->currentLevelIndex = levelIndex;
    game->restartLevel();
    game->stateManager.resumePlaying();
    startStep = stepClock();
}

void ShotDriver::followStartedLevel() {
    levelIndex = game->currentLevelIndex;
    levelFile.clear();
    carriedFrame = 0.0f;
    startStep = stepClock();
}

std::uint64_t ShotDriver::stepsSinceStart() const {
    return stepClock() - startStep;
}

std::vector<std::string> ShotDriver::birdKinds() const {
    std::vector<std::string> kinds;
    if (attempt.currentLevel == nullptr) {
        return kinds;
    }
    for (const auto& entity : attempt.currentLevel->entities) {
        if (const auto* bird = dynamic_cast<const Bird*>(entity.get())) {
            kinds.emplace_back(birdKindInfo(birdKindOf(*bird)).word);
        }
    }
    return kinds;
}

std::vector<BodyPose> ShotDriver::bodyPoses() const {
    return bodyPoses(attempt);
}

std::vector<BodyPose> ShotDriver::bodyPoses(const Attempt& attempt) {
    std::vector<BodyPose> poses;
    if (attempt.currentLevel == nullptr) {
        return poses;
    }
    for (const auto& entity : attempt.currentLevel->entities) {
        if (const b2Body* body = bodyOf(*entity)) {
            poses.push_back({body->GetPosition().x, body->GetPosition().y, body->GetAngle()});
        }
    }
    return poses;
}

std::string ShotDriver::checkStanding(float seconds, FrameSequence frames) {
    std::vector<Pose> before;
    for (const auto& entity : attempt.currentLevel->entities) {
        if (const b2Body* body = bodyOf(*entity)) {
            before.push_back({entity.get(), body->GetPosition(), body->GetAngle()});
        }
    }
    advanceTo(static_cast<std::uint64_t>(std::lround(seconds * STEPS_PER_SECOND)), frames);

    std::ostringstream problems;
    if (attempt.contactListener.levelScore != 0) {
        problems << "scored " << attempt.contactListener.levelScore << " points; ";
    }
    for (const Pose& pose : before) {
        const bool present = std::any_of(
            attempt.currentLevel->entities.begin(), attempt.currentLevel->entities.end(),
            [&](const auto& entity) { return entity.get() == pose.entity; });
        const b2Body* body = present ? bodyOf(*pose.entity) : nullptr;
        if (body == nullptr) {
            problems << "an entity broke or died; ";
            continue;
        }
        const b2Vec2 moved = body->GetPosition() - pose.position;
        if (moved.Length() * PIXELS_PER_METER > STANDING_TOLERANCE_PX ||
            std::fabs(body->GetAngle() - pose.angle) > STANDING_TOLERANCE_RAD) {
            problems << "an entity at (" << pose.position.x * PIXELS_PER_METER << ", "
                     << pose.position.y * PIXELS_PER_METER << ") moved; ";
        }
    }
    return problems.str();
}

std::string ShotDriver::checkInView() const {
    std::ostringstream problems;
    const sf::FloatRect& view = NARROWEST_START_VIEW;
    for (const auto& entity : attempt.currentLevel->entities) {
        const sf::Vector2f half = halfExtent(*entity);
        // Blocks and enemies learn their position from the body at their first update.
        const b2Body* body = bodyOf(*entity);
        const sf::Vector2f at = body != nullptr
                                    ? sf::Vector2f(body->GetPosition().x * PIXELS_PER_METER,
                                                   body->GetPosition().y * PIXELS_PER_METER)
                                    : entity->position;
        if (at.x - half.x < view.left || at.x + half.x > view.left + view.width ||
            at.y - half.y < view.top || at.y + half.y > view.top + view.height) {
            problems << "an entity at (" << at.x << ", " << at.y << ") reaches outside the view; ";
        }
    }
    return problems.str();
}

Outcome ShotDriver::play(const std::vector<Shot>& shots, FrameSequence frames) {
    return play(
        [&](std::size_t index) {
            return index < shots.size() ? std::optional<Shot>(shots[index]) : std::nullopt;
        },
        std::move(frames));
}

Outcome ShotDriver::play(const std::function<std::optional<Shot>(std::size_t)>& nextShot,
                         FrameSequence frames) {
    Outcome outcome;
    for (std::size_t index = 0;; ++index) {
        if (levelDecided() || !waitForNextTurn(frames)) {
            break;
        }
        const std::optional<Shot> shot = nextShot(index);
        if (!shot) {
            break;
        }
        fire(*shot, frames, outcome);
    }
    awaitVerdict(frames, outcome);
    return outcome;
}

std::vector<sf::Vector2f> ShotDriver::livingEnemies() const {
    std::vector<sf::Vector2f> places;
    for (const auto& entity : attempt.currentLevel->entities) {
        const auto* enemy = dynamic_cast<const Enemy*>(entity.get());
        if (enemy != nullptr && enemy->health > 0.0f && enemy->body != nullptr) {
            const b2Vec2 at = enemy->body->GetPosition();
            places.push_back(toPixels(at.x, at.y));
        }
    }
    return places;
}

sf::Vector2f ShotDriver::launchPoint() const {
    return attempt.bandRestPos;
}

bool ShotDriver::readyToFire() const {
    // Between turns a press seats the next bird if none sits yet (a turn that
    // ended because its bird left play seats nobody).
    return !attempt.turnActive && attempt.countUnlaunchedBirds() > 0;
}

bool ShotDriver::waitForNextTurn(FrameSequence& frames) {
    const std::uint64_t limit = stepsSinceStart() + MAX_SEAT_WAIT_STEPS;
    while (!levelDecided() && stepsSinceStart() <= limit) {
        if (stepsSinceStart() % FIRE_MARK_STEPS == 0 && readyToFire()) {
            return true;
        }
        if (!advanceTo(nextMark(), frames)) {
            return false;
        }
    }
    return false;
}

void ShotDriver::fire(const Shot& shot, FrameSequence& frames, Outcome& outcome) {
    pullAndRelease(shot);
    const std::uint64_t launchStep = stepsSinceStart();
    const std::uint64_t limit = launchStep + MAX_TURN_STEPS;
    Shot fired = shot;
    fired.specialFrame = Shot::NO_SPECIAL;
    if (shot.specialFrame >= 0) {
        if (advanceTo(launchStep + static_cast<std::uint64_t>(shot.specialFrame), frames) &&
            attempt.turnActive) {
            clickSpecial();
            fired.specialFrame = shot.specialFrame;
        }
    } else if (shot.specialFrame == Shot::SPECIAL_AT_FIRST_CONTACT) {
        // Looked at after every step, so the click lands at the contact's step.
        while (attempt.turnActive && !levelDecided() && stepsSinceStart() < limit) {
            if (attempt.currentBird != nullptr && attempt.currentBird->collided) {
                clickSpecial();
                fired.specialFrame = static_cast<int>(stepsSinceStart() - launchStep);
                break;
            }
            advanceTo(stepsSinceStart() + 1, frames);
        }
    }
    while (attempt.turnActive && !levelDecided() && stepsSinceStart() < limit) {
        advanceTo(nextMark(), frames);
    }
    outcome.fired.push_back(fired);
}

void ShotDriver::pullAndRelease(const Shot& shot) {
    const float radians = shot.angleDegrees * PI / 180.0f;
    // Pulling away from the flight direction: the launch points back through the anchor.
    const sf::Vector2f pullPoint =
        attempt.slingshotPos +
        sf::Vector2f(-std::cos(radians) * shot.pull, std::sin(radians) * shot.pull);
    const sf::Vector2i grab = pixelOf(attempt.bandRestPos);
    const sf::Vector2i release = pixelOf(pullPoint);
    send(sf::Event::MouseButtonPressed, grab);
    send(sf::Event::MouseMoved, release);
    send(sf::Event::MouseButtonReleased, release);
}

void ShotDriver::clickSpecial() {
    send(sf::Event::MouseButtonPressed, SPECIAL_CLICK_PIXEL);
    send(sf::Event::MouseButtonReleased, SPECIAL_CLICK_PIXEL);
}

void ShotDriver::awaitVerdict(FrameSequence& frames, Outcome& outcome) {
    // Once every enemy is gone the level completes after its clear delay;
    // with enemies left and birds unused, the sequence simply ran out.
    const std::uint64_t limit = stepsSinceStart() + VERDICT_STEPS;
    while (!levelDecided() && stepsSinceStart() < limit) {
        if (stepsSinceStart() % FIRE_MARK_STEPS == 0 && enemiesAlive() > 0 && readyToFire()) {
            break;
        }
        advanceTo(nextMark(), frames);
    }
    if (game == nullptr) {
        outcome.won = attempt.won();
        outcome.lost = attempt.lost();
        outcome.stars = attempt.stars();
    } else {
        outcome.won = game->stateManager.state == LevelComplete;
        outcome.lost = !outcome.won && game->stateManager.gameOverPending;
        outcome.stars = outcome.won ? game->stateManager.stars : 0;
    }
    outcome.score = attempt.contactListener.levelScore;
    outcome.enemiesAlive = enemiesAlive();
    outcome.steps = stepsSinceStart();
}

std::uint64_t ShotDriver::nextMark() const {
    return (stepsSinceStart() / FIRE_MARK_STEPS + 1) * FIRE_MARK_STEPS;
}

bool ShotDriver::levelDecided() const {
    if (game == nullptr) {
        return attempt.decided();
    }
    return game->stateManager.state != Playing || game->stateManager.gameOverPending;
}

float ShotDriver::nextFrame(FrameSequence& frames) {
    if (carriedFrame > 0.0f) {
        const float frame = carriedFrame;
        carriedFrame = 0.0f;
        return frame;
    }
    return frames.next();
}

bool ShotDriver::advanceTo(std::uint64_t step, FrameSequence& frames) {
    while (game == nullptr && stepsSinceStart() < step && !levelDecided()) {
        stepBare();
    }
    while (stepsSinceStart() < step) {
        if (levelDecided()) {
            return false;
        }
        const float frame = nextFrame(frames);
        // The game counts at most MAX_FRAME_SECONDS of any frame.
        const float counted = std::min(frame, Game::MAX_FRAME_SECONDS);
        const float owed = static_cast<float>(step - stepsSinceStart()) * Game::STEP_SECONDS -
                           game->stepAccumulator;
        if (counted < owed) {
            runFrame(frame);
            continue;
        }
        // The mark falls inside this frame: end the frame there and keep the rest.
        const float head = std::max(owed, 0.0f) + SPLIT_MARGIN_SECONDS;
        runFrame(head);
        carriedFrame = std::max(counted - head, 0.0f);
    }
    return !levelDecided();
}

void ShotDriver::runFrame(float seconds) {
    if (wholeFrames) {
        game->runFrame(seconds);
    } else {
        game->update(seconds);
    }
}

int ShotDriver::enemiesAlive() const {
    int alive = 0;
    if (attempt.currentLevel != nullptr) {
        for (const auto& entity : attempt.currentLevel->entities) {
            const auto* enemy = dynamic_cast<const Enemy*>(entity.get());
            alive += enemy != nullptr && enemy->health > 0.0f ? 1 : 0;
        }
    }
    return alive;
}

sf::Vector2i ShotDriver::pixelOf(sf::Vector2f worldPoint) const {
    if (game == nullptr) {
        return FieldCamera::worldToPixel(worldPoint, bareView, {WINDOW_WIDTH, WINDOW_HEIGHT});
    }
    return game->window.mapCoordsToPixel(worldPoint, game->gameView);
}

sf::Vector2f ShotDriver::worldOf(sf::Vector2i pixel) const {
    return FieldCamera::pixelToWorld(pixel, bareView, {WINDOW_WIDTH, WINDOW_HEIGHT});
}

// A bare run hands the attempt what the game's input handler would.
void ShotDriver::send(int type, sf::Vector2i pixel) {
    if (game == nullptr) {
        if (type == sf::Event::MouseButtonPressed) {
            if (attempt.turnActive) {
                attempt.activateSpecial();
            } else {
                attempt.press(worldOf(pixel));
            }
        } else if (type == sf::Event::MouseMoved && attempt.isDragging) {
            attempt.pull(worldOf(pixel));
        } else if (type == sf::Event::MouseButtonReleased) {
            attempt.release();
        }
        return;
    }
    sf::Event event{};
    event.type = static_cast<sf::Event::EventType>(type);
    if (event.type == sf::Event::MouseMoved) {
        event.mouseMove = {pixel.x, pixel.y};
    } else {
        event.mouseButton = {sf::Mouse::Left, pixel.x, pixel.y};
    }
    game->input.handleEvent(event);
}

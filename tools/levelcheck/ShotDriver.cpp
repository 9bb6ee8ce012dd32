#include "ShotDriver.h"

#include "core/Game.h"
#include "entities/Bird.h"
#include "entities/BirdKinds.h"
#include "entities/Block.h"
#include "entities/Enemy.h"

#include <SFML/Window/Event.hpp>
#include <cmath>
#include <sstream>

namespace {

constexpr float PI = 3.14159265f;
constexpr int MAX_SEAT_WAIT_FRAMES = 600;
constexpr int MAX_TURN_FRAMES = 60 * 40;
constexpr int VERDICT_FRAMES = 60 * 6; // longer than the 2 s clear delay plus settling
// A click that is nowhere near the slingshot or a HUD button.
const sf::Vector2i SPECIAL_CLICK_PIXEL{640, 360};
constexpr float STANDING_TOLERANCE_PX = 3.0f;
constexpr float STANDING_TOLERANCE_RAD = 0.05f;

struct Pose {
    const Entity* entity;
    b2Vec2 position;
    float angle;
};

const b2Body* bodyOf(const Entity& entity) {
    if (const auto* block = dynamic_cast<const Block*>(&entity)) {
        return block->body;
    }
    if (const auto* enemy = dynamic_cast<const Enemy*>(&entity)) {
        return enemy->body;
    }
    return nullptr;
}

} // namespace

ShotDriver::ShotDriver(int levelIndex) : game(std::make_unique<Game>(1280, 720, "Skysling Clone")) {
    // Loading runs on measured time; feed it until the menu appears.
    for (int i = 0; i < 100 && game->stateManager.state == Loading; ++i) {
        game->update(Game::LOADING_SECONDS);
    }
    game->currentLevelIndex = levelIndex;
    game->stateManager.startLevel();
}

ShotDriver::~ShotDriver() = default;

std::vector<std::string> ShotDriver::birdKinds() const {
    std::vector<std::string> kinds;
    if (game->currentLevel == nullptr) {
        return kinds;
    }
    for (const auto& entity : game->currentLevel->entities) {
        if (const auto* bird = dynamic_cast<const Bird*>(entity.get())) {
            kinds.emplace_back(birdKindInfo(birdKindOf(*bird)).word);
        }
    }
    return kinds;
}

std::string ShotDriver::checkStanding(float seconds) {
    std::vector<Pose> before;
    for (const auto& entity : game->currentLevel->entities) {
        if (const b2Body* body = bodyOf(*entity)) {
            before.push_back({entity.get(), body->GetPosition(), body->GetAngle()});
        }
    }
    const int frames = static_cast<int>(std::lround(seconds / FRAME_SECONDS));
    for (int i = 0; i < frames; ++i) {
        step();
    }

    std::ostringstream problems;
    if (game->contactListener.levelScore != 0) {
        problems << "scored " << game->contactListener.levelScore << " points; ";
    }
    for (const Pose& pose : before) {
        bool present = false;
        for (const auto& entity : game->currentLevel->entities) {
            present = present || entity.get() == pose.entity;
        }
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

Outcome ShotDriver::play(const std::vector<Shot>& shots) {
    Outcome outcome;
    for (const Shot& shot : shots) {
        if (levelDecided() || !waitForNextTurn()) {
            break;
        }
        fire(shot, outcome);
    }
    awaitVerdict(outcome);
    return outcome;
}

bool ShotDriver::waitForNextTurn() {
    for (int i = 0; i < MAX_SEAT_WAIT_FRAMES; ++i) {
        if (levelDecided()) {
            return false;
        }
        // Between turns a press seats the next bird if none sits yet (a
        // turn that ended because its bird left play seats nobody).
        if (!game->turnActive && game->countUnlaunchedBirds() > 0) {
            return true;
        }
        step();
    }
    return false;
}

void ShotDriver::fire(const Shot& shot, Outcome& outcome) {
    pullAndRelease(shot);
    Shot fired = shot;
    fired.specialFrame = Shot::NO_SPECIAL;
    bool specialPending = shot.specialFrame != Shot::NO_SPECIAL;
    for (int frame = 0; frame < MAX_TURN_FRAMES && game->turnActive && !levelDecided(); ++frame) {
        if (specialPending) {
            const bool contact = shot.specialFrame == Shot::SPECIAL_AT_FIRST_CONTACT &&
                                 game->currentBird != nullptr && game->currentBird->collided;
            if (frame == shot.specialFrame || contact) {
                clickSpecial();
                fired.specialFrame = frame;
                specialPending = false;
            }
        }
        step();
    }
    outcome.fired.push_back(fired);
}

void ShotDriver::pullAndRelease(const Shot& shot) {
    const float radians = shot.angleDegrees * PI / 180.0f;
    // Pulling away from the flight direction: the launch points back through the anchor.
    const sf::Vector2f pullPoint = game->slingshotPos + sf::Vector2f(-std::cos(radians) * shot.pull,
                                                                     std::sin(radians) * shot.pull);
    const sf::Vector2i grab = pixelOf(game->bandRestPos);
    const sf::Vector2i release = pixelOf(pullPoint);
    send(sf::Event::MouseButtonPressed, grab);
    send(sf::Event::MouseMoved, release);
    send(sf::Event::MouseButtonReleased, release);
}

void ShotDriver::clickSpecial() {
    send(sf::Event::MouseButtonPressed, SPECIAL_CLICK_PIXEL);
    send(sf::Event::MouseButtonReleased, SPECIAL_CLICK_PIXEL);
}

void ShotDriver::awaitVerdict(Outcome& outcome) {
    // Once every enemy is gone the level completes after its clear delay;
    // with enemies left and birds unused, the sequence simply ran out.
    for (int i = 0; i < VERDICT_FRAMES && !levelDecided(); ++i) {
        if (enemiesAlive() > 0 && game->countUnlaunchedBirds() > 0 && !game->turnActive) {
            break;
        }
        step();
    }
    outcome.won = game->stateManager.state == LevelComplete;
    outcome.lost = !outcome.won && game->stateManager.gameOverPending;
    outcome.score = game->contactListener.levelScore;
    outcome.stars = outcome.won ? game->stateManager.stars : 0;
    outcome.enemiesAlive = enemiesAlive();
}

bool ShotDriver::levelDecided() const {
    return game->stateManager.state != Playing || game->stateManager.gameOverPending;
}

void ShotDriver::step() {
    game->update(FRAME_SECONDS);
}

int ShotDriver::enemiesAlive() const {
    int alive = 0;
    if (game->currentLevel != nullptr) {
        for (const auto& entity : game->currentLevel->entities) {
            const auto* enemy = dynamic_cast<const Enemy*>(entity.get());
            alive += enemy != nullptr && enemy->health > 0.0f ? 1 : 0;
        }
    }
    return alive;
}

sf::Vector2i ShotDriver::pixelOf(sf::Vector2f worldPoint) const {
    return game->window.mapCoordsToPixel(worldPoint, game->gameView);
}

void ShotDriver::send(int type, sf::Vector2i pixel) {
    sf::Event event{};
    event.type = static_cast<sf::Event::EventType>(type);
    if (event.type == sf::Event::MouseMoved) {
        event.mouseMove = {pixel.x, pixel.y};
    } else {
        event.mouseButton = {sf::Mouse::Left, pixel.x, pixel.y};
    }
    game->input.handleEvent(event);
}

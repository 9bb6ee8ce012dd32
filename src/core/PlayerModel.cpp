#include "core/PlayerModel.h"

#include "core/AimingPreview.h"
#include "core/Attempt.h"
#include "entities/Block.h"

#include <algorithm>
#include <box2d/box2d.h>
#include <cmath>
#include <vector>

namespace {

constexpr std::uint32_t FIRST_SEED = 2000;
constexpr float STEPS_PER_SECOND = 60.0f;
// The preview's dots are a tenth of a second apart.
constexpr float DOT_SECONDS = 0.1f;
// The angles a hand can set, and how finely a person reads the dots.
constexpr float LOWEST_ANGLE = -20.0f;
constexpr float HIGHEST_ANGLE = 80.0f;
constexpr float ANGLE_STEP = 0.25f;
// Dots passing farther than this from a target do not aim at it.
constexpr float REACH_PIXELS = 20.0f;
// Two aims this close in angle are one arc, not a flat and a high one.
constexpr float SAME_ARC_DEGREES = 5.0f;
// With no target in reach a person throws as far as a bird goes.
constexpr float FARTHEST_ANGLE = 45.0f;
// A boost or a split is clicked on the way in, this far through the flight
// to the target; an explosion where the bird meets it.
constexpr float ON_THE_WAY_IN = 0.6f;

float unit(std::mt19937& engine) {
    return static_cast<float>(static_cast<double>(engine()) / 4294967296.0);
}

// A standard normal draw (Box-Muller); the standard library's distributions
// differ between implementations, and the figures must not.
float gaussian(std::mt19937& engine) {
    const float u1 = 1.0f - unit(engine); // (0, 1]
    const float u2 = unit(engine);
    return std::sqrt(-2.0f * std::log(u1)) * std::cos(2.0f * PI * u2);
}

struct Box {
    sf::Vector2f min;
    sf::Vector2f max;
};

// Whether the segment a-b passes through the box (slab test).
bool crosses(sf::Vector2f a, sf::Vector2f b, const Box& box) {
    float enter = 0.0f;
    float leave = 1.0f;
    const float from[2] = {a.x, a.y};
    const float along[2] = {b.x - a.x, b.y - a.y};
    const float low[2] = {box.min.x, box.min.y};
    const float high[2] = {box.max.x, box.max.y};
    for (int axis = 0; axis < 2; ++axis) {
        if (std::abs(along[axis]) < 1e-6f) {
            if (from[axis] < low[axis] || from[axis] > high[axis]) {
                return false;
            }
            continue;
        }
        float t1 = (low[axis] - from[axis]) / along[axis];
        float t2 = (high[axis] - from[axis]) / along[axis];
        if (t1 > t2) {
            std::swap(t1, t2);
        }
        enter = std::max(enter, t1);
        leave = std::min(leave, t2);
        if (enter > leave) {
            return false;
        }
    }
    return true;
}

// The blocks as a person sees them: boxes around every piece, pixels.
std::vector<Box> blockBoxes(const Attempt& attempt) {
    std::vector<Box> boxes;
    for (const auto& entity : attempt.currentLevel->entities) {
        const auto* block = dynamic_cast<const Block*>(entity.get());
        if (block == nullptr || block->body == nullptr) {
            continue;
        }
        for (const b2Fixture* fixture = block->body->GetFixtureList(); fixture != nullptr;
             fixture = fixture->GetNext()) {
            const b2AABB& box = fixture->GetAABB(0);
            boxes.push_back({toPixels(box.lowerBound.x, box.lowerBound.y),
                             toPixels(box.upperBound.x, box.upperBound.y)});
        }
    }
    return boxes;
}

struct Reading {
    float miss = 0.0f;
    float seconds = 0.0f;
    std::vector<sf::Vector2f> pathToTarget;
};

// Reads the dots of one aim: how near they pass the target, when, and the
// path they draw up to there.
Reading readDots(sf::Vector2f rest, float angleDegrees, float pull, sf::Vector2f target) {
    const float radians = angleDegrees * PI / 180.0f;
    const sf::Vector2f velocity{std::cos(radians) * pull * Attempt::LAUNCH_FACTOR,
                                -std::sin(radians) * pull * Attempt::LAUNCH_FACTOR};
    const AimingPreview preview = AimingPreview::compute(rest, velocity);
    Reading reading;
    reading.miss = std::hypot(target.x - rest.x, target.y - rest.y);
    std::size_t nearestSegment = 0;
    sf::Vector2f previous = rest;
    for (std::size_t i = 0; i < preview.count; ++i) {
        const sf::Vector2f next = preview.dots[i].position;
        const sf::Vector2f along = next - previous;
        const float length2 = along.x * along.x + along.y * along.y;
        float t = 0.0f;
        if (length2 > 0.0f) {
            t = ((target.x - previous.x) * along.x + (target.y - previous.y) * along.y) / length2;
            t = std::clamp(t, 0.0f, 1.0f);
        }
        const sf::Vector2f closest = previous + along * t;
        const float miss = std::hypot(target.x - closest.x, target.y - closest.y);
        if (miss < reading.miss) {
            reading.miss = miss;
            reading.seconds = DOT_SECONDS * (static_cast<float>(i) + t);
            nearestSegment = i + 1;
        }
        previous = next;
    }
    reading.pathToTarget.push_back(rest);
    for (std::size_t i = 0; i < nearestSegment; ++i) {
        reading.pathToTarget.push_back(preview.dots[i].position);
    }
    return reading;
}

} // namespace

PlayerModel::PlayerModel(ShotDriver& driver) : driver(driver) {}

std::optional<PlayerModel::Aim> PlayerModel::aimAt(sf::Vector2f target, bool highArc) const {
    const sf::Vector2f rest = driver.launchPoint();
    // Every angle whose dots pass nearer the target than their neighbours do.
    std::vector<std::pair<float, Reading>> arcs;
    Reading before = readDots(rest, LOWEST_ANGLE - ANGLE_STEP, Shot::MAX_PULL, target);
    Reading here = readDots(rest, LOWEST_ANGLE, Shot::MAX_PULL, target);
    for (float angle = LOWEST_ANGLE; angle <= HIGHEST_ANGLE; angle += ANGLE_STEP) {
        Reading after = readDots(rest, angle + ANGLE_STEP, Shot::MAX_PULL, target);
        if (here.miss <= before.miss && here.miss < after.miss && here.miss < REACH_PIXELS) {
            arcs.emplace_back(angle, here);
        }
        before = std::move(here);
        here = std::move(after);
    }
    if (arcs.empty()) {
        return std::nullopt;
    }
    const bool twoArcs = arcs.back().first - arcs.front().first >= SAME_ARC_DEGREES;
    if (highArc && !twoArcs) {
        return std::nullopt;
    }
    const auto& [angle, reading] = highArc ? arcs.back() : arcs.front();
    Aim aim;
    aim.target = target;
    aim.angleDegrees = angle;
    aim.pull = Shot::MAX_PULL;
    aim.secondsToTarget = reading.seconds;
    aim.miss = reading.miss;
    aim.clearPath = true;
    const std::vector<Box> boxes = blockBoxes(driver.recordedAttempt());
    for (std::size_t i = 1; i < reading.pathToTarget.size() && aim.clearPath; ++i) {
        for (const Box& box : boxes) {
            if (crosses(reading.pathToTarget[i - 1], reading.pathToTarget[i], box)) {
                aim.clearPath = false;
                break;
            }
        }
    }
    return aim;
}

Shot PlayerModel::nextShot(std::mt19937& engine, const std::string& kind) const {
    // Every draw is made whatever is used, so one shot's choices never shift the next's.
    const float pick = unit(engine);
    const float angleError = gaussian(engine) * ANGLE_ERROR_DEGREES;
    const float pullError = gaussian(engine) * PULL_ERROR_PIXELS;
    const float timingError = gaussian(engine) * SPECIAL_ERROR_SECONDS;

    std::vector<Aim> clear;
    std::vector<Aim> blocked;
    for (const sf::Vector2f enemy : driver.livingEnemies()) {
        for (const bool high : {false, true}) {
            if (const std::optional<Aim> aim = aimAt(enemy, high)) {
                (aim->clearPath ? clear : blocked).push_back(*aim);
            }
        }
    }
    const std::vector<Aim>& choices = clear.empty() ? blocked : clear;
    Aim aim;
    aim.angleDegrees = FARTHEST_ANGLE;
    aim.pull = Shot::MAX_PULL;
    aim.secondsToTarget = 1.0f;
    if (!choices.empty()) {
        const std::size_t index =
            std::min(static_cast<std::size_t>(pick * static_cast<float>(choices.size())),
                     choices.size() - 1);
        aim = choices[index];
    }

    Shot shot;
    shot.angleDegrees = aim.angleDegrees + angleError;
    shot.pull = std::min(aim.pull + pullError, Shot::MAX_PULL);
    if (kind != "NORMAL") {
        const float share = kind == "EXPLOSION" ? 1.0f : ON_THE_WAY_IN;
        const float seconds = share * aim.secondsToTarget + timingError;
        shot.specialFrame = std::max(1, static_cast<int>(std::lround(seconds * STEPS_PER_SECOND)));
    }
    return shot;
}

PlayerModel::Figures PlayerModel::measure(int levelIndex, int plays) {
    driver.startLevel(levelIndex);
    return measureStarted(plays, {});
}

PlayerModel::Figures PlayerModel::measureStarted(int plays,
                                                 const std::function<bool(int)>& carryOn) {
    Figures figures;
    driver.restartLevel();
    const std::vector<std::string> kinds = driver.birdKinds();
    for (int play = 0; play < plays; ++play) {
        if (carryOn && !carryOn(play)) {
            break;
        }
        std::mt19937 engine(FIRST_SEED + static_cast<std::uint32_t>(play));
        driver.restartLevel();
        const Outcome outcome = driver.play(
            [&](std::size_t bird) {
                return bird < kinds.size() ? std::optional<Shot>(nextShot(engine, kinds[bird]))
                                           : std::nullopt;
            },
            FrameSequence::steady(1.0f / STEPS_PER_SECOND, "60 Hz"));
        simulatedSteps += driver.stepsSinceStart();
        ++figures.plays;
        figures.wins += outcome.won ? 1 : 0;
        figures.threeStarWins += outcome.won && outcome.stars == 3 ? 1 : 0;
    }
    return figures;
}

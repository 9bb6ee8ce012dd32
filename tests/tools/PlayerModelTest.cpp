#include "core/Attempt.h"
#include "entities/Bird.h"

#include "core/PlayerModel.h"
#include "core/ShotDriver.h"

#include <box2d/box2d.h>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// How near the bird's centre must come to the enemy's: the preview's own
// reach, plus the two bodies' sizes.
constexpr float NEAR_ENOUGH = 60.0f;

// Fires `aim` exactly, by hand, and returns how near the launched bird's
// centre came to the aim's target on its way there.
float closestApproach(Attempt& attempt, const PlayerModel::Aim& aim) {
    const float radians = aim.angleDegrees * PI / 180.0f;
    const sf::Vector2f pullPoint =
        attempt.slingshotPos +
        sf::Vector2f(-std::cos(radians) * aim.pull, std::sin(radians) * aim.pull);
    attempt.press(attempt.bandRestPos);
    attempt.pull(pullPoint);
    attempt.release();
    Bird* const bird = attempt.currentBird;
    if (bird == nullptr || bird->body == nullptr) {
        return INFINITY;
    }
    float closest = INFINITY;
    const int steps = static_cast<int>(aim.secondsToTarget * 60.0f) + 30;
    for (int step = 0; step < steps && bird->body != nullptr; ++step) {
        attempt.step();
        const b2Vec2 at = bird->body->GetPosition();
        const sf::Vector2f pixels = toPixels(at.x, at.y);
        closest = std::min(closest, std::hypot(pixels.x - aim.target.x, pixels.y - aim.target.y));
    }
    return closest;
}

// The game's narration stays out of the test's output, which a failed
// assertion must still reach.
class PlayerModelTest : public ::testing::Test {
protected:
    void SetUp() override { ::testing::internal::CaptureStdout(); }
    void TearDown() override { ::testing::internal::GetCapturedStdout(); }
};

} // namespace

// The model reads its aims off the game's own preview; a shot fired exactly
// on such an aim must really fly through the target, on either arc, or the
// model would be measuring players who aim at nothing.
TEST_F(PlayerModelTest, AnAimReadOffThePreviewFliesThroughItsTarget) {
    Attempt attempt;
    ShotDriver driver(attempt);
    PlayerModel model(driver);
    int aimsFlown = 0;
    for (int level = 0; level < 7; ++level) {
        SCOPED_TRACE("level " + std::to_string(level + 1));
        driver.startLevel(level);
        for (const sf::Vector2f enemy : driver.livingEnemies()) {
            const std::optional<PlayerModel::Aim> flat = model.aimAt(enemy, false);
            const std::optional<PlayerModel::Aim> high = model.aimAt(enemy, true);
            ASSERT_TRUE(flat.has_value()) << "no aim at an enemy in reach of a full pull";
            if (high) {
                EXPECT_GT(high->angleDegrees, flat->angleDegrees);
            }
            for (const auto& aim : {flat, high}) {
                if (!aim || !aim->clearPath) {
                    continue; // a block stands in the way: the bird is meant to hit it
                }
                driver.startLevel(level);
                EXPECT_LT(closestApproach(attempt, *aim), NEAR_ENOUGH)
                    << "aimed at " << aim->angleDegrees << " deg";
                ++aimsFlown;
            }
            driver.startLevel(level);
        }
    }
    EXPECT_GT(aimsFlown, 0);
}

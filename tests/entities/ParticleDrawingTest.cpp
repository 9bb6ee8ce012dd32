#include "assets/SharedConstants.h"
#include "entities/ExplosionBurst.h"
#include "entities/ParticleSystem.h"

#include "assets/Renderer.h"
#include "core/GameTestSupport.h"
#include "ui/ScreenChecks.h"

#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderWindow.hpp>
#include <cmath>
#include <gtest/gtest.h>

// Debris drawn as one batch looks exactly like debris drawn chip by chip, and
// an explosion bird's blast shows as a burst of fire and smoke.
namespace {

TEST(ParticleDrawingTest, OneBatchDrawsWhatTheSingleShapesDraw) {
    sf::RenderWindow window(sf::VideoMode(240, 160), "particles");
    Renderer renderer(window);
    ParticleSystem system([] { return 4242u; });
    testing::internal::CaptureStdout();
    const sf::Color wood(139, 69, 19, 200);
    system.spawn({60.0f, 80.0f}, 40, 2.0f, wood, 1.0f, 6.0f, 1.0f, 2.0f, 6.2f, CIRCLE);
    system.spawn({120.0f, 80.0f}, 40, 2.0f, sf::Color::Cyan, 1.0f, 6.0f, 1.0f, 2.0f, 6.2f,
                 QUADRANGLE);
    system.spawn({180.0f, 80.0f}, 40, 2.0f, sf::Color::Yellow, 1.0f, 6.0f, 1.0f, 2.0f, 6.2f,
                 TRIANGLE);
    testing::internal::GetCapturedStdout();
    system.update(0.2f); // spread out and half faded: blending matters
    system.particles.push_back(system.particles.front());
    system.particles.back().lifetime = 0.0f; // spent: never drawn

    window.clear(sf::Color(30, 30, 30));
    system.draw(renderer);
    const sf::Image batched = captureWindow(window);

    window.clear(sf::Color(30, 30, 30));
    for (const Particle& particle : system.particles) {
        if (particle.lifetime <= 0.0f) {
            continue;
        }
        if (particle.shape == CIRCLE) {
            renderer.drawCircle(particle.position, particle.size, particle.color);
        } else if (particle.shape == QUADRANGLE) {
            renderer.drawQuad(particle.position, 2.0f * particle.size, particle.color, 0.0f);
        } else {
            renderer.drawTriangle(particle.position, 2.0f * particle.size, particle.color, 0.0f);
        }
    }
    const sf::Image single = captureWindow(window);

    int painted = 0;
    int differing = 0;
    for (unsigned y = 0; y < 160; ++y) {
        for (unsigned x = 0; x < 240; ++x) {
            const sf::Color a = batched.getPixel(x, y);
            const sf::Color b = single.getPixel(x, y);
            painted += b != sf::Color(30, 30, 30) ? 1 : 0;
            differing += std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b) > 6;
        }
    }
    EXPECT_GT(painted, 500);
    // Shapes are split into triangles from another corner; at most a few
    // edge pixels where chips overlap may blend in another order.
    EXPECT_LT(differing, painted / 50) << differing << " of " << painted;
}

TEST(ExplosionBurstTest, TheBlastThrowsFireAndSmokeEveryWay) {
    ParticleSystem system([] { return 99u; });
    testing::internal::CaptureStdout();
    ExplosionBurst::emit(system, {500.0f, 300.0f});
    testing::internal::GetCapturedStdout();
    ASSERT_GE(system.particles.size(), 60u);
    int left = 0;
    int right = 0;
    int up = 0;
    int down = 0;
    float longest = 0.0f;
    for (const Particle& particle : system.particles) {
        EXPECT_EQ(particle.position, sf::Vector2f(500.0f, 300.0f));
        left += particle.velocity.x < 0.0f ? 1 : 0;
        right += particle.velocity.x > 0.0f ? 1 : 0;
        up += particle.velocity.y < 0.0f ? 1 : 0;
        down += particle.velocity.y > 0.0f ? 1 : 0;
        longest = std::max(longest, particle.maxLifetime);
    }
    EXPECT_GT(std::min({left, right, up, down}), 10) << "a burst, not a one-sided fan";
    // Short: gone within a second of frames.
    EXPECT_LE(longest, 1.0f);
    for (int frame = 0; frame < 60; ++frame) {
        system.update(1.0f / 60.0f);
    }
    EXPECT_TRUE(system.particles.empty());
}

TEST(ExplosionBurstTest, TheBlastFillsItsReachAndGrowsWithIt) {
    for (const float reach : {90.0f, 180.0f}) {
        ParticleSystem system([] { return 7u; });
        testing::internal::CaptureStdout();
        ExplosionBurst::emit(system, {500.0f, 300.0f}, reach);
        testing::internal::GetCapturedStdout();
        float covered = 0.0f;
        float farthest = 0.0f;
        for (const Particle& particle : system.particles) {
            covered += PI * particle.size * particle.size;
            const sf::Vector2f v = particle.velocity;
            farthest = std::max(farthest, std::sqrt(v.x * v.x + v.y * v.y) * particle.maxLifetime);
        }
        // Laid side by side, the particles cover at least the blast's disc:
        // a ball of fire, not a few specks.
        EXPECT_GE(covered, PI * reach * reach) << reach;
        // And what flies goes as far as the blast reaches, not much further.
        EXPECT_GE(farthest, 0.9f * reach) << reach;
        EXPECT_LE(farthest, 1.3f * reach) << reach;
    }
}

TEST(ExplosionBurstTest, AnExplosionBirdsSpecialShowsTheBurstWhereItWentOff) {
    auto game = makeLoadedGame();
    playLevel(*game, writeLevelFile("blast", "BIRD EXPLOSION 1\nENEMY 900 540\n"));
    game->dragPos = game->slingshotPos + sf::Vector2f(-120.0f, 60.0f);
    game->launchBird();
    for (int frame = 0; frame < 20; ++frame) {
        game->update(1.0f / 60.0f);
    }
    Bird* bird = game->currentBird;
    ASSERT_NE(bird, nullptr);
    const sf::Vector2f blast = bird->position;
    game->particles.particles.clear();
    game->activateSpecial();
    EXPECT_FALSE(bird->alive);
    ASSERT_GE(game->particles.particles.size(), 60u);
    for (const Particle& particle : game->particles.particles) {
        EXPECT_EQ(particle.position, blast);
    }
    // A few frames later the fire shows around the blast.
    for (int frame = 0; frame < 6; ++frame) {
        game->update(1.0f / 60.0f);
    }
    const sf::Image image = drawRecordedFrame(*game).image;
    image.saveToFile((screenOutputDir() / "explosion_burst.png").string());
    const sf::Vector2i centre = game->window.mapCoordsToPixel(blast, game->gameView);
    int fiery = 0;
    for (int y = centre.y - 60; y <= centre.y + 60; ++y) {
        for (int x = centre.x - 60; x <= centre.x + 60; ++x) {
            if (x < 0 || y < 0 || x >= 1280 || y >= 720) {
                continue;
            }
            const sf::Color c = image.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y));
            fiery += c.r > 200 && c.g > 90 && c.g < 200 && c.b < 80 ? 1 : 0;
        }
    }
    EXPECT_GT(fiery, 30);
}

} // namespace

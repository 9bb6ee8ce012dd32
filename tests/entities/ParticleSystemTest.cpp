#include "entities/ParticleSystem.h"

#include "entities/DebrisProfile.h"
#include "entities/GameContactListener.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {
constexpr float PI = 3.1415927f;

ParticleSystem fixedSeedSystem(std::uint32_t seed, int* calls = nullptr) {
    return ParticleSystem([seed, calls] {
        if (calls != nullptr) {
            ++*calls;
        }
        return seed;
    });
}

Particle particleWithLifetime(float lifetime) {
    Particle particle;
    particle.lifetime = lifetime;
    particle.maxLifetime = lifetime;
    particle.color = sf::Color(10, 20, 30, 255);
    return particle;
}

float length(sf::Vector2f v) {
    return std::sqrt(v.x * v.x + v.y * v.y);
}
} // namespace

TEST(ParticleSpawnTest, GlassBurstStaysWithinItsRanges) {
    ParticleSystem system;
    const sf::Color glass(173, 216, 230, 255);
    testing::internal::CaptureStdout();
    system.spawn({400.0f, 300.0f}, 104, 13.0f, glass, 1.0f, 3.0f, 0.3f, 0.8f, PI, TRIANGLE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "TRIANGLE\n");

    ASSERT_EQ(system.particles.size(), 104u);
    for (const Particle& particle : system.particles) {
        EXPECT_EQ(particle.position, sf::Vector2f(400.0f, 300.0f));
        const float speed = length(particle.velocity);
        EXPECT_GE(speed, 115.0f - 1e-3f);
        EXPECT_LT(speed, 345.0f + 1e-3f);
        EXPECT_GE(particle.velocity.x, -1e-3f) << "the fan opens to the right";
        EXPECT_GE(particle.size, 1.0f);
        EXPECT_LT(particle.size, 3.0f);
        EXPECT_GE(particle.lifetime, 0.3f);
        EXPECT_LT(particle.lifetime, 0.8f);
        EXPECT_EQ(particle.lifetime, particle.maxLifetime);
        EXPECT_EQ(particle.color, glass);
        EXPECT_EQ(particle.shape, TRIANGLE);
    }
}

TEST(ParticleSpawnTest, EachBurstDrawsDirectionSpeedLifetimeSizeFromAFreshEngine) {
    int seedCalls = 0;
    ParticleSystem system = fixedSeedSystem(1234u, &seedCalls);
    system.spawn({0.0f, 0.0f}, 2, 5.0f, sf::Color::White, 2.0f, 4.0f, 1.0f, 2.0f, 1.0f, CIRCLE);
    system.spawn({0.0f, 0.0f}, 1, 5.0f, sf::Color::White, 2.0f, 4.0f, 1.0f, 2.0f, 1.0f, CIRCLE);
    EXPECT_EQ(seedCalls, 2);

    std::mt19937 engine(1234u);
    auto unit = [&engine] { return static_cast<float>(engine() >> 8) / 16777216.0f; };
    const float direction = -0.5f + unit() * 1.0f;
    const float speed = (unit() * 100.0f + 50.0f) * 1.5f;
    const float lifetime = 1.0f + unit() * 1.0f;
    const float size = 2.0f + unit() * 2.0f;
    for (std::size_t i : {0u, 2u}) { // the third particle repeats the first
        SCOPED_TRACE(i);
        const Particle& particle = system.particles[i];
        EXPECT_FLOAT_EQ(particle.velocity.x, std::cos(direction) * speed);
        EXPECT_FLOAT_EQ(particle.velocity.y, std::sin(direction) * speed);
        EXPECT_FLOAT_EQ(particle.lifetime, lifetime);
        EXPECT_FLOAT_EQ(particle.size, size);
    }
    EXPECT_NE(system.particles[1].velocity, system.particles[0].velocity);
}

TEST(ParticleSpawnTest, EmptyBurstStillLogsItsShapeWord) {
    int seedCalls = 0;
    ParticleSystem system = fixedSeedSystem(7u, &seedCalls);
    testing::internal::CaptureStdout();
    system.spawn({0.0f, 0.0f}, 0, 1.0f, sf::Color::White, 1, 2, 1, 2, 1, QUADRANGLE);
    system.spawn({0.0f, 0.0f}, -3, 1.0f, sf::Color::White, 1, 2, 1, 2, 1, CIRCLE);
    system.spawn({0.0f, 0.0f}, 0, 1.0f, sf::Color::White, 1, 2, 1, 2, 1,
                 static_cast<ParticleShape>(9));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "QUADRANGLE\nCIRCLE\n\n");
    EXPECT_TRUE(system.particles.empty());
    EXPECT_EQ(seedCalls, 3);
}

TEST(ParticleUpdateTest, ParticlesFlyStraightAndFadeLinearly) {
    ParticleSystem system;
    Particle particle = particleWithLifetime(1.0f);
    particle.position = {10.0f, 20.0f};
    particle.velocity = {100.0f, -40.0f};
    system.particles.push_back(particle);

    system.update(0.25f);
    system.update(0.25f);
    ASSERT_EQ(system.particles.size(), 1u);
    const Particle& moved = system.particles[0];
    EXPECT_FLOAT_EQ(moved.lifetime, 0.5f);
    EXPECT_EQ(moved.color.a, 127);
    EXPECT_EQ(moved.color.r, 10);
    EXPECT_FLOAT_EQ(moved.position.x, 60.0f);
    EXPECT_FLOAT_EQ(moved.position.y, 0.0f);
    EXPECT_EQ(moved.velocity, sf::Vector2f(100.0f, -40.0f));
}

TEST(ParticleUpdateTest, SpentParticlesAreRemovedInTheSameUpdateKeepingOrder) {
    ParticleSystem system;
    for (float lifetime : {1.0f, 0.3f, 2.0f, 0.5f, 3.0f}) {
        system.particles.push_back(particleWithLifetime(lifetime));
    }
    system.update(0.5f);
    ASSERT_EQ(system.particles.size(), 3u);
    EXPECT_FLOAT_EQ(system.particles[0].maxLifetime, 1.0f);
    EXPECT_FLOAT_EQ(system.particles[1].maxLifetime, 2.0f);
    EXPECT_FLOAT_EQ(system.particles[2].maxLifetime, 3.0f);
    system.update(10.0f);
    EXPECT_TRUE(system.particles.empty());
}

TEST(ParticleLimitsTest, ABurstNeverExceedsItsCapWhateverTheCount) {
    ParticleSystem system = fixedSeedSystem(7u);
    testing::internal::CaptureStdout();
    system.spawn({0.0f, 0.0f}, 2000000000, 13.0f, sf::Color::White, 1.0f, 3.0f, 0.3f, 0.8f, PI,
                 QUADRANGLE);
    EXPECT_EQ(system.particles.size(),
              static_cast<std::size_t>(ParticleSystem::MAX_BURST_PARTICLES));
    system.spawn({0.0f, 0.0f}, -5, 13.0f, sf::Color::White, 1.0f, 3.0f, 0.3f, 0.8f, PI, CIRCLE);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "QUADRANGLE\nCIRCLE\n");
    EXPECT_EQ(system.particles.size(),
              static_cast<std::size_t>(ParticleSystem::MAX_BURST_PARTICLES));
}

TEST(ParticleLimitsTest, TheSystemStopsGrowingAtItsLimitUntilChipsFade) {
    ParticleSystem system = fixedSeedSystem(7u);
    testing::internal::CaptureStdout();
    const int bursts =
        static_cast<int>(ParticleSystem::MAX_PARTICLES) / ParticleSystem::MAX_BURST_PARTICLES + 3;
    for (int i = 0; i < bursts; ++i) {
        system.spawn({0.0f, 0.0f}, ParticleSystem::MAX_BURST_PARTICLES, 1.0f, sf::Color::White,
                     1.0f, 2.0f, 0.5f, 1.0f, PI, CIRCLE);
    }
    EXPECT_EQ(system.particles.size(), ParticleSystem::MAX_PARTICLES);
    system.update(2.0f);
    EXPECT_TRUE(system.particles.empty());
    system.spawn({0.0f, 0.0f}, 10, 1.0f, sf::Color::White, 1.0f, 2.0f, 0.5f, 1.0f, PI, CIRCLE);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(system.particles.size(), 10u);
}

TEST(ParticleLimitsTest, AnUnboundedIntensityThrowsChipsAtTheBaseSpeed) {
    for (float intensity :
         {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), -3.0f}) {
        ParticleSystem system = fixedSeedSystem(3u);
        testing::internal::CaptureStdout();
        system.spawn({0.0f, 0.0f}, 20, intensity, sf::Color::White, 1.0f, 2.0f, 0.5f, 1.0f, PI,
                     CIRCLE);
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(system.particles.size(), 20u);
        for (const Particle& particle : system.particles) {
            EXPECT_GE(length(particle.velocity), 50.0f - 1e-3f) << intensity;
            EXPECT_LT(length(particle.velocity), 150.0f + 1e-3f) << intensity;
        }
    }
}

TEST(DebrisCountTest, IsTruncatedCappedAndDefinedForEveryFloat) {
    const float inf = std::numeric_limits<float>::infinity();
    const int cap = ParticleSystem::MAX_BURST_PARTICLES;
    EXPECT_EQ(debrisCountFor(3.9f, 4.0f), 15);
    EXPECT_EQ(debrisCountFor(13.0f, 8.0f), 104);
    EXPECT_EQ(debrisCountFor(0.2f, 4.0f), 0);
    EXPECT_EQ(debrisCountFor(-5.0f, 4.0f), 0);
    EXPECT_EQ(debrisCountFor(std::numeric_limits<float>::quiet_NaN(), 4.0f), 0);
    EXPECT_EQ(debrisCountFor(-inf, 4.0f), 0);
    EXPECT_EQ(debrisCountFor(inf, 0.0f), 0); // inf x 0 is NaN
    EXPECT_EQ(debrisCountFor(inf, 4.0f), cap);
    EXPECT_EQ(debrisCountFor(2e10f, 8.0f), cap);
    EXPECT_EQ(debrisCountFor(std::numeric_limits<float>::max(), 8.0f), cap);
    // The contact rules go through the same count.
    EXPECT_EQ(GameContactListener::debrisProfileFor(GLASS, 2e10f).count, cap);
    EXPECT_EQ(GameContactListener::debrisProfileFor(WOOD, inf).count, cap);
}

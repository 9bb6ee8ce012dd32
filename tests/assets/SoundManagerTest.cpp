#include "assets/SoundManager.h"
#include "entities/PhysicsTestSupport.h"

#include <gtest/gtest.h>

namespace {
// A manager on a hand-driven clock, with every effect id loaded from one
// long silent file so that started sounds keep playing during a test.
class SoundManagerTest : public testing::Test {
protected:
    void SetUp() override {
        const physics_test::TemporaryWav wav =
            physics_test::writeSilentWav("sound_manager_test.wav", 20.0f);
        for (int id = BirdLaunch; id <= LevelLose; ++id) {
            ASSERT_TRUE(sounds.loadSound(id, wav.path));
        }
    }

    double clock = 100.0;
    SoundManager sounds{[this] { return clock; }};
};
} // namespace

TEST_F(SoundManagerTest, ImpactVolumeRisesFromFiftyToAHundred) {
    sounds.playImpact(BlockHit, 1.9f);
    EXPECT_EQ(sounds.activeSoundCount(), 0u);
    EXPECT_TRUE(sounds.lastPlayed.empty()) << "a silent impact does not start the cooldown";

    const struct {
        float impulse;
        float soundVolume;
    } cases[] = {{2.0f, 40.0f}, {26.0f, 60.0f}, {50.0f, 80.0f}, {200.0f, 80.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.impulse);
        clock += 1.0;
        sounds.playImpact(BlockHit, c.impulse);
        ASSERT_NE(sounds.newestSound(), nullptr);
        EXPECT_NEAR(sounds.newestSound()->getVolume(), c.soundVolume, 1e-3f);
    }
    EXPECT_EQ(sounds.activeSoundCount(), 4u);
    EXPECT_FLOAT_EQ(SoundManager::impactVolume(26.0f), 75.0f);
}

TEST_F(SoundManagerTest, BlockHitCooldownRestartsOnlyOnAcceptedPlays) {
    sounds.play(BlockHit, 100.0f);
    clock += 0.03;
    sounds.play(BlockHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 1u);
    clock += 0.03; // 0.06 s after the accepted start
    sounds.play(BlockHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 2u);
    clock += 0.04;
    sounds.play(BlockHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 2u);

    sounds.play(EnemyHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 3u) << "each effect has its own cooldown";
    clock += 0.06;
    sounds.play(EnemyHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 3u);
    clock += 0.05;
    sounds.play(EnemyHit, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 4u);
}

TEST_F(SoundManagerTest, EffectsWithoutCooldownAllPlay) {
    sounds.play(BirdLaunch, 100.0f);
    sounds.play(BirdLaunch, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 2u);
    EXPECT_EQ(sounds.lastPlayed.count(BirdLaunch), 0u);
    EXPECT_NEAR(sounds.newestSound()->getVolume(), 80.0f, 1e-3f);
    EXPECT_EQ(sounds.newestSound()->getStatus(), sf::SoundSource::Playing);
}

TEST_F(SoundManagerTest, TheThirtyThirdSoundCutsOffTheOldest) {
    sounds.play(ButtonClick, 10.0f); // volume 8 marks the oldest
    for (int i = 0; i < 31; ++i) {
        sounds.play(ButtonClick, 100.0f);
    }
    ASSERT_EQ(sounds.activeSoundCount(), 32u);
    EXPECT_NEAR(sounds.activeSounds.front()->getVolume(), 8.0f, 1e-3f);
    sounds.play(ButtonClick, 50.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 32u);
    for (const auto& sound : sounds.activeSounds) {
        EXPECT_NEAR(sound->getVolume(), sound.get() == sounds.newestSound() ? 40.0f : 80.0f, 1e-3f);
    }
}

TEST_F(SoundManagerTest, StoppedSoundsAreCleanedUpBeforeTheNextStart) {
    sounds.play(LevelWin, 100.0f);
    sounds.play(LevelLose, 100.0f);
    sounds.activeSounds.front()->stop();
    sounds.play(LevelWin, 100.0f);
    EXPECT_EQ(sounds.activeSoundCount(), 2u);
}

TEST_F(SoundManagerTest, UnloadedEffectIsSilentAndQuiet) {
    SoundManager empty([] { return 0.0; });
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    empty.play(EnemyDeath, 100.0f);
    empty.playImpact(BlockHit, 30.0f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(empty.activeSoundCount(), 0u);
    EXPECT_EQ(empty.lastStartedId(), -1);
}

TEST_F(SoundManagerTest, MissingFileWarnsAndKeepsTheEarlierBuffer) {
    testing::internal::CaptureStderr();
    EXPECT_FALSE(sounds.loadSound(BirdLaunch, "no/such/file.wav"));
    // SFML adds its own line before ours.
    EXPECT_NE(testing::internal::GetCapturedStderr().find(
                  "Warning: Could not load sound: no/such/file.wav\n"),
              std::string::npos);
    sounds.play(BirdLaunch, 100.0f);
    EXPECT_EQ(sounds.lastStartedId(), BirdLaunch);
}

TEST_F(SoundManagerTest, ReloadingABufferStopsSoundsThatUseIt) {
    sounds.play(EnemyDeath, 100.0f);
    sounds.play(BirdLaunch, 100.0f);
    const physics_test::TemporaryWav wav =
        physics_test::writeSilentWav("sound_manager_reload.wav", 1.0f);
    ASSERT_TRUE(sounds.loadSound(EnemyDeath, wav.path));
    ASSERT_EQ(sounds.activeSoundCount(), 1u);
    EXPECT_EQ(sounds.activeSounds.front()->getBuffer(), &sounds.buffers.at(BirdLaunch));
}

TEST(SoundManagerGameFilesTest, LoadsEveryEffectAndRestartsMusicOnEveryCall) {
    SoundManager sounds;
    testing::internal::CaptureStdout();
    sounds.loadAllSounds();
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Loading sound effects...\nSound effects loaded.\n");
    EXPECT_EQ(sounds.buffers.size(), 8u);

    sounds.playMusic(GameMusic, true);
    EXPECT_EQ(sounds.currentMusicPath(), "resources/sounds/game_music.wav");
    EXPECT_EQ(sounds.music.getStatus(), sf::SoundSource::Playing);
    EXPECT_TRUE(sounds.music.getLoop());
    EXPECT_FLOAT_EQ(sounds.music.getVolume(), 50.0f);
    sounds.playMusic(GameMusic, true);
    EXPECT_EQ(sounds.musicStartCount(), 2);
    EXPECT_EQ(sounds.music.getStatus(), sf::SoundSource::Playing);

    sounds.playMusic(BlockHit, true);
    EXPECT_EQ(sounds.musicStartCount(), 2);
    sounds.playMusic(MenuMusic, false);
    EXPECT_EQ(sounds.currentMusicPath(), "resources/sounds/menu_music.wav");
    EXPECT_FALSE(sounds.music.getLoop());
}

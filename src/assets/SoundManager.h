#pragma once

#include <SFML/Audio/Music.hpp>
#include <SFML/Audio/Sound.hpp>
#include <SFML/Audio/SoundBuffer.hpp>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// Effects 0 to 7, music 8 and 9.
enum SoundId {
    BirdLaunch = 0,
    SlingshotPull,
    BlockHit,
    EnemyHit,
    EnemyDeath,
    ButtonClick,
    LevelWin,
    LevelLose,
    MenuMusic,
    GameMusic
};

// Plays the short effects from buffers loaded once, and streams one music
// track at a time. A collapsing structure reports dozens of impacts per
// second, so the impact sounds have a cooldown and the number of sounds
// playing at once is capped.
class SoundManager {
public:
    // Seconds on a steady clock; only differences are used.
    using TimeSource = std::function<double()>;

    static constexpr std::size_t MAX_ACTIVE_SOUNDS = 32;
    static constexpr float BLOCK_HIT_COOLDOWN = 0.05f;
    static constexpr float ENEMY_HIT_COOLDOWN = 0.1f;
    static constexpr float IMPACT_MIN_IMPULSE = 2.0f;
    static constexpr float IMPACT_FULL_IMPULSE = 50.0f;

    static SoundManager& getInstance();

    // A separate manager, e.g. for tests; timeSource defaults to a steady
    // sf::Clock.
    explicit SoundManager(TimeSource timeSource = {});
    SoundManager(const SoundManager&) = delete;
    SoundManager& operator=(const SoundManager&) = delete;

    void loadAllSounds();
    bool loadSound(int id, const std::string& path);
    // volume is a percentage of the effect master volume sfxVolume.
    void play(int id, float volume);
    // Silent below IMPACT_MIN_IMPULSE; louder with the impulse above it.
    void playImpact(int id, float impulse);
    // Opens and starts track 8 or 9, restarting it if it was already playing.
    void playMusic(int id, bool loop);
    // Opens and starts a track by its resource path ("/sounds/....wav").
    void playMusicFile(const std::string& resourcePath, bool loop);

    // The volume (0 to 100) playImpact gives an impulse; negative when silent.
    static float impactVolume(float impulse);

    // The player's volumes, in percent of the game's own mix (sfxVolume and
    // musicVolume), and mute. Each takes effect at once, on the sounds and the
    // track already playing too. Muted, everything still plays (so unmuting
    // resumes the music where it is) but at volume 0.
    void setMusicLevel(int percent);
    void setEffectsLevel(int percent);
    void setMuted(bool muted);
    bool isMuted() const { return muted; }
    // What the music and a full-volume effect are set to now (0 while muted).
    float currentMusicVolume() const;
    float currentEffectsVolume() const;

    // Observers for tests and diagnostics.
    std::size_t activeSoundCount() const { return activeSounds.size(); }
    const sf::Sound* newestSound() const;
    int lastStartedId() const { return lastStarted; }
    int soundsStarted() const { return startCount; }
    const std::string& currentMusicPath() const { return musicPath; }
    int musicStartCount() const { return musicStarts; }

    std::map<int, sf::SoundBuffer> buffers;
    std::vector<std::unique_ptr<sf::Sound>> activeSounds;
    std::map<int, double> lastPlayed; // time of the last accepted start, per cooled-down id
    sf::Music music;
    float sfxVolume = 80.0f;
    float musicVolume = 50.0f;

private:
    // False when id is still cooling down; otherwise records the start.
    bool acceptAfterCooldown(int id);
    void dropStoppedSounds();
    void applyVolumes();

    TimeSource now;
    int lastStarted = -1;
    int startCount = 0;
    std::string musicPath;
    int musicStarts = 0;
    float musicLevel = 100.0f;
    float effectsLevel = 100.0f;
    bool muted = false;
    // The volume each active sound was asked for (percent of an effect at
    // full volume), by sound, so a change of level can apply to it.
    std::map<const sf::Sound*, float> requestedVolumes;
};

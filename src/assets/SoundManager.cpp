#include "assets/SoundManager.h"

#include "assets/DataPaths.h"

#include <SFML/System/Clock.hpp>
#include <algorithm>
#include <array>
#include <iostream>

namespace {
// Effect files by SoundId, 0 to 7.
constexpr std::array<const char*, 8> EFFECT_FILES{
    "/sounds/bird_launch.wav", "/sounds/slingshot_pull.wav", "/sounds/block_hit.wav",
    "/sounds/enemy_hit.wav",   "/sounds/enemy_death.wav",    "/sounds/button_click.wav",
    "/sounds/level_win.wav",   "/sounds/level_lose.wav",
};

// Seconds an effect must rest between starts; 0 for effects without a cooldown.
float cooldownOf(int id) {
    switch (id) {
    case BlockHit:
        return SoundManager::BLOCK_HIT_COOLDOWN;
    case EnemyHit:
        return SoundManager::ENEMY_HIT_COOLDOWN;
    default:
        return 0.0f;
    }
}

const char* musicFileOf(int id) {
    switch (id) {
    case MenuMusic:
        return "/sounds/menu_music.wav";
    case GameMusic:
        return "/sounds/game_music.wav";
    default:
        return nullptr;
    }
}
} // namespace

SoundManager& SoundManager::getInstance() {
    static SoundManager instance;
    return instance;
}

SoundManager::SoundManager(TimeSource timeSource) : now(std::move(timeSource)) {
    if (!now) {
        auto clock = std::make_shared<sf::Clock>();
        now = [clock] { return static_cast<double>(clock->getElapsedTime().asSeconds()); };
    }
}

void SoundManager::loadAllSounds() {
    std::cout << "Loading sound effects...\n";
    for (int id = 0; id < static_cast<int>(EFFECT_FILES.size()); ++id) {
        loadSound(id,
                  DataPaths::forThisProcess().resource(EFFECT_FILES[static_cast<std::size_t>(id)]));
    }
    std::cout << "Sound effects loaded.\n";
}

bool SoundManager::loadSound(int id, const std::string& path) {
    sf::SoundBuffer buffer;
    if (!buffer.loadFromFile(path)) {
        std::cerr << "Warning: Could not load sound: " << path << "\n";
        return false;
    }
    // Sounds still playing the old buffer must not outlive it.
    if (buffers.count(id) != 0) {
        const sf::SoundBuffer* old = &buffers[id];
        activeSounds.erase(std::remove_if(activeSounds.begin(), activeSounds.end(),
                                          [old](const std::unique_ptr<sf::Sound>& sound) {
                                              return sound->getBuffer() == old;
                                          }),
                           activeSounds.end());
    }
    buffers[id] = buffer;
    return true;
}

void SoundManager::play(int id, float volume) {
    const auto found = buffers.find(id);
    if (found == buffers.end()) {
        return;
    }
    if (!acceptAfterCooldown(id)) {
        return;
    }
    dropStoppedSounds();
    if (activeSounds.size() >= MAX_ACTIVE_SOUNDS) {
        activeSounds.erase(activeSounds.begin()); // the oldest is cut off
    }
    // Forget the volumes of sounds that are gone before a new sound can take
    // the address of one of them.
    std::erase_if(requestedVolumes, [this](const auto& entry) {
        return std::none_of(activeSounds.begin(), activeSounds.end(),
                            [&](const auto& sound) { return sound.get() == entry.first; });
    });
    auto sound = std::make_unique<sf::Sound>(found->second);
    requestedVolumes[sound.get()] = volume;
    sound->setVolume(currentEffectsVolume() / 100.0f * volume);
    sound->play();
    activeSounds.push_back(std::move(sound));
    lastStarted = id;
    ++startCount;
}

float SoundManager::impactVolume(float impulse) {
    if (impulse < IMPACT_MIN_IMPULSE) {
        return -1.0f;
    }
    const float rise =
        std::min(1.0f, (impulse - IMPACT_MIN_IMPULSE) / (IMPACT_FULL_IMPULSE - IMPACT_MIN_IMPULSE));
    return rise * 50.0f + 50.0f;
}

void SoundManager::playImpact(int id, float impulse) {
    const float volume = impactVolume(impulse);
    if (volume < 0.0f) {
        return;
    }
    play(id, volume);
}

void SoundManager::playMusic(int id, bool loop) {
    const char* file = musicFileOf(id);
    if (file == nullptr) {
        return;
    }
    playMusicFile(file, loop);
}

void SoundManager::playMusicFile(const std::string& resourcePath, bool loop) {
    const std::string path = DataPaths::forThisProcess().resource(resourcePath);
    // Opening stops the current track, so asking for the playing track
    // starts it again from the beginning.
    if (!music.openFromFile(path)) {
        std::cerr << "Warning: Could not load music: " << path << "\n";
        return;
    }
    music.setLoop(loop);
    music.setVolume(currentMusicVolume());
    music.play();
    musicPath = path;
    ++musicStarts;
}

float SoundManager::currentMusicVolume() const {
    return muted ? 0.0f : musicVolume * musicLevel / 100.0f;
}

float SoundManager::currentEffectsVolume() const {
    return muted ? 0.0f : sfxVolume * effectsLevel / 100.0f;
}

void SoundManager::setMusicLevel(int percent) {
    musicLevel = static_cast<float>(std::clamp(percent, 0, 100));
    applyVolumes();
}

void SoundManager::setEffectsLevel(int percent) {
    effectsLevel = static_cast<float>(std::clamp(percent, 0, 100));
    applyVolumes();
}

void SoundManager::setMuted(bool mute) {
    muted = mute;
    applyVolumes();
}

void SoundManager::applyVolumes() {
    music.setVolume(currentMusicVolume());
    for (const auto& sound : activeSounds) {
        const auto requested = requestedVolumes.find(sound.get());
        const float volume = requested != requestedVolumes.end() ? requested->second : 100.0f;
        sound->setVolume(currentEffectsVolume() / 100.0f * volume);
    }
}

const sf::Sound* SoundManager::newestSound() const {
    return activeSounds.empty() ? nullptr : activeSounds.back().get();
}

bool SoundManager::acceptAfterCooldown(int id) {
    const float cooldown = cooldownOf(id);
    if (cooldown <= 0.0f) {
        return true;
    }
    const double time = now();
    const auto last = lastPlayed.find(id);
    if (last != lastPlayed.end() && time - last->second < cooldown) {
        return false;
    }
    lastPlayed[id] = time;
    return true;
}

void SoundManager::dropStoppedSounds() {
    activeSounds.erase(std::remove_if(activeSounds.begin(), activeSounds.end(),
                                      [](const std::unique_ptr<sf::Sound>& sound) {
                                          return sound->getStatus() == sf::SoundSource::Stopped;
                                      }),
                       activeSounds.end());
}

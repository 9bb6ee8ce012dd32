#pragma once

#include <SFML/Graphics/Color.hpp>
#include <memory>
#include <string>

class Bird;

// Numbers shared by every bird.
inline constexpr float BIRD_RADIUS = 15.0f; // pixels
inline constexpr float BIRD_FRICTION = 0.3f;
inline constexpr float BIRD_RESTITUTION = 0.4f;
inline constexpr float BIRD_LIFETIME_AFTER_COLLISION = 10.0f; // seconds
// The playing area a flying bird must stay in, pixels.
inline constexpr float BIRD_AREA_MIN_X = -100.0f;
inline constexpr float BIRD_AREA_MAX_X = 2000.0f;
inline constexpr float BIRD_AREA_MIN_Y = -100.0f;
inline constexpr float BIRD_AREA_MAX_Y = 1000.0f;

// The special kinds' constants.
inline constexpr float BOOST_FACTOR = 1.8f;
inline constexpr float BOOST_MIN_SPEED = 0.1f; // m/s; slower birds are not boosted
inline constexpr int SPLIT_COUNT = 3;
inline constexpr float SPLIT_DENSITY_FACTOR = 0.7f;
inline constexpr float SPLIT_FAN_STEP = 0.4f;   // radians between children
inline constexpr float SPLIT_OFFSET_X = 25.0f;  // pixels between children
inline constexpr float SPLIT_OFFSET_Y = 15.0f;  // pixels between children
inline constexpr float EXPLOSION_RADIUS = 3.0f; // metres
inline constexpr float EXPLOSION_FORCE = 50.0f;
inline constexpr float EXPLOSION_MIN_DISTANCE = 0.01f; // metres; closer bodies are left alone

enum BirdKind { Normal, Boost, Split, Explosion };

struct BirdKindInfo {
    const char* word;       // level-file kind word, e.g. "BOOST"
    const char* textureKey; // e.g. "bird_yellow"
    const char* hudLabel;   // shown after "Active: " in the HUD
    sf::Color bannerColor;  // of the banner that announces the kind's special
};

const BirdKindInfo& birdKindInfo(BirdKind kind);
// The kind a level file names; every unknown word is a normal bird.
BirdKind birdKindFromWord(const std::string& word);
// A new bird of kind (texture not set; the loader does that).
std::shared_ptr<Bird> makeBird(BirdKind kind, int id, float density);
// The kind of bird, by run-time type.
BirdKind birdKindOf(const Bird& bird);

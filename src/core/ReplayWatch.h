#pragma once

#include "core/Replay.h"

#include <SFML/System/Vector2.hpp>
#include <SFML/Window/Event.hpp>
#include <array>
#include <string>

class Renderer;

// The watching screen's own part: the replay being watched, its speed and
// pause, the keys that work while watching, and the strip drawn over the
// field. The game plays the replay's inputs into its attempt and draws the
// field under the strip.
//   Space pauses and resumes, 1, 2 and 4 pick the speed, R starts the replay
//   over, Escape leaves.
class ReplayWatch {
public:
    enum class Action { None, Restart, Leave };
    static constexpr std::array<int, 3> SPEEDS{1, 2, 4};

    // A new replay, from its start, at 1x.
    void begin(Replay replay);
    Action handle(const sf::Event& event);
    // The fixed steps a frame of `seconds` owes the replay at the chosen
    // speed; none while paused.
    int stepsFor(float seconds, float stepSeconds);
    // The strip along the top of the window (drawn in window pixels).
    void draw(Renderer& renderer, sf::Vector2u windowSize, bool finished) const;
    // The line the results screen and the level select show when there is
    // a replay to watch.
    static void drawOffer(Renderer& renderer, sf::Vector2u windowSize, const std::string& text);

    const Replay& replay() const { return watched; }
    int speed() const { return speedFactor; }
    bool paused() const { return isPaused; }

private:
    Replay watched;
    int speedFactor = 1;
    bool isPaused = false;
    float owedSeconds = 0.0f;
};

#pragma once

// One shot of a winning sequence: the pull, as a launch angle above the
// horizontal and a pull length from the slingshot anchor, and when the
// special ability is clicked.
struct Shot {
    // Special timing: a frame count after the launch, or one of these.
    static constexpr int NO_SPECIAL = -1;
    static constexpr int SPECIAL_AT_FIRST_CONTACT = -2; // search only; stored as a frame
    // The game clamps every pull to this length, pixels.
    static constexpr float MAX_PULL = 150.0f;

    float angleDegrees = 0.0f; // positive is upwards
    float pull = 0.0f;         // pixels, at most the game's 150 px clamp
    int specialFrame = NO_SPECIAL;
};

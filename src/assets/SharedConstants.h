#pragma once

#include <numbers>
#include <string_view>

// The numbers and names that more than one layer of the game needs, each
// defined once. They sit here, in the lowest layer, so that assets, entities,
// level, core, ui and the tools can all include them without an include
// pointing up the layers. A constant that only one class uses stays with that
// class (its kind table, its header); the world's scale and collision
// categories are Entity's.

// pi, for turning radians into degrees and for circle areas.
inline constexpr float PI = std::numbers::pi_v<float>;
inline constexpr double PI_DOUBLE = std::numbers::pi;

// The world's gravity, m/s^2, pointing down the screen (+y).
inline constexpr float WORLD_GRAVITY_MPS2 = 5.0f;

// The ground: one static box 1600 x 40 px centred at (600, 580), so that its
// top, where everything rests, is the line y = 560 px. The aiming preview
// stops at its centre line.
inline constexpr float GROUND_CENTRE_X_PX = 600.0f;
inline constexpr float GROUND_CENTRE_Y_PX = 580.0f;
inline constexpr float GROUND_WIDTH_PX = 1600.0f;
inline constexpr float GROUND_HEIGHT_PX = 40.0f;
inline constexpr float GROUND_TOP_Y_PX = GROUND_CENTRE_Y_PX - GROUND_HEIGHT_PX / 2.0f;

// The folder of the game's data, relative to the working directory in a
// checkout (DataPaths finds an installed one).
inline constexpr std::string_view RESOURCE_ROOT = "resources";

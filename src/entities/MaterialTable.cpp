#include "entities/MaterialTable.h"

#include "assets/SharedConstants.h"

#include <array>

namespace {
constexpr float HALF_PI = PI / 2.0f;
constexpr float THIRD_PI = PI / 3.0f;

// Indexed by MaterialType.
const std::array<MaterialProperties, 4> MATERIALS{{
    {"WOOD", 50.0f, 1.0f, 0.2f, true, 100, "wood", "block_wood", 4.0f, 2.0f, 4.0f, 0.8f, 1.5f,
     HALF_PI, sf::Color(139, 69, 19, 255), DebrisShapeChoice::QuadOrTriangle},
    {"STONE", 100.0f, 2.0f, 0.2f, true, 200, nullptr, "block_stone", 2.0f, 3.0f, 6.0f, 1.0f, 2.0f,
     THIRD_PI, sf::Color(128, 128, 128, 255), DebrisShapeChoice::AnyShape},
    {"METAL", 9999.0f, 3.0f, 0.2f, false, 0, nullptr, "block_metal", 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
     0.0f, sf::Color(0, 0, 0, 0), DebrisShapeChoice::None},
    {"GLASS", 25.0f, 0.5f, 0.1f, true, 50, "glass", "block_glass", 8.0f, 1.0f, 3.0f, 0.3f, 0.8f, PI,
     sf::Color(173, 216, 230, 255), DebrisShapeChoice::QuadOrTriangle},
}};
} // namespace

const MaterialProperties& materialProperties(MaterialType material) {
    const auto index = static_cast<std::size_t>(material);
    return index < MATERIALS.size() ? MATERIALS[index] : MATERIALS[WOOD];
}

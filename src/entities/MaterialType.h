#pragma once

// What a block is made of. The values are the ones level files and saved
// data rely on, so they must not be reordered.
enum MaterialType { WOOD = 0, STONE = 1, METAL = 2, GLASS = 3 };

#pragma once

#include "level/LevelManifest.h"

#include <string>

// The levels the game ships with, numbered from 1 in play order over all
// worlds, as the resources' levels/manifest.txt lists them. The manifest is
// read once, on first use; a bad one is reported on standard error and the
// game then has no levels rather than guessing at them.
class ShippedLevels {
public:
    static const LevelManifest& manifest();
    static int count() { return manifest().levelCount(); }

    // The level file of level `number`; empty when there is no such level.
    static std::string path(int number);

    // Puts `replacement` in place of the resources' manifest for the rest of
    // this process (tests and tools that describe other worlds). Call it
    // before anything else reads the levels.
    static void use(LevelManifest replacement);
};

#pragma once

#include "core/Shot.h"

#include <optional>
#include <string>
#include <vector>

// The stored winning sequence of a level, beside the level file:
//   SHOT <angle degrees> <pull px> <special frame after launch, -1 for none>
// one record per bird in play order, separated by line ends (or ';' when
// given on the command line); anything that is not a SHOT record is ignored.
class SolutionFile {
public:
    static std::string pathFor(int levelNumber);
    static std::optional<std::vector<Shot>> read(const std::string& path);
    static std::vector<Shot> parse(std::string text);
    static bool write(const std::string& path, const std::vector<Shot>& shots);
};

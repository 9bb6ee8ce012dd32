#include "level/ShippedLevels.h"

#include "assets/DataPaths.h"

std::string ShippedLevels::path(int number) {
    return DataPaths::forThisProcess().resourceRoot() + "/levels/level" + std::to_string(number) +
           ".txt";
}

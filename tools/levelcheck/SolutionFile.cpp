#include "SolutionFile.h"

#include "assets/SharedConstants.h"

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <sstream>

std::string SolutionFile::pathFor(int levelNumber) {
    return std::string(RESOURCE_ROOT) + "/levels/level" + std::to_string(levelNumber) + ".solution";
}

std::optional<std::vector<Shot>> SolutionFile::read(const std::string& path) {
    std::ifstream file(path);
    if (!file.is_open()) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << file.rdbuf();
    return parse(text.str());
}

std::vector<Shot> SolutionFile::parse(std::string text) {
    std::replace(text.begin(), text.end(), ';', '\n');
    std::istringstream records(text);
    std::vector<Shot> shots;
    std::string line;
    while (std::getline(records, line)) {
        std::istringstream fields(line);
        std::string keyword;
        Shot shot;
        if (fields >> keyword && keyword == "SHOT" &&
            fields >> shot.angleDegrees >> shot.pull >> shot.specialFrame) {
            shots.push_back(shot);
        }
    }
    return shots;
}

bool SolutionFile::write(const std::string& path, const std::vector<Shot>& shots) {
    std::ofstream file(path);
    // Enough digits that the replay pulls exactly where the search did.
    file << std::setprecision(9);
    for (const Shot& shot : shots) {
        file << "SHOT " << shot.angleDegrees << ' ' << shot.pull << ' ' << shot.specialFrame
             << '\n';
    }
    return static_cast<bool>(file);
}

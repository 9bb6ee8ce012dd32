#pragma once

#include <string>

// One entry of a high-score list: the local table keeps all three fields,
// entries built from the backend's answer leave `stars` at zero.
struct HighScore {
    std::string name;
    int score = 0;
    int stars = 0;
    // The backend played the replay sent with the score to that score.
    bool verified = false;
};

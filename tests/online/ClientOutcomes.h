#pragma once

// Callbacks for the backend client that record every call, so that a test
// can insist on exactly one answer and look at it.

#include "online/SupabaseClient.h"

#include <string>
#include <vector>

struct AuthOutcome {
    int calls = 0;
    nlohmann::json value;
    std::string error;
    SupabaseClient::AuthCallback callback() {
        return [this](const nlohmann::json& v, const std::string& e) {
            ++calls;
            value = v;
            error = e;
        };
    }
};

struct ScoresOutcome {
    int calls = 0;
    std::vector<HighScore> scores;
    std::string error;
    SupabaseClient::HighScoresCallback callback() {
        return [this](const std::vector<HighScore>& s, const std::string& e) {
            ++calls;
            scores = s;
            error = e;
        };
    }
};

struct UpdateOutcome {
    int calls = 0;
    bool success = false;
    std::string error;
    SupabaseClient::ScoreUpdateCallback callback() {
        return [this](bool s, const std::string& e) {
            ++calls;
            success = s;
            error = e;
        };
    }
};

#pragma once

#include "core/GameTestSupport.h"

#include "BuildPaths.h"
#include "entities/Enemy.h"
#include "online/BackendConfig.h"
#include "online/HighScoreTable.h"
#include "online/ScriptedServer.h"
#include "online/SupabaseClient.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <string>

// The player's own high-score file, as the game finds it from the build
// directory. Flow tests must leave it exactly as they found it.
inline std::filesystem::path playersHighScoreFile() {
    return std::filesystem::path(VOLLARIN_BINARY_DIR) / ".." / "resources" / "highscores.txt";
}

inline std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

// A fresh directory per test for the table the game writes instead.
inline std::filesystem::path freshTempDirectory(const std::string& prefix) {
    std::random_device seed;
    const auto dir = std::filesystem::temp_directory_path() /
                     (prefix + std::to_string(seed()) + std::to_string(seed()));
    std::filesystem::create_directories(dir);
    return dir;
}

// A loaded game whose local table lives in a temporary file and whose backend
// is a scripted loopback server, both swapped in before anything is written
// or sent.
class FlowTest : public testing::Test {
protected:
    void SetUp() override {
        playersFileBefore = readWholeFile(playersHighScoreFile());
        tempDir = freshTempDirectory("vollarin_flow_");
        tablePath = (tempDir / "highscores.txt").string();
        game = makeLoadedGame();
        game->localHighScores = HighScoreTable(tablePath);
        ASSERT_TRUE(server.isListening());
        server.answer("/rest/v1/rpc/get_high_scores_for_level", 200, "[]");
        game->supabase = SupabaseClient(server.baseUrl(), BACKEND_ANON_KEY);
    }

    void TearDown() override {
        game.reset();
        EXPECT_EQ(readWholeFile(playersHighScoreFile()), playersFileBefore)
            << "a test touched the player's high-score file";
        std::error_code ignored;
        std::filesystem::remove_all(tempDir, ignored);
    }

    void handle(const sf::Event& event) { game->input.handleEvent(event); }

    void clickCentreOf(const sf::FloatRect& rect) {
        handle(mousePress(static_cast<int>(rect.left + rect.width / 2.0f),
                          static_cast<int>(rect.top + rect.height / 2.0f)));
    }

    void type(const std::string& text) {
        for (const char c : text) {
            handle(textEntered(static_cast<unsigned char>(c)));
        }
    }

    // Plays a level of `levels` copies of a one-enemy file and wins it with
    // `score` points, through the game's own watchers.
    void winLevel(int score, int levels = 2) {
        const std::string path = writeLevelFile("flow", THREE_BIRDS_ONE_ENEMY);
        game->levelFiles.assign(static_cast<std::size_t>(levels), path);
        game->currentLevelIndex = 0;
        game->stateManager.startLevel();
        winCurrentLevel(score);
    }

    void winCurrentLevel(int score) {
        game->contactListener.levelScore = score;
        for (const auto& entity : game->currentLevel->entities) {
            if (auto* enemy = dynamic_cast<Enemy*>(entity.get())) {
                enemy->takeDamage(enemy->health + 100.0f);
            }
        }
        for (int i = 0; i < 30 && game->stateManager.state == Playing; ++i) {
            game->updatePlaying(0.1f);
        }
        ASSERT_EQ(game->stateManager.state, LevelComplete);
    }

    std::unique_ptr<Game> game;
    ScriptedServer server;
    std::filesystem::path tempDir;
    std::string tablePath;
    std::optional<std::string> playersFileBefore;
};

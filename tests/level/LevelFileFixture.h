#pragma once

#include "level/LevelLoader.h"

#include <box2d/box2d.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

// A fresh world and a private temp directory for level files written by a
// test, and the real loader to read them.
class LevelFileFixture : public ::testing::Test {
protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("vollarin_levels_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::string writeLevel(const std::string& contents, const std::string& name = "level.txt") {
        const std::filesystem::path path = dir / name;
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }

    // Loads contents with the real loader, keeping what it wrote on both streams.
    Level load(const std::string& contents) {
        const std::string path = writeLevel(contents);
        ::testing::internal::CaptureStdout();
        ::testing::internal::CaptureStderr();
        Level level = loader.loadLevel(path, &world);
        out = ::testing::internal::GetCapturedStdout();
        err = ::testing::internal::GetCapturedStderr();
        return level;
    }

    std::filesystem::path dir;
    b2World world{b2Vec2(0.0f, 5.0f)};
    LevelLoader loader;
    std::string out;
    std::string err;
};

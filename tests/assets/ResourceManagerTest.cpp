#include "assets/ResourceManager.h"

#include <SFML/Graphics/Image.hpp>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

std::string writeImage(const std::string& name, unsigned int width, unsigned int height) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("vollarin_rm_" + std::to_string(::getpid()) + "_" + name + ".png");
    sf::Image image;
    image.create(width, height, sf::Color::Magenta);
    EXPECT_TRUE(image.saveToFile(path.string()));
    return path.string();
}

} // namespace

TEST(ResourceManager, LoadsAKeyOnceAndKeepsTheFirstTexture) {
    ResourceManager& resources = ResourceManager::getInstance();
    const std::string small = writeImage("small", 8, 4);
    const std::string large = writeImage("large", 16, 16);
    sf::Texture* first = resources.loadTexture("test_load_once", small);
    ASSERT_NE(first, nullptr);
    sf::Texture* second = resources.loadTexture("test_load_once", large);
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->getSize(), sf::Vector2u(8, 4));
    EXPECT_TRUE(first->isSmooth());
    EXPECT_EQ(resources.getTexture("test_load_once"), first);
}

TEST(ResourceManager, AMissingFileLogsAndLeavesTheKeyFreeForALaterTry) {
    ResourceManager& resources = ResourceManager::getInstance();
    const std::string missing = "resources/images/no_such_image.png";
    testing::internal::CaptureStderr();
    EXPECT_EQ(resources.loadTexture("test_missing", missing), nullptr);
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Failed to load texture: " + missing + "\n"), std::string::npos);
    EXPECT_EQ(resources.getTexture("test_missing"), nullptr);
    EXPECT_EQ(resources.getTexture("never_loaded"), nullptr);

    const std::string present = writeImage("later", 2, 2);
    EXPECT_NE(resources.loadTexture("test_missing", present), nullptr);
}

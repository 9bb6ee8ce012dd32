// Checks the generated data under resources/ (made by tools/generate-assets):
// every image and sound the game names exists, decodes in SFML and has the
// shape the game draws it with; sounds stay short, loud enough and unclipped;
// the music loops join without a click.

#include <SFML/Audio/InputSoundFile.hpp>
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Texture.hpp>
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "BuildPaths.h"
#include "assets/TextureTable.h"

namespace {

// How the game uses an image, which decides what shape it must have.
enum class Use {
    Sprite,
    SquareBlock,
    LongBlock,
    TallBlock,
    ScreenBackground,
    LevelBackground,
    WideButton
};

struct TextureFile {
    const char* key;
    const char* path;
    Use use;
};

// The game's texture keys and files, kept here as data so that a renamed or
// moved file is caught even if the game's own table moves with it.
const std::vector<TextureFile> TEXTURES = {
    {"bird_red", "/images/birds/basic_bird.png", Use::Sprite},
    {"bird_yellow", "/images/birds/boost_bird.png", Use::Sprite},
    {"bird_blue", "/images/birds/split_bird.png", Use::Sprite},
    {"bird_black", "/images/birds/explosion_bird.png", Use::Sprite},
    {"block_wood", "/images/blocks/wood_block.png", Use::SquareBlock},
    {"block_stone", "/images/blocks/stone_block.png", Use::SquareBlock},
    {"block_glass", "/images/blocks/glass_block.png", Use::SquareBlock},
    {"block_metal", "/images/blocks/metal_block.png", Use::SquareBlock},
    {"block_wood_tall", "/images/blocks/tall_wood.png", Use::TallBlock},
    {"block_wood_long", "/images/blocks/long_wood.png", Use::LongBlock},
    {"block_glass_tall", "/images/blocks/tall_glass.png", Use::TallBlock},
    {"block_glass_long", "/images/blocks/long_glass.png", Use::LongBlock},
    {"block_metal_tall", "/images/blocks/tall_metal.png", Use::TallBlock},
    {"block_metal_long", "/images/blocks/long_metal.png", Use::LongBlock},
    {"block_stone_tall", "/images/blocks/tall_rock.png", Use::TallBlock},
    {"block_stone_long", "/images/blocks/long_rock.png", Use::LongBlock},
    {"long_wood_33", "/images/blocks/long_wood_33.png", Use::LongBlock},
    {"tall_wood_33", "/images/blocks/tall_wood_33.png", Use::TallBlock},
    {"long_wood_66", "/images/blocks/long_wood_66.png", Use::LongBlock},
    {"tall_wood_66", "/images/blocks/tall_wood_66.png", Use::TallBlock},
    {"long_glass_33", "/images/blocks/long_glass_33.png", Use::LongBlock},
    {"long_glass_66", "/images/blocks/long_glass_66.png", Use::LongBlock},
    {"tall_glass_33", "/images/blocks/tall_glass_33.png", Use::TallBlock},
    {"tall_glass_66", "/images/blocks/tall_glass_66.png", Use::TallBlock},
    {"enemy_brute", "/images/enemies/brute.png", Use::Sprite},
    {"enemy_basic", "/images/enemies/basic_enemy.png", Use::Sprite},
    {"enemy_armed", "/images/enemies/armed_enemy.png", Use::Sprite},
    {"enemy_puppet", "/images/enemies/puppet_enemy.png", Use::Sprite},
    {"menu_background", "/images/menu_background.png", Use::ScreenBackground},
    {"game_background", "/images/game_background.png", Use::LevelBackground},
    {"game_bg_1", "/images/game_bg_1.png", Use::LevelBackground},
    {"game_bg_2", "/images/game_bg_2.png", Use::LevelBackground},
    {"world2_background", "/images/world2_background.png", Use::LevelBackground},
    {"world3_background", "/images/world3_background.png", Use::LevelBackground},
    {"loading_bg", "/images/loading_bg.png", Use::ScreenBackground},
    {"level_list_bg", "/images/level_list_bg.png", Use::ScreenBackground},
    {"start_button", "/images/start_button.png", Use::WideButton},
    {"slingshot", "/images/slingshot.png", Use::Sprite},
    {"restart_button", "/images/restart_button.png", Use::Sprite},
    {"next_button", "/images/next_button.png", Use::Sprite},
    {"button_quit", "/images/button_quit.png", Use::Sprite},
    {"button_highscore", "/images/button_highscore.png", Use::Sprite},
    {"button_login", "/images/button_login.png", Use::Sprite},
};

struct SoundFile {
    const char* path;
    bool music;
};

const std::vector<SoundFile> SOUNDS = {
    {"/sounds/bird_launch.wav", false}, {"/sounds/slingshot_pull.wav", false},
    {"/sounds/block_hit.wav", false},   {"/sounds/enemy_hit.wav", false},
    {"/sounds/enemy_death.wav", false}, {"/sounds/button_click.wav", false},
    {"/sounds/level_win.wav", false},   {"/sounds/level_lose.wav", false},
    {"/sounds/menu_music.wav", true},   {"/sounds/game_music.wav", true},
    {"/sounds/world2_music.wav", true}, {"/sounds/world3_music.wav", true},
};

std::string resourcePath(const std::string& path) {
    return std::string(VOLLARIN_SOURCE_DIR) + "/resources" + path;
}

sf::Image loadImage(const std::string& path) {
    sf::Image image;
    EXPECT_TRUE(image.loadFromFile(resourcePath(path))) << path;
    return image;
}

bool isSprite(Use use) {
    return use != Use::ScreenBackground && use != Use::LevelBackground;
}

struct Audio {
    std::vector<sf::Int16> samples;
    unsigned channels = 0;
    unsigned rate = 0;
    double seconds = 0.0;
};

Audio loadAudio(const std::string& path) {
    Audio audio;
    sf::InputSoundFile file;
    if (!file.openFromFile(resourcePath(path))) {
        ADD_FAILURE() << "cannot decode " << path;
        return audio;
    }
    audio.channels = file.getChannelCount();
    audio.rate = file.getSampleRate();
    audio.seconds = file.getDuration().asSeconds();
    audio.samples.resize(static_cast<std::size_t>(file.getSampleCount()));
    audio.samples.resize(
        static_cast<std::size_t>(file.read(audio.samples.data(), audio.samples.size())));
    return audio;
}

int peakOf(const std::vector<sf::Int16>& samples) {
    int peak = 0;
    for (sf::Int16 s : samples)
        peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

// Share of pixels whose colour and alpha are the same in both images.
double shareOfEqualPixels(const sf::Image& a, const sf::Image& b) {
    const sf::Vector2u size = a.getSize();
    if (size != b.getSize())
        return 0.0;
    std::size_t equal = 0;
    for (unsigned y = 0; y < size.y; ++y)
        for (unsigned x = 0; x < size.x; ++x)
            equal += a.getPixel(x, y) == b.getPixel(x, y) ? 1 : 0;
    return static_cast<double>(equal) / (size.x * size.y);
}

// A connection to the X display, held open for as long as a test uses
// OpenGL. SFML aborts the whole process when it cannot open the display, so
// the texture test asks Xlib first (through the library SFML itself loads)
// and skips when there is no usable display. Holding the connection also
// stops a virtual server from resetting each time SFML's last connection
// closes between two textures, which otherwise makes the next open fail.
class DisplayHold {
public:
    DisplayHold() {
        if (std::getenv("DISPLAY") == nullptr)
            return;
        void* xlib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (xlib == nullptr)
            return;
        const auto openDisplay =
            reinterpret_cast<void* (*)(const char*)>(::dlsym(xlib, "XOpenDisplay"));
        closeDisplay = reinterpret_cast<int (*)(void*)>(::dlsym(xlib, "XCloseDisplay"));
        if (openDisplay == nullptr || closeDisplay == nullptr)
            return;
        // A freshly started virtual server gets a few seconds to come up.
        for (int attempt = 0; attempt < 30 && display == nullptr; ++attempt) {
            display = openDisplay(nullptr);
            if (display == nullptr)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    }
    ~DisplayHold() {
        if (display != nullptr)
            closeDisplay(display);
    }
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;
    bool usable() const { return display != nullptr; }

private:
    void* display = nullptr;
    int (*closeDisplay)(void*) = nullptr;
};

} // namespace

TEST(AssetFiles, TextureTableMatchesTheGamesTable) {
    ASSERT_EQ(TEXTURES.size(), TEXTURE_TABLE.size());
    for (std::size_t i = 0; i < TEXTURES.size(); ++i) {
        EXPECT_EQ(TEXTURES[i].key, TEXTURE_TABLE[i].key) << "row " << i;
        EXPECT_EQ(TEXTURES[i].path, TEXTURE_TABLE[i].path) << "row " << i;
    }
}

TEST(AssetFiles, EveryImageDecodesWithTheShapeItIsDrawnWith) {
    for (const TextureFile& texture : TEXTURES) {
        SCOPED_TRACE(texture.key);
        const sf::Image image = loadImage(texture.path);
        const sf::Vector2u size = image.getSize();
        ASSERT_GT(size.x, 0u);
        ASSERT_GT(size.y, 0u);
        const double aspect = static_cast<double>(size.x) / size.y;
        switch (texture.use) {
        case Use::SquareBlock:
            EXPECT_EQ(size.x, size.y);
            break;
        case Use::LongBlock: // beams such as 120 x 20 are 6:1
            EXPECT_NEAR(aspect, 6.0, 0.5);
            break;
        case Use::TallBlock:
            EXPECT_NEAR(1.0 / aspect, 6.0, 0.5);
            break;
        case Use::ScreenBackground:
        case Use::LevelBackground:
            EXPECT_GE(size.x, 1280u);
            EXPECT_GE(size.y, 720u);
            break;
        case Use::WideButton:
            EXPECT_GT(size.x, size.y);
            break;
        case Use::Sprite:
            EXPECT_GE(std::min(size.x, size.y), 64u) << "too small to stay sharp when drawn";
            break;
        }
    }
}

TEST(AssetFiles, LevelBackgroundsMatchTheGameViewAndAreOpaque) {
    // Level backgrounds are stretched over the 1200 x 900 game view.
    for (const TextureFile& texture : TEXTURES) {
        if (texture.use != Use::LevelBackground && texture.use != Use::ScreenBackground)
            continue;
        SCOPED_TRACE(texture.key);
        const sf::Image image = loadImage(texture.path);
        const sf::Vector2u size = image.getSize();
        if (texture.use == Use::LevelBackground) {
            EXPECT_NEAR(static_cast<double>(size.x) / size.y, 1200.0 / 900.0, 0.01);
        }
        for (sf::Vector2u corner : {sf::Vector2u(0, 0), sf::Vector2u(size.x - 1, size.y - 1)})
            EXPECT_EQ(image.getPixel(corner.x, corner.y).a, 255);
    }
}

TEST(AssetFiles, SpritesHaveTransparentCorners) {
    for (const TextureFile& texture : TEXTURES) {
        if (!isSprite(texture.use))
            continue;
        SCOPED_TRACE(texture.key);
        const sf::Image image = loadImage(texture.path);
        const sf::Vector2u size = image.getSize();
        ASSERT_GE(size.x, 2u);
        ASSERT_GE(size.y, 2u);
        const unsigned corners[][2] = {
            {0, 0}, {size.x - 1, 0}, {0, size.y - 1}, {size.x - 1, size.y - 1}};
        for (const auto& corner : corners)
            EXPECT_EQ(image.getPixel(corner[0], corner[1]).a, 0)
                << "corner " << corner[0] << "," << corner[1];
        // ... and something is drawn in the middle.
        EXPECT_GT(image.getPixel(size.x / 2, size.y / 2).a, 0);
    }
}

TEST(AssetFiles, LevelBackgroundGroundLineSitsOnThePhysicsGround) {
    // With the camera at rest the physics ground (world y 560) is drawn at
    // 660 of the view's 900 rows: the grass must start there.
    for (const char* path :
         {"/images/game_background.png", "/images/game_bg_1.png", "/images/game_bg_2.png",
          "/images/world2_background.png", "/images/world3_background.png"}) {
        SCOPED_TRACE(path);
        const sf::Image image = loadImage(path);
        const sf::Vector2u size = image.getSize();
        const auto ground = static_cast<unsigned>(std::lround(size.y * 660.0 / 900.0));
        for (unsigned y = ground + 3; y <= ground + 8; ++y) {
            const sf::Color first = image.getPixel(0, y);
            EXPECT_GT(first.g, first.r) << "row " << y << " is not grass";
            EXPECT_GT(first.g, first.b) << "row " << y << " is not grass";
            bool uniform = true;
            for (unsigned x = 0; x < size.x; x += 7)
                uniform = uniform && image.getPixel(x, y) == first;
            EXPECT_TRUE(uniform) << "row " << y << " is not a plain grass band";
        }
        // The sky above the structures is not grass.
        const sf::Color sky = image.getPixel(size.x / 2, size.y / 4);
        EXPECT_FALSE(sky.g > sky.r && sky.g > sky.b);
    }
}

TEST(AssetFiles, DamagedBlocksAreTheIntactDrawingWithCracks) {
    for (const std::string base : {"long_wood", "tall_wood", "long_glass", "tall_glass"}) {
        SCOPED_TRACE(base);
        const sf::Image intact = loadImage("/images/blocks/" + base + ".png");
        const sf::Image light = loadImage("/images/blocks/" + base + "_33.png");
        const sf::Image heavy = loadImage("/images/blocks/" + base + "_66.png");
        const double lightSame = shareOfEqualPixels(intact, light);
        const double heavySame = shareOfEqualPixels(intact, heavy);
        EXPECT_GT(lightSame, 0.8) << "light damage should change only the cracks";
        EXPECT_LT(lightSame, 1.0) << "light damage shows no cracks";
        EXPECT_GT(heavySame, 0.6);
        EXPECT_LT(heavySame, lightSame) << "heavy damage should show more cracks than light damage";
    }
}

TEST(AssetFiles, EveryImageLoadsAsATexture) {
    const DisplayHold display;
    if (!display.usable())
        GTEST_SKIP() << "sf::Texture needs a display; run under xvfb-run";
    for (const TextureFile& texture : TEXTURES) {
        sf::Texture loaded;
        EXPECT_TRUE(loaded.loadFromFile(resourcePath(texture.path))) << texture.key;
    }
}

TEST(AssetFiles, EffectsAreShortLoudAndUnclipped) {
    for (const SoundFile& sound : SOUNDS) {
        if (sound.music)
            continue;
        SCOPED_TRACE(sound.path);
        const Audio audio = loadAudio(sound.path);
        ASSERT_FALSE(audio.samples.empty());
        EXPECT_LT(audio.seconds, 1.5);
        EXPECT_GT(audio.seconds, 0.03);
        const int peak = peakOf(audio.samples);
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_GT(peak, 32767 * 0.8) << "not normalised to about -1 dBFS";
        // Starting or stopping on a loud sample would click.
        EXPECT_LT(std::abs(audio.samples.front()), 328);
        EXPECT_LT(std::abs(audio.samples.back()), 328);
    }
}

TEST(AssetFiles, MusicIsAMonoLoopOfTwentyToSixtySeconds) {
    std::vector<std::vector<sf::Int16>> tracks;
    for (const SoundFile& sound : SOUNDS) {
        if (!sound.music)
            continue;
        SCOPED_TRACE(sound.path);
        const Audio audio = loadAudio(sound.path);
        ASSERT_GT(audio.samples.size(), 2u);
        EXPECT_EQ(audio.channels, 1u);
        EXPECT_GE(audio.seconds, 20.0);
        EXPECT_LE(audio.seconds, 60.0);
        const int peak = peakOf(audio.samples);
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_GT(peak, 32767 * 0.8);
        tracks.push_back(audio.samples);
    }
    ASSERT_EQ(tracks.size(), 4u);
    for (std::size_t i = 0; i < tracks.size(); ++i)
        for (std::size_t j = i + 1; j < tracks.size(); ++j)
            EXPECT_NE(tracks[i], tracks[j]) << "tracks " << i << " and " << j << " are the same";
}

TEST(AssetFiles, MusicLoopsWithoutAClickAtTheSeam) {
    for (const char* path : {"/sounds/menu_music.wav", "/sounds/game_music.wav",
                             "/sounds/world2_music.wav", "/sounds/world3_music.wav"}) {
        SCOPED_TRACE(path);
        const std::vector<sf::Int16> samples = loadAudio(path).samples;
        ASSERT_GT(samples.size(), 1000u);
        // The step from the last sample back to the first must look like any
        // ordinary step inside the track, not like a jump.
        std::vector<int> steps;
        for (std::size_t i = 1; i < samples.size(); ++i)
            steps.push_back(std::abs(samples[i] - samples[i - 1]));
        std::sort(steps.begin(), steps.end());
        const int typicalLargeStep = steps[steps.size() * 99 / 100];
        EXPECT_LE(std::abs(samples.front() - samples.back()), typicalLargeStep);
    }
}

TEST(AssetFiles, FontsLoadAndCarryTheirLicences) {
    for (const char* font : {"/AlphaWood.ttf", "/DejaVuSans.ttf"}) {
        sf::Font loaded;
        EXPECT_TRUE(loaded.loadFromFile(resourcePath(font))) << font;
    }
    EXPECT_TRUE(std::filesystem::exists(resourcePath("/AlphaWood-LICENSE.txt")));
    EXPECT_TRUE(std::filesystem::exists(resourcePath("/DejaVuSans-LICENSE.txt")));
}

TEST(AssetFiles, ResourcesStayUnderTwentyMegabytes) {
    std::uintmax_t total = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(resourcePath("")))
        if (entry.is_regular_file())
            total += entry.file_size();
    EXPECT_LT(total, 20u * 1024 * 1024);
}

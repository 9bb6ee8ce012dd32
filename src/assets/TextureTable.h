#pragma once

#include <array>
#include <string_view>

struct TextureEntry {
    std::string_view key;
    std::string_view path; // below the resources folder (DataPaths::resource)
};

// Every texture the game knows, in load order.
inline constexpr std::array<TextureEntry, 43> TEXTURE_TABLE{{
    {"bird_red", "/images/birds/basic_bird.png"},
    {"bird_yellow", "/images/birds/boost_bird.png"},
    {"bird_blue", "/images/birds/split_bird.png"},
    {"bird_black", "/images/birds/explosion_bird.png"},
    {"block_wood", "/images/blocks/wood_block.png"},
    {"block_stone", "/images/blocks/stone_block.png"},
    {"block_glass", "/images/blocks/glass_block.png"},
    {"block_metal", "/images/blocks/metal_block.png"},
    {"block_wood_tall", "/images/blocks/tall_wood.png"},
    {"block_wood_long", "/images/blocks/long_wood.png"},
    {"block_glass_tall", "/images/blocks/tall_glass.png"},
    {"block_glass_long", "/images/blocks/long_glass.png"},
    {"block_metal_tall", "/images/blocks/tall_metal.png"},
    {"block_metal_long", "/images/blocks/long_metal.png"},
    {"block_stone_tall", "/images/blocks/tall_rock.png"},
    {"block_stone_long", "/images/blocks/long_rock.png"},
    {"long_wood_33", "/images/blocks/long_wood_33.png"},
    {"tall_wood_33", "/images/blocks/tall_wood_33.png"},
    {"long_wood_66", "/images/blocks/long_wood_66.png"},
    {"tall_wood_66", "/images/blocks/tall_wood_66.png"},
    {"long_glass_33", "/images/blocks/long_glass_33.png"},
    {"long_glass_66", "/images/blocks/long_glass_66.png"},
    {"tall_glass_33", "/images/blocks/tall_glass_33.png"},
    {"tall_glass_66", "/images/blocks/tall_glass_66.png"},
    {"enemy_brute", "/images/enemies/brute.png"},
    {"enemy_basic", "/images/enemies/basic_enemy.png"},
    {"enemy_armed", "/images/enemies/armed_enemy.png"},
    {"enemy_puppet", "/images/enemies/puppet_enemy.png"},
    {"menu_background", "/images/menu_background.png"},
    {"game_background", "/images/game_background.png"},
    {"game_bg_1", "/images/game_bg_1.png"},
    {"game_bg_2", "/images/game_bg_2.png"},
    {"world2_background", "/images/world2_background.png"},
    {"world3_background", "/images/world3_background.png"},
    {"loading_bg", "/images/loading_bg.png"},
    {"level_list_bg", "/images/level_list_bg.png"},
    {"start_button", "/images/start_button.png"},
    {"slingshot", "/images/slingshot.png"},
    {"restart_button", "/images/restart_button.png"},
    {"next_button", "/images/next_button.png"},
    {"button_quit", "/images/button_quit.png"},
    {"button_highscore", "/images/button_highscore.png"},
    {"button_login", "/images/button_login.png"},
}};

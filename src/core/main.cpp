#include "core/Game.h"

#include <exception>
#include <filesystem>
#include <iomanip>
#include <iostream>

int main() {
    std::cout << "Hello Skysling Clone! - main started" << std::endl;
    std::cout << "Current working directory: "
              << std::quoted(std::filesystem::current_path().string()) << std::endl;
    try {
        std::cout << "main: Creating Game object..." << std::endl;
        Game game(1280, 720, "Skysling Clone");
        std::cout << "main: Game object created." << std::endl;
        std::cout << "main: Running game..." << std::endl;
        game.run();
        std::cout << "main: Game finished." << std::endl;
    } catch (const std::exception& error) {
        std::cerr << "Main: Standard exception caught: " << error.what() << std::endl;
        return 1;
    }
    return 0;
}

#include "core/CommandLine.h"
#include "core/Game.h"

#include <exception>
#include <filesystem>
#include <iomanip>
#include <iostream>

int main(int argc, char** argv) {
    const CommandLine::Result command = CommandLine::parse(CommandLine::arguments(argc, argv));
    if (!command.ok()) {
        std::cerr << "vollarin: " << command.error << "\n\n" << CommandLine::usage("vollarin");
        return CommandLine::EXIT_USAGE;
    }
    if (command.options.showHelp) {
        std::cout << CommandLine::usage("vollarin");
        return 0;
    }
    if (command.options.showVersion) {
        std::cout << CommandLine::versionText() << std::endl;
        return 0;
    }

    std::cout << "Hello Skysling Clone! - main started" << std::endl;
    std::error_code noDirectory;
    std::cout << "Current working directory: "
              << std::quoted(std::filesystem::current_path(noDirectory).string()) << std::endl;
    try {
        std::cout << "main: Creating Game object..." << std::endl;
        Game game(1280, 720, "Skysling Clone", command.options);
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

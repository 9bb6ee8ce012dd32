#include "core/CommandLine.h"
#include "core/Game.h"
#include "core/OwnLevel.h"
#include "core/QuietOutput.h"
#include "core/ReplayPlayer.h"
#include "core/SimulationFingerprint.h"
#include "level/ShippedLevels.h"

#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iomanip>
#include <iostream>

namespace {

// Plays a replay with no window, as fast as it goes, and reports its end in
// one line; a replay that cannot be played says why and fails.
int playReplayHeadless(const std::string& path) {
    std::string why;
    const std::optional<Replay> replay = Replay::readFile(path, why);
    std::optional<ReplayPlayer::Result> result;
    if (replay) {
        const QuietOutput quiet;
        result = ReplayPlayer::playBare(*replay, ShippedLevels::path(replay->levelNumber), why);
    }
    if (!result) {
        std::cerr << "vollarin: cannot play " << path << ": " << why << std::endl;
        return 1;
    }
    std::cout << "Replay: level " << result->levelNumber << ", score " << result->score
              << ", stars " << result->stars << ", " << (result->won ? "won" : "lost") << std::endl;
    return 0;
}

} // namespace

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
    // Known before anything is played: every replay is checked against it.
    SimulationFingerprint::ofThisBuild();
    if (command.options.headless) {
        return playReplayHeadless(*command.options.replayFile);
    }
    // A level file is anyone's: one that cannot be played is refused before
    // a window opens.
    if (command.options.levelFile) {
        std::string why;
        if (!OwnLevel::open(*command.options.levelFile, why)) {
            std::cerr << "vollarin: cannot play " << *command.options.levelFile << ": " << why
                      << std::endl;
            return 1;
        }
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

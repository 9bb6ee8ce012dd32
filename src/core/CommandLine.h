#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the command line asked for. Every option of the game has a member here
// and a row in CommandLine's option table.
// The display and sound options hold for this run only: the settings file
// keeps what the player chose in the game.
struct CommandLineOptions {
    bool showHelp = false;
    bool showVersion = false;
    bool fullscreen = false;
    bool verticalSync = false;
    bool mute = false;
    std::optional<int> frameRateLimit;
    // A replay file to open instead of the menu; with `headless`, to play
    // with no window and report on.
    std::optional<std::string> replayFile;
    bool headless = false;
    // A level file to play instead of the menu (any level, not only a shipped one).
    std::optional<std::string> levelFile;
    // --editor [FILE]: open the level editor, on FILE's level if given.
    bool editor = false;
    std::optional<std::string> editorFile;
};

// The game's command line: "--name", "--name value" or "--name=value" for the
// options of its table, nothing else. Arguments are untrusted: their count and
// length are bounded and every value is checked.
class CommandLine {
public:
    static constexpr int EXIT_USAGE = 2;
    static constexpr std::size_t MAX_ARGUMENTS = 64;
    static constexpr std::size_t MAX_ARGUMENT_LENGTH = 4096;

    struct Result {
        CommandLineOptions options;
        std::string error; // empty when the command line was understood
        bool ok() const { return error.empty(); }
    };

    // The arguments after the program's name.
    static std::vector<std::string_view> arguments(int argc, const char* const* argv);
    static Result parse(const std::vector<std::string_view>& arguments);

    // The text of --help, naming the program as `program`.
    static std::string usage(std::string_view program);
    // "vollarin 1.2.3"
    static std::string versionText();
    static std::string_view version();

    // A whole decimal number within [low, high], or nothing.
    static std::optional<int> parseBoundedInt(std::string_view text, int low, int high);

private:
    // One row per option. `valueName` is empty for a flag; `apply` records the
    // option (and its value) or says what is wrong with the value.
    struct Option {
        std::string_view name;
        std::string_view valueName;
        std::string_view help;
        bool (*apply)(CommandLineOptions& options, std::string_view value, std::string& error);
        // The value may be left out (the next argument is taken unless it
        // is an option).
        bool optionalValue = false;
    };
    static const std::vector<Option>& table();
};

#include "core/CommandLine.h"

#include "core/Settings.h"

#include <algorithm>
#include <charconv>
#include <sstream>

#ifndef VOLLARIN_VERSION
#define VOLLARIN_VERSION "0.0.0"
#endif

namespace {
constexpr std::string_view PROGRAM_NAME = "vollarin";
constexpr std::size_t HELP_COLUMN = 22;
} // namespace

const std::vector<CommandLine::Option>& CommandLine::table() {
    static const std::vector<Option> options{
        {"--help", "", "show this text and exit",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.showHelp = true;
             return true;
         }},
        {"--version", "", "show the version and exit",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.showVersion = true;
             return true;
         }},
        {"--fullscreen", "", "play fullscreen this time (F11 switches while playing)",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.fullscreen = true;
             return true;
         }},
        {"--vsync", "", "wait for the screen's refresh between frames",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.verticalSync = true;
             return true;
         }},
        {"--fps-limit", "N", "draw at most N frames a second (15 to 1000; 0: no limit)",
         [](CommandLineOptions& o, std::string_view value, std::string& error) {
             o.frameRateLimit = Settings::parseFrameRateLimit(value);
             if (!o.frameRateLimit) {
                 error = "--fps-limit takes 0 or a whole number from " +
                         std::to_string(Settings::MIN_FRAME_RATE_LIMIT) + " to " +
                         std::to_string(Settings::MAX_FRAME_RATE_LIMIT);
                 return false;
             }
             return true;
         }},
        {"--mute", "", "start with all sound off (M switches it while playing)",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.mute = true;
             return true;
         }},
        {"--replay", "FILE", "watch the replay in FILE",
         [](CommandLineOptions& o, std::string_view value, std::string& error) {
             if (value.empty()) {
                 error = "--replay needs a file name";
                 return false;
             }
             o.replayFile = std::string(value);
             return true;
         }},
        {"--headless", "", "with --replay: play it with no window, print the result, exit",
         [](CommandLineOptions& o, std::string_view, std::string&) {
             o.headless = true;
             return true;
         }},
        {"--level", "FILE", "play the level in FILE (any level file, e.g. one of your own)",
         [](CommandLineOptions& o, std::string_view value, std::string& error) {
             if (value.empty()) {
                 error = "--level needs a file name";
                 return false;
             }
             o.levelFile = std::string(value);
             return true;
         }},
        {"--editor", "[FILE]", "open the level editor (on the level in FILE)",
         [](CommandLineOptions& o, std::string_view value, std::string&) {
             o.editor = true;
             if (!value.empty()) {
                 o.editorFile = std::string(value);
             }
             return true;
         },
         true},
    };
    return options;
}

std::vector<std::string_view> CommandLine::arguments(int argc, const char* const* argv) {
    std::vector<std::string_view> result;
    for (int i = 1; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
        result.emplace_back(argv[i]);
    }
    return result;
}

CommandLine::Result CommandLine::parse(const std::vector<std::string_view>& arguments) {
    Result result;
    if (arguments.size() > MAX_ARGUMENTS) {
        result.error = "too many arguments";
        return result;
    }
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        if (argument.size() > MAX_ARGUMENT_LENGTH) {
            result.error =
                "an argument is longer than " + std::to_string(MAX_ARGUMENT_LENGTH) + " characters";
            return result;
        }
        const std::string_view name =
            argument == "-h" ? std::string_view("--help") : argument.substr(0, argument.find('='));
        const auto option = std::find_if(table().begin(), table().end(),
                                         [&](const Option& row) { return row.name == name; });
        if (!argument.starts_with("-")) {
            result.error = "unexpected argument \"" + std::string(argument.substr(0, 80)) + "\"";
            return result;
        }
        if (option == table().end()) {
            result.error = "unknown option \"" + std::string(argument.substr(0, 80)) + "\"";
            return result;
        }
        const bool inlineValue = name.size() < argument.size();
        std::string_view value;
        if (option->valueName.empty()) {
            if (inlineValue) {
                result.error = std::string(name) + " takes no value";
                return result;
            }
        } else if (inlineValue) {
            value = argument.substr(name.size() + 1);
        } else if (option->optionalValue) {
            if (i + 1 < arguments.size() && !arguments[i + 1].starts_with("-")) {
                value = arguments[++i];
            }
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            result.error =
                std::string(name) + " needs a value (" + std::string(option->valueName) + ")";
            return result;
        }
        if (!option->apply(result.options, value, result.error)) {
            if (result.error.empty()) {
                result.error = "bad value for " + std::string(name);
            }
            return result;
        }
    }
    if (result.options.headless && !result.options.replayFile) {
        result.error = "--headless needs --replay FILE";
    }
    return result;
}

std::string CommandLine::usage(std::string_view program) {
    std::ostringstream text;
    text << "Usage: " << program << " [options]\n"
         << "A 2D physics game: sling birds at towers of wood, stone, glass and metal.\n\n";
    for (const Option& option : table()) {
        std::string left = "  " + std::string(option.name);
        if (!option.valueName.empty()) {
            left += " " + std::string(option.valueName);
        }
        left.resize(std::max(left.size() + 1, HELP_COLUMN), ' ');
        text << left << option.help << "\n";
    }
    text << "\nThe options hold for this run only. What changes in the game (M mutes, F11\n"
         << "switches fullscreen) is kept in $XDG_CONFIG_HOME/vollarin/settings.ini\n"
         << "(~/.config/vollarin by default), which may also name the backend with\n"
         << "backend_url, anon_key and email_domain; the environment overrides it.\n"
         << "\nEnvironment:\n"
         << "  VOLLARIN_BACKEND_URL   scores backend address (http:// or https://)\n"
         << "  VOLLARIN_ANON_KEY      the backend's anonymous API key\n"
         << "  VOLLARIN_EMAIL_DOMAIN  domain of the addresses made from user names\n";
    return text.str();
}

std::string_view CommandLine::version() {
    return VOLLARIN_VERSION;
}

std::string CommandLine::versionText() {
    return std::string(PROGRAM_NAME) + " " + std::string(version());
}

std::optional<int> CommandLine::parseBoundedInt(std::string_view text, int low, int high) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

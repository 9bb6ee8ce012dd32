#include "core/Settings.h"

#include "core/CommandLine.h"
#include "online/AtomicFile.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <system_error>
#include <unistd.h>

namespace {

constexpr std::string_view BLANKS = " \t\r";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(BLANKS);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(BLANKS) - first + 1);
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return lower(x) == y; });
}

bool isKeyCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-' || c == '.';
}

// Printable ASCII only: a value ends up in a request header or a log line.
bool isPlainText(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= 0x20 && c < 0x7f; });
}

std::optional<bool> readFlag(std::string_view value) {
    for (const char* yes : {"true", "yes", "on", "1"}) {
        if (equalsIgnoringCase(value, yes)) {
            return true;
        }
    }
    for (const char* no : {"false", "no", "off", "0"}) {
        if (equalsIgnoringCase(value, no)) {
            return false;
        }
    }
    return std::nullopt;
}

const char* flagText(bool value) {
    return value ? "true" : "false";
}

// One row per key: how a value is read into the settings (false with the
// reason when it cannot be) and how it is written back (nothing: the key is
// left out of the file).
struct Key {
    std::string_view name;
    bool (*read)(Settings& settings, std::string_view value, std::string& why);
    std::optional<std::string> (*write)(const Settings& settings);
};

bool readVolume(int& into, std::string_view value, std::string& why) {
    const std::optional<int> volume = CommandLine::parseBoundedInt(value, 0, Settings::MAX_VOLUME);
    if (!volume) {
        why = "not a whole number from 0 to " + std::to_string(Settings::MAX_VOLUME);
        return false;
    }
    into = *volume;
    return true;
}

bool readFlagInto(bool& into, std::string_view value, std::string& why) {
    const std::optional<bool> flag = readFlag(value);
    if (!flag) {
        why = "not true or false";
        return false;
    }
    into = *flag;
    return true;
}

bool readText(std::optional<std::string>& into, std::string_view value, std::string& why) {
    if (value.empty() || !isPlainText(value)) {
        why = "empty or not plain text";
        return false;
    }
    into = std::string(value);
    return true;
}

std::optional<std::string> writeText(const std::optional<std::string>& value) {
    return value;
}

const std::array<Key, 14>& keys() {
    static const std::array<Key, 14> table{{
        {"music_volume",
         [](Settings& s, std::string_view v, std::string& why) {
             return readVolume(s.musicVolume, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> {
             return std::to_string(s.musicVolume);
         }},
        {"effects_volume",
         [](Settings& s, std::string_view v, std::string& why) {
             return readVolume(s.effectsVolume, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> {
             return std::to_string(s.effectsVolume);
         }},
        {"muted",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.muted, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> { return flagText(s.muted); }},
        {"fullscreen",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.fullscreen, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> { return flagText(s.fullscreen); }},
        {"vertical_sync",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.verticalSync, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> { return flagText(s.verticalSync); }},
        {"frame_rate_limit",
         [](Settings& s, std::string_view v, std::string& why) {
             const std::optional<int> limit = Settings::parseFrameRateLimit(v);
             if (!limit) {
                 why = "not 0 (no limit) or a whole number from " +
                       std::to_string(Settings::MIN_FRAME_RATE_LIMIT) + " to " +
                       std::to_string(Settings::MAX_FRAME_RATE_LIMIT);
                 return false;
             }
             s.frameRateLimit = *limit;
             return true;
         },
         [](const Settings& s) -> std::optional<std::string> {
             return std::to_string(s.frameRateLimit);
         }},
        // Written only when on, so files of players who never chose it stay
        // as they were.
        {"verified_only",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.verifiedOnly, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> {
             return s.verifiedOnly ? std::optional<std::string>("true") : std::nullopt;
         }},
        {"ghost",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.ghost, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> { return flagText(s.ghost); }},
        // The keys below are written only when they differ from their
        // defaults, as verified_only is.
        {"shot_trail",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.shotTrail, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> {
             return s.shotTrail ? std::nullopt : std::optional<std::string>("false");
         }},
        {"hard_mode",
         [](Settings& s, std::string_view v, std::string& why) {
             return readFlagInto(s.hardMode, v, why);
         },
         [](const Settings& s) -> std::optional<std::string> {
             return s.hardMode ? std::optional<std::string>("true") : std::nullopt;
         }},
        {"ui_scale",
         [](Settings& s, std::string_view v, std::string& why) {
             const std::optional<int> percent =
                 CommandLine::parseBoundedInt(v, Settings::MIN_UI_SCALE, Settings::MAX_UI_SCALE);
             if (!percent) {
                 why = "not a whole number from " + std::to_string(Settings::MIN_UI_SCALE) +
                       " to " + std::to_string(Settings::MAX_UI_SCALE);
                 return false;
             }
             s.uiScale = *percent;
             return true;
         },
         [](const Settings& s) -> std::optional<std::string> {
             return s.uiScale == Settings::MIN_UI_SCALE
                        ? std::nullopt
                        : std::optional<std::string>(std::to_string(s.uiScale));
         }},
        {"backend_url",
         [](Settings& s, std::string_view v, std::string& why) {
             return readText(s.backendUrl, v, why);
         },
         [](const Settings& s) { return writeText(s.backendUrl); }},
        {"anon_key",
         [](Settings& s, std::string_view v, std::string& why) {
             return readText(s.anonKey, v, why);
         },
         [](const Settings& s) { return writeText(s.anonKey); }},
        {"email_domain",
         [](Settings& s, std::string_view v, std::string& why) {
             return readText(s.emailDomain, v, why);
         },
         [](const Settings& s) { return writeText(s.emailDomain); }},
    }};
    return table;
}

const Key* findKey(std::string_view name) {
    const auto found = std::find_if(keys().begin(), keys().end(),
                                    [name](const Key& key) { return key.name == name; });
    return found == keys().end() ? nullptr : &*found;
}

// A line as it may appear in a warning: bounded and without control
// characters.
std::string shown(std::string_view line) {
    constexpr std::size_t SHOWN = 80;
    std::string text(line.substr(0, SHOWN));
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c < 0x20 || c == 0x7f; }, '?');
    return line.size() > SHOWN ? text + "..." : text;
}

} // namespace

bool Settings::isFrameRateLimit(int value) {
    return value == NO_FRAME_RATE_LIMIT ||
           (value >= MIN_FRAME_RATE_LIMIT && value <= MAX_FRAME_RATE_LIMIT);
}

std::optional<int> Settings::parseFrameRateLimit(std::string_view text) {
    const std::optional<int> value = CommandLine::parseBoundedInt(text, 0, MAX_FRAME_RATE_LIMIT);
    if (!value || !isFrameRateLimit(*value)) {
        return std::nullopt;
    }
    return value;
}

Settings Settings::parse(std::string_view text, const std::string& origin, std::ostream& warnings) {
    Settings settings;
    std::vector<std::string_view> seen;
    auto warn = [&](std::size_t lineNumber, const std::string& what) {
        warnings << "Settings: line " << lineNumber << " of " << origin << ": " << what
                 << std::endl;
    };
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view raw = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        ++lineNumber;
        const std::string_view line = trimmed(raw);
        if (line.empty() || line.front() == '#' || line.front() == ';') {
            continue;
        }
        if (raw.size() > MAX_LINE_LENGTH) {
            warn(lineNumber,
                 "longer than " + std::to_string(MAX_LINE_LENGTH) + " characters; ignored");
            continue;
        }
        const std::size_t equals = line.find('=');
        const std::string_view name = trimmed(line.substr(0, std::min(equals, line.size())));
        if (equals == std::string_view::npos || name.empty() ||
            !std::all_of(name.begin(), name.end(), isKeyCharacter)) {
            warn(lineNumber, "not \"key = value\": \"" + shown(line) + "\"; ignored");
            continue;
        }
        const std::string_view value = trimmed(line.substr(equals + 1));
        const Key* key = findKey(name);
        if (key == nullptr) {
            if (!isPlainText(line) || settings.unknownLines.size() >= MAX_KEPT_UNKNOWN_LINES) {
                warn(lineNumber, "unknown key \"" + std::string(name) + "\"; ignored");
                continue;
            }
            warn(lineNumber, "unknown key \"" + std::string(name) + "\"; kept as it is");
            settings.unknownLines.emplace_back(line);
            continue;
        }
        std::string why;
        if (!key->read(settings, value, why)) {
            warn(lineNumber,
                 std::string(name) + " = \"" + shown(value) + "\" is " + why + "; ignored");
            continue;
        }
        if (std::find(seen.begin(), seen.end(), key->name) != seen.end()) {
            warn(lineNumber, "\"" + std::string(name) + "\" again; this later value counts");
        }
        seen.push_back(key->name);
    }
    return settings;
}

std::string Settings::serialize() const {
    std::ostringstream text;
    text << "# Vollarin settings, one \"key = value\" per line.\n"
         << "# The game rewrites this file when a setting changes in the game;\n"
         << "# edit it while the game is closed.\n";
    for (const Key& key : keys()) {
        if (const std::optional<std::string> value = key.write(*this)) {
            text << key.name << " = " << *value << "\n";
        }
    }
    for (const std::string& line : unknownLines) {
        text << line << "\n";
    }
    return text.str();
}

Settings Settings::load(const std::string& path, std::ostream& warnings) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (!std::filesystem::exists(status)) {
        return {};
    }
    if (!std::filesystem::is_regular_file(status)) {
        warnings << "Settings: " << path << " is not a file; using the defaults" << std::endl;
        return {};
    }
    std::ifstream file(path, std::ios::binary);
    std::string text(MAX_FILE_SIZE + 1, '\0');
    file.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (file.bad() || (!file && !file.eof())) {
        warnings << "Settings: cannot read " << path << "; using the defaults" << std::endl;
        return {};
    }
    text.resize(static_cast<std::size_t>(file.gcount()));
    if (text.size() > MAX_FILE_SIZE) {
        warnings << "Settings: " << path << " is larger than " << MAX_FILE_SIZE
                 << " bytes; using the defaults" << std::endl;
        return {};
    }
    return parse(text, path, warnings);
}

std::string Settings::save(const std::string& path) const {
    if (path.empty()) {
        return "no place to keep the settings";
    }
    return AtomicFile::write(path, serialize());
}

Settings Settings::withCommandLine(const CommandLineOptions& options) const {
    Settings run = *this;
    run.fullscreen = run.fullscreen || options.fullscreen;
    run.verticalSync = run.verticalSync || options.verticalSync;
    run.muted = run.muted || options.mute;
    if (options.frameRateLimit) {
        run.frameRateLimit = *options.frameRateLimit;
    }
    return run;
}

BackendOverrides Settings::backendLayer() const {
    BackendOverrides layer;
    layer.source = std::string(SOURCE_NAME);
    layer.baseUrl = backendUrl;
    layer.anonKey = anonKey;
    layer.emailDomain = emailDomain;
    return layer;
}

std::string Settings::describe() const {
    std::ostringstream line;
    line << "Settings: music " << musicVolume << "%, effects " << effectsVolume << "%, sound "
         << (muted ? "muted" : "on") << ", " << (fullscreen ? "fullscreen" : "windowed")
         << ", vertical sync " << (verticalSync ? "on" : "off") << ", frame rate ";
    if (frameRateLimit == NO_FRAME_RATE_LIMIT) {
        line << "unlimited";
    } else {
        line << "limit " << frameRateLimit;
    }
    return line.str();
}

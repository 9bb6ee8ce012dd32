#pragma once

#include "online/BackendConfig.h"

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct CommandLineOptions;

// The player's preferences, kept in settings.ini in the player's config
// folder: one "key = value" per line, '#' starts a comment line. Read once at
// start and rewritten whole whenever the player changes a setting in the
// game. The file is the player's to edit, so nothing in it is trusted: a bad
// line is named in a warning and its setting keeps its default.
struct Settings {
    static constexpr std::string_view FILE_NAME = "settings.ini";
    static constexpr std::string_view SOURCE_NAME = "settings file";
    static constexpr int MAX_VOLUME = 100;
    // 0 means no limit; anything else must be a frame rate a screen can show.
    static constexpr int NO_FRAME_RATE_LIMIT = 0;
    static constexpr int MIN_FRAME_RATE_LIMIT = 15;
    static constexpr int MAX_FRAME_RATE_LIMIT = 1000;
    // A settings file is a few hundred bytes; anything much larger is not one.
    static constexpr std::size_t MAX_FILE_SIZE = 64 * 1024;
    static constexpr std::size_t MAX_LINE_LENGTH = 4096;
    static constexpr std::size_t MAX_KEPT_UNKNOWN_LINES = 64;
    // How large the screens' text and buttons are drawn, in percent.
    static constexpr int MIN_UI_SCALE = 100;
    static constexpr int MAX_UI_SCALE = 200;

    // Percent of the game's own mix: 100 plays every sound as designed.
    int musicVolume = MAX_VOLUME;
    int effectsVolume = MAX_VOLUME;
    bool muted = false;
    bool fullscreen = false;
    bool verticalSync = false;
    int frameRateLimit = NO_FRAME_RATE_LIMIT;
    // The online lists show only the scores the backend verified.
    bool verifiedOnly = false;
    // While aiming, the faint flight of the same shot in the level's best
    // kept attempt.
    bool ghost = true;
    // While aiming, the dots of the attempt's last flight.
    bool shotTrail = true;
    // The aiming preview shows only the first third of the flight. Drawing
    // only: the shot itself, and its replay, are the same either way.
    bool hardMode = false;
    int uiScale = MIN_UI_SCALE;
    // The scores backend, when the player names another one than the build's.
    std::optional<std::string> backendUrl;
    std::optional<std::string> anonKey;
    std::optional<std::string> emailDomain;
    // Lines whose key this version does not know ("key = value" as read):
    // written back unchanged, so a newer version's settings survive a run of
    // this one.
    std::vector<std::string> unknownLines;

    bool operator==(const Settings&) const = default;

    // `origin` names the text in warnings (usually the file's path).
    static Settings parse(std::string_view text, const std::string& origin, std::ostream& warnings);
    std::string serialize() const;

    // A missing file gives the defaults silently; an unreadable or oversized
    // one gives them with a warning.
    static Settings load(const std::string& path, std::ostream& warnings);
    // Replaces the file atomically. Empty on success, else what failed.
    std::string save(const std::string& path) const;

    // These settings with what the command line asked for on top: the
    // options hold for this run only and are never saved.
    Settings withCommandLine(const CommandLineOptions& options) const;

    // The backend values of the file, as a layer below the environment.
    BackendOverrides backendLayer() const;

    // One line for the log.
    std::string describe() const;

    // The accepted values, shared with the command line.
    static bool isFrameRateLimit(int value);
    static std::optional<int> parseFrameRateLimit(std::string_view text);
};

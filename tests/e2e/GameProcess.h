#pragma once

#include <SFML/Graphics/Image.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/types.h>

// The real game executable, started from the build directory with its output
// in a log file, driven with real X input through xdotool. Every wait polls
// with a deadline: the machine is shared and frames come when they come.
class GameProcess {
public:
    static constexpr std::chrono::seconds DEADLINE{20};

    explicit GameProcess(std::filesystem::path logPath);
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool start();
    // Kills the process if it still runs (teardown path).
    void kill();
    // The exit status once it has ended by itself, or nothing at the deadline.
    std::optional<int> waitForExit();

    std::string log() const;
    // Waits until `text` appears in the log at or after byte `from`.
    bool waitForLog(const std::string& text, std::size_t from = 0) const;

    // The window of this process; empty if none showed up in time.
    const std::string& windowId() const { return window; }
    bool findWindow();

    // Real pointer and keyboard input (XTEST), in window pixels.
    bool moveMouse(int x, int y) const;
    bool click(int x, int y) const;
    bool pressButton() const;
    bool releaseButton() const;
    bool key(const std::string& name) const;

    // Screenshots of the window into `file`; the second form retakes it until
    // `accept` holds, so a frame not yet presented is never judged.
    std::optional<sf::Image> screenshot(const std::filesystem::path& file) const;
    std::optional<sf::Image>
    screenshotWhen(const std::filesystem::path& file,
                   const std::function<bool(const sf::Image&)>& accept) const;

private:
    std::filesystem::path logPath;
    pid_t pid = -1;
    std::string window;
};

// Runs a shell command; returns its exit status and its combined output.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::string& command);

#pragma once

#include "BuildPaths.h"

#include <SFML/Graphics/Image.hpp>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>
#include <utility>
#include <vector>

// Called in a child between fork and exec: the child is killed when the
// test process that started it ends, however it ends (a failed assertion
// that aborts, a crash, a time-out kill), so no game or display outlives
// its test and keeps a core busy. `parent` is the test's pid taken before
// the fork, in case it ended before the child got here.
inline void dieWithTheTest(pid_t parent) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) {
        ::_exit(127);
    }
}

// How to start the game: which executable, from where, with what arguments
// and extra environment, on a virtual screen of what size.
struct GameLaunch {
    std::string executable = VOLLARIN_GAME_EXE;
    std::filesystem::path workingDirectory = VOLLARIN_BINARY_DIR;
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment;
    unsigned int screenWidth = 1600;
    unsigned int screenHeight = 1000;
};

// A virtual X display of this process's own (Xvfb), so that end-to-end tests
// running in parallel never share a pointer, a keyboard focus or a screen.
class PrivateDisplay {
public:
    PrivateDisplay() = default;
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool start(unsigned int width, unsigned int height);
    void stop();
    // ":N" once started, empty before.
    const std::string& name() const { return display; }

private:
    pid_t pid = -1;
    std::string display;
};

// The real game executable, started from the build directory with its output
// in a log file, driven with real X input through xdotool. Every wait polls
// with a deadline: the machine is shared and frames come when they come.
class GameProcess {
public:
    static constexpr std::chrono::seconds DEADLINE{20};

    explicit GameProcess(std::filesystem::path logPath, GameLaunch launch = {});
    ~GameProcess();
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    // Starts a private display, then the game on it.
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
    // Types text as key strokes (the pointer must be over the window).
    bool typeText(const std::string& text) const;
    // Resizes the window as a window manager would, and waits until the X
    // server has done it.
    bool resize(unsigned int width, unsigned int height) const;

    // Screenshots of the window into `file`; the second form retakes it until
    // `accept` holds, so a frame not yet presented is never judged.
    std::optional<sf::Image> screenshot(const std::filesystem::path& file) const;
    std::optional<sf::Image>
    screenshotWhen(const std::filesystem::path& file,
                   const std::function<bool(const sf::Image&)>& accept) const;

    // A shell command prefix that aims X clients (xdotool, import) at the
    // game's display.
    std::string onDisplay() const;
    const std::string& displayName() const { return display.name(); }

private:
    std::filesystem::path logPath;
    GameLaunch launch;
    PrivateDisplay display;
    pid_t pid = -1;
    std::string window;
};

// Runs a shell command; returns its exit status and its combined output.
struct CommandResult {
    int status = -1;
    std::string output;
};
CommandResult runCommand(const std::string& command);

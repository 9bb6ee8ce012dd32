#include "e2e/GameProcess.h"

#include "ShellCommand.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr std::chrono::milliseconds POLL_INTERVAL{50};

std::chrono::steady_clock::time_point deadline() {
    return std::chrono::steady_clock::now() + GameProcess::DEADLINE;
}

std::string quoted(const std::string& text) {
    std::string result = "'";
    for (const char c : text) {
        result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return result + "'";
}

} // namespace

CommandResult runCommand(const std::string& command) {
    const ShellResult run = runShell(command + " 2>&1");
    return {run.exitCode, run.output};
}

PrivateDisplay::~PrivateDisplay() {
    stop();
}

bool PrivateDisplay::start(unsigned int width, unsigned int height) {
    // Xvfb picks a free display number itself and writes it to -displayfd
    // once it accepts clients, so there is no race for a number and no poll.
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return false;
    }
    const std::string fd = std::to_string(pipeFds[1]);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    const pid_t parent = ::getpid();
    pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return false;
    }
    if (pid == 0) {
        dieWithTheTest(parent);
        ::close(pipeFds[0]);
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDOUT_FILENO);
            ::dup2(devNull, STDERR_FILENO);
        }
        ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                 "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string number;
    const auto end = std::chrono::steady_clock::now() + GameProcess::DEADLINE;
    while (std::chrono::steady_clock::now() < end) {
        pollfd readable{pipeFds[0], POLLIN, 0};
        if (::poll(&readable, 1, 100) <= 0) {
            continue;
        }
        char c = 0;
        const ssize_t got = ::read(pipeFds[0], &c, 1);
        if (got <= 0 || c == '\n') {
            break;
        }
        number += c;
    }
    ::close(pipeFds[0]);
    if (number.empty()) {
        stop();
        return false;
    }
    display = ":" + number;
    return true;
}

void PrivateDisplay::stop() {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    display.clear();
}

GameProcess::GameProcess(std::filesystem::path logPath, GameLaunch launch)
    : logPath(std::move(logPath)), launch(std::move(launch)) {}

GameProcess::~GameProcess() {
    kill();
}

std::string GameProcess::onDisplay() const {
    return "DISPLAY=" + display.name() + " ";
}

bool GameProcess::start() {
    if (!display.start(launch.screenWidth, launch.screenHeight)) {
        return false;
    }
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are allowed in a threaded process.
    const std::string directory = launch.workingDirectory.string();
    const std::string log = logPath.string();
    std::vector<char*> arguments{const_cast<char*>(launch.executable.c_str())};
    for (const std::string& argument : launch.arguments) {
        arguments.push_back(const_cast<char*>(argument.c_str()));
    }
    arguments.push_back(nullptr);
    std::vector<std::string> environmentText{"DISPLAY=" + display.name()};
    for (const auto& [name, value] : launch.environment) {
        environmentText.push_back(name + "=" + value);
    }
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::string name = text.substr(0, text.find('='));
        bool replaced = name == "DISPLAY";
        for (const auto& [overridden, value] : launch.environment) {
            replaced = replaced || name == overridden;
        }
        if (!replaced) {
            environmentText.push_back(text);
        }
    }
    std::vector<char*> environment;
    for (std::string& entry : environmentText) {
        environment.push_back(entry.data());
    }
    environment.push_back(nullptr);
    const pid_t parent = ::getpid();
    pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        dieWithTheTest(parent);
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::chdir(directory.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
        ::execve(arguments[0], arguments.data(), environment.data());
        ::_exit(127);
    }
    return true;
}

void GameProcess::kill() {
    if (pid <= 0) {
        return;
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
    display.stop();
}

std::optional<int> GameProcess::waitForExit() {
    const auto end = deadline();
    while (pid > 0 && std::chrono::steady_clock::now() < end) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            pid = -1;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    return std::nullopt;
}

std::string GameProcess::log() const {
    std::ifstream file(logPath);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool GameProcess::waitForLog(const std::string& text, std::size_t from) const {
    const auto end = deadline();
    while (std::chrono::steady_clock::now() < end) {
        const std::string content = log();
        if (content.size() >= from && content.find(text, from) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(POLL_INTERVAL);
    }
    return false;
}

bool GameProcess::findWindow() {
    // The test binary's own windows share the title, so the game's window is
    // found by its class (the executable's name) and then checked by title.
    const CommandResult found =
        runCommand("env " + onDisplay() + "timeout " + std::to_string(DEADLINE.count()) +
                   " xdotool search --sync --classname " + quoted("^vollarin$"));
    std::istringstream lines(found.output);
    std::string candidate;
    while (std::getline(lines, candidate)) {
        if (runCommand(onDisplay() + "xdotool getwindowname " + candidate).output ==
            "Skysling Clone\n") {
            window = candidate;
            break;
        }
    }
    if (window.empty()) {
        return false;
    }
    // Without a window manager the window may hang partly off the screen,
    // where the pointer cannot reach it.
    return runCommand(onDisplay() + "xdotool windowmove --sync " + window + " 0 0").status == 0;
}

bool GameProcess::moveMouse(int x, int y) const {
    return runCommand(onDisplay() + "xdotool mousemove --sync --window " + window + " " +
                      std::to_string(x) + " " + std::to_string(y))
               .status == 0;
}

bool GameProcess::click(int x, int y) const {
    return moveMouse(x, y) && runCommand(onDisplay() + "xdotool click 1").status == 0;
}

bool GameProcess::pressButton() const {
    return runCommand(onDisplay() + "xdotool mousedown 1").status == 0;
}

bool GameProcess::releaseButton() const {
    return runCommand(onDisplay() + "xdotool mouseup 1").status == 0;
}

bool GameProcess::key(const std::string& name) const {
    // The display is the game's own and has no window manager: keyboard
    // focus follows the pointer, which every caller has already put over the
    // game's window.
    return runCommand(onDisplay() + "xdotool key " + name).status == 0;
}

bool GameProcess::typeText(const std::string& text) const {
    return runCommand(onDisplay() + "xdotool type --delay 20 -- " + quoted(text)).status == 0;
}

bool GameProcess::resize(unsigned int width, unsigned int height) const {
    return runCommand(onDisplay() + "xdotool windowsize --sync " + window + " " +
                      std::to_string(width) + " " + std::to_string(height))
               .status == 0;
}

std::optional<sf::Image> GameProcess::screenshot(const std::filesystem::path& file) const {
    if (runCommand(onDisplay() + "import -window " + window + " " + quoted(file.string())).status !=
        0) {
        return std::nullopt;
    }
    sf::Image image;
    if (!image.loadFromFile(file.string())) {
        return std::nullopt;
    }
    return image;
}

std::optional<sf::Image>
GameProcess::screenshotWhen(const std::filesystem::path& file,
                            const std::function<bool(const sf::Image&)>& accept) const {
    const auto end = deadline();
    std::optional<sf::Image> last;
    while (std::chrono::steady_clock::now() < end) {
        last = screenshot(file);
        if (last && accept(*last)) {
            return last;
        }
        std::this_thread::sleep_for(POLL_INTERVAL * 2);
    }
    return std::nullopt;
}

#include "e2e/GameProcess.h"

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
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
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr) {
        result.output += buffer;
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

GameProcess::GameProcess(std::filesystem::path logPath) : logPath(std::move(logPath)) {}

GameProcess::~GameProcess() {
    kill();
}

bool GameProcess::start() {
    // Everything the child needs is prepared before fork: between fork and
    // exec only async-signal-safe calls are allowed in a threaded process.
    const std::string executable = VOLLARIN_GAME_EXE;
    const std::string directory = VOLLARIN_BINARY_DIR;
    const std::string log = logPath.string();
    char* const arguments[] = {const_cast<char*>(executable.c_str()), nullptr};
    pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0 || ::chdir(directory.c_str()) != 0) {
            ::_exit(127);
        }
        ::dup2(fd, STDOUT_FILENO);
        ::dup2(fd, STDERR_FILENO);
        ::close(fd);
        ::execv(executable.c_str(), arguments);
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
        runCommand("timeout " + std::to_string(DEADLINE.count()) +
                   " xdotool search --sync --classname " + quoted("^vollarin$"));
    std::istringstream lines(found.output);
    std::string candidate;
    while (std::getline(lines, candidate)) {
        if (runCommand("xdotool getwindowname " + candidate).output == "Skysling Clone\n") {
            window = candidate;
            break;
        }
    }
    if (window.empty()) {
        return false;
    }
    // Without a window manager the window may hang partly off the screen,
    // where the pointer cannot reach it.
    return runCommand("xdotool windowmove --sync " + window + " 0 0").status == 0;
}

bool GameProcess::moveMouse(int x, int y) const {
    return runCommand("xdotool mousemove --sync --window " + window + " " + std::to_string(x) +
                      " " + std::to_string(y))
               .status == 0;
}

bool GameProcess::click(int x, int y) const {
    return moveMouse(x, y) && runCommand("xdotool click 1").status == 0;
}

bool GameProcess::pressButton() const {
    return runCommand("xdotool mousedown 1").status == 0;
}

bool GameProcess::releaseButton() const {
    return runCommand("xdotool mouseup 1").status == 0;
}

bool GameProcess::key(const std::string& name) const {
    // The display has no window manager: keyboard focus follows the pointer,
    // which every caller has already put over the game's window.
    return runCommand("xdotool key " + name).status == 0;
}

std::optional<sf::Image> GameProcess::screenshot(const std::filesystem::path& file) const {
    if (runCommand("import -window " + window + " " + quoted(file.string())).status != 0) {
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

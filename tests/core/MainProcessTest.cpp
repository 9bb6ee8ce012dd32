#include "BuildPaths.h"
#include "e2e/GameProcess.h"

#include <array>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    return content.str();
}

// Starts the real game under the test's virtual display and returns its pid.
pid_t startGame(const std::string& logPath, const std::string& workingDirectory) {
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid == 0) {
        dieWithTheTest(parent);
        if (chdir(workingDirectory.c_str()) != 0) {
            _exit(127);
        }
        std::FILE* log = std::fopen(logPath.c_str(), "w");
        if (log == nullptr) {
            _exit(127);
        }
        dup2(fileno(log), STDOUT_FILENO);
        dup2(fileno(log), STDERR_FILENO);
        execl(VOLLARIN_GAME_EXE, VOLLARIN_GAME_EXE, static_cast<char*>(nullptr));
        _exit(127);
    }
    return pid;
}

bool waitForLine(const std::string& logPath, const std::string& line, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        if (readFile(logPath).find(line) != std::string::npos) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
}

} // namespace

TEST(MainProcess, WritesItsStartUpLinesInOrder) {
    // Each build directory keeps its own log; a stale one must not pass for
    // the output of this run.
    const std::filesystem::path outputDir =
        std::filesystem::path(VOLLARIN_BINARY_DIR) / "test-output";
    std::filesystem::create_directories(outputDir);
    const std::string logPath = (outputDir / "main_startup.log").string();
    std::filesystem::remove(logPath);
    const pid_t pid = startGame(logPath, VOLLARIN_BINARY_DIR);
    ASSERT_GT(pid, 0);
    const bool reachedMenu =
        waitForLine(logPath, "Transitioning from 0 to 1", std::chrono::seconds(30));
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    ASSERT_TRUE(reachedMenu) << readFile(logPath);

    const std::string log = readFile(logPath);
    const std::string cwd = std::filesystem::canonical(VOLLARIN_BINARY_DIR).string();
    const std::array<std::string, 9> expected{
        "Hello Skysling Clone! - main started\n",
        "Current working directory: \"" + cwd + "\"\n",
        "main: Creating Game object...\n",
        "Game constructor: started.\n",
        "main: Game object created.\n",
        "main: Running game...\n",
        "Textures loaded (missing textures will use colored shapes)\n",
        "Game constructor: finished.\n",
        "Transitioning from 0 to 1\n",
    };
    std::size_t from = 0;
    for (const std::string& line : expected) {
        const std::size_t at = log.find(line, from);
        ASSERT_NE(at, std::string::npos) << "missing or out of order: " << line << log;
        from = at + line.size();
    }
    EXPECT_EQ(log.find("Failed to load"), std::string::npos) << log;
}

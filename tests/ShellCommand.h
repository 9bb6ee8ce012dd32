#pragma once

// A command run through the shell as a test runs the game's programs: what
// it printed and how it exited.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>

struct ShellResult {
    // -1 when it did not exit normally (or could not be started).
    int exitCode = -1;
    // Standard output only; the command redirects standard error itself
    // ("2>&1", "2>/dev/null") as it needs.
    std::string output;
};

inline ShellResult runShell(const std::string& command) {
    ShellResult result;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
        result.output += buffer.data();
    }
    const int status = ::pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <unistd.h>

// Shared by the game's fuzz targets.
namespace fuzz_support {

// The game narrates every event; at thousands of runs a second that is
// noise, and slow. Sanitizer and libFuzzer reports do not go through these
// streams.
inline void silenceGameLog() {
    std::cout.setstate(std::ios::badbit);
    std::cerr.setstate(std::ios::badbit);
}

// A directory of this process's own, removed at exit. In memory where the
// system offers it: the game syncs its saves to disk, which would otherwise
// cost most of each run.
inline const std::filesystem::path& scratchDirectory() {
    static const std::filesystem::path directory = [] {
        std::error_code error;
        const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                               ? std::filesystem::path("/dev/shm")
                                               : std::filesystem::temp_directory_path();
        const std::filesystem::path path = base / ("vollarin_fuzz_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(scratchDirectory(), ignored);
        });
        return path;
    }();
    return directory;
}

inline void writeFile(const std::filesystem::path& path, const char* data, std::size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(data, static_cast<std::streamsize>(size));
}

// Ends the run as a crash, so libFuzzer keeps the input that broke a rule.
[[noreturn]] inline void fail(const char* rule) {
    std::fprintf(stderr, "fuzz rule broken: %s\n", rule);
    std::abort();
}

} // namespace fuzz_support

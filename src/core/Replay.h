#pragma once

#include "core/ReplayInput.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One attempt as the inputs that made it, and what they must be played
// against: the build's simulation (its fingerprint) and the level's exact
// content. No positions: playing the inputs recomputes them.
//
// The file, little-endian throughout:
//   4 bytes  "VRPL"
//   1 byte   format version (FORMAT_VERSION)
//   1 byte   length n of the game version, 1 to MAX_VERSION_LENGTH
//   n bytes  game version, printable ASCII ("1.0.0")
//   8 bytes  simulation fingerprint
//   8 bytes  level content hash (contentHash of the level file's bytes)
//   1 byte   level number, 1 to MAX_LEVEL_NUMBER
//   2 bytes  input count, at most MAX_INPUTS
//   per input: 1 byte kind (1 press, 2 pull, 3 release, 4 special), 4 bytes
//   step; a press or pull adds its point, x then y, as 4-byte IEEE floats.
// Nothing may follow the last input. Steps never decrease and stay within
// MAX_STEP; points are finite and within MAX_COORDINATE of the origin.
struct Replay {
    static constexpr std::uint8_t FORMAT_VERSION = 1;
    static constexpr std::size_t MAX_VERSION_LENGTH = 32;
    static constexpr int MAX_LEVEL_NUMBER = 99;
    static constexpr std::size_t MAX_INPUTS = 4096;
    // Ten minutes of fixed steps at 60 a second.
    static constexpr std::uint32_t MAX_STEP = 60 * 60 * 10;
    static constexpr float MAX_COORDINATE = 100000.0f;
    // The largest file the format allows, and so the most a reader takes in.
    static constexpr std::size_t MAX_FILE_BYTES =
        4 + 1 + 1 + MAX_VERSION_LENGTH + 8 + 8 + 1 + 2 + MAX_INPUTS * (1 + 4 + 8);

    std::string gameVersion;
    std::uint64_t fingerprint = 0;
    std::uint64_t levelHash = 0;
    int levelNumber = 1;
    std::vector<ReplayInput> inputs;

    std::string encode() const;
    // The replay in `bytes`, or nothing with `why` saying what is wrong.
    static std::optional<Replay> decode(std::string_view bytes, std::string& why);

    // Reads and decodes a file of at most MAX_FILE_BYTES.
    static std::optional<Replay> readFile(const std::string& path, std::string& why);
    // Written whole or not at all; an empty text on success.
    std::string writeFile(const std::string& path) const;

    // FNV-1a, 64 bits: the level content hash.
    static std::uint64_t contentHash(std::string_view bytes);
    // The content hash of the level file at path, read as far as a level
    // file may go (and a byte more, so an oversized file differs from its
    // start); nothing when it cannot be read.
    static std::optional<std::uint64_t> levelFileHash(const std::string& path);
};

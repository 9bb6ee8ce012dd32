#include "core/Replay.h"

#include "level/LevelLoader.h"
#include "online/AtomicFile.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <fstream>
#include <iterator>

namespace {
constexpr std::string_view MAGIC = "VRPL";

void putBytes(std::string& out, std::uint64_t value, int count) {
    for (int i = 0; i < count; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

// Takes bytes off the front of the file, never past its end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes(bytes) {}

    bool take(int count, std::uint64_t& value) {
        if (bytes.size() - at < static_cast<std::size_t>(count)) {
            return false;
        }
        value = 0;
        for (int i = 0; i < count; ++i) {
            value |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at + i]))
                     << (8 * i);
        }
        at += static_cast<std::size_t>(count);
        return true;
    }
    bool takeText(std::size_t count, std::string& text) {
        if (bytes.size() - at < count) {
            return false;
        }
        text.assign(bytes.substr(at, count));
        at += count;
        return true;
    }
    bool takeFloat(float& value) {
        std::uint64_t bits = 0;
        if (!take(4, bits)) {
            return false;
        }
        value = std::bit_cast<float>(static_cast<std::uint32_t>(bits));
        return true;
    }
    bool atEnd() const { return at == bytes.size(); }

private:
    std::string_view bytes;
    std::size_t at = 0;
};

bool printable(const std::string& text) {
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
    }
    return true;
}

bool validCoordinate(float value) {
    return std::isfinite(value) && std::fabs(value) <= Replay::MAX_COORDINATE;
}

std::optional<Replay> refuse(std::string& why, const std::string& reason) {
    why = reason;
    return std::nullopt;
}
} // namespace

std::string Replay::encode() const {
    std::string out(MAGIC);
    putBytes(out, FORMAT_VERSION, 1);
    const std::string version = gameVersion.substr(0, MAX_VERSION_LENGTH);
    putBytes(out, version.size(), 1);
    out += version;
    putBytes(out, fingerprint, 8);
    putBytes(out, levelHash, 8);
    putBytes(out, static_cast<std::uint64_t>(levelNumber), 1);
    const std::size_t count = std::min(inputs.size(), MAX_INPUTS);
    putBytes(out, count, 2);
    for (std::size_t i = 0; i < count; ++i) {
        const ReplayInput& input = inputs[i];
        putBytes(out, static_cast<std::uint8_t>(input.kind), 1);
        putBytes(out, input.step, 4);
        if (ReplayInput::hasPoint(input.kind)) {
            putBytes(out, std::bit_cast<std::uint32_t>(input.point.x), 4);
            putBytes(out, std::bit_cast<std::uint32_t>(input.point.y), 4);
        }
    }
    return out;
}

std::optional<Replay> Replay::decode(std::string_view bytes, std::string& why) {
    if (bytes.size() > MAX_FILE_BYTES) {
        return refuse(why, "larger than any replay can be");
    }
    if (bytes.substr(0, MAGIC.size()) != MAGIC) {
        return refuse(why, "not a replay file");
    }
    Reader reader(bytes.substr(MAGIC.size()));
    Replay replay;
    std::uint64_t value = 0;
    if (!reader.take(1, value)) {
        return refuse(why, "truncated");
    }
    if (value != FORMAT_VERSION) {
        return refuse(why, "replay format " + std::to_string(value) + ", this build reads " +
                               std::to_string(FORMAT_VERSION));
    }
    if (!reader.take(1, value)) {
        return refuse(why, "truncated");
    }
    if (value == 0 || value > MAX_VERSION_LENGTH) {
        return refuse(why, "bad game version");
    }
    if (!reader.takeText(static_cast<std::size_t>(value), replay.gameVersion)) {
        return refuse(why, "truncated");
    }
    if (!printable(replay.gameVersion)) {
        return refuse(why, "bad game version");
    }
    if (!reader.take(8, replay.fingerprint) || !reader.take(8, replay.levelHash) ||
        !reader.take(1, value)) {
        return refuse(why, "truncated");
    }
    if (value < 1 || value > MAX_LEVEL_NUMBER) {
        return refuse(why, "bad level number " + std::to_string(value));
    }
    replay.levelNumber = static_cast<int>(value);
    std::uint64_t count = 0;
    if (!reader.take(2, count)) {
        return refuse(why, "truncated");
    }
    if (count > MAX_INPUTS) {
        return refuse(why, "too many inputs");
    }
    replay.inputs.reserve(static_cast<std::size_t>(count));
    std::uint32_t lastStep = 0;
    for (std::uint64_t i = 0; i < count; ++i) {
        ReplayInput input;
        std::uint64_t kind = 0;
        std::uint64_t step = 0;
        if (!reader.take(1, kind) || !reader.take(4, step)) {
            return refuse(why, "truncated");
        }
        if (kind < 1 || kind > 4) {
            return refuse(why, "unknown input kind " + std::to_string(kind));
        }
        input.kind = static_cast<ReplayInput::Kind>(kind);
        input.step = static_cast<std::uint32_t>(step);
        if (input.step > MAX_STEP || input.step < lastStep) {
            return refuse(why, "input steps out of order or beyond the longest attempt");
        }
        lastStep = input.step;
        if (ReplayInput::hasPoint(input.kind)) {
            if (!reader.takeFloat(input.point.x) || !reader.takeFloat(input.point.y)) {
                return refuse(why, "truncated");
            }
            if (!validCoordinate(input.point.x) || !validCoordinate(input.point.y)) {
                return refuse(why, "input point out of bounds");
            }
        }
        replay.inputs.push_back(input);
    }
    if (!reader.atEnd()) {
        return refuse(why, "bytes after the last input");
    }
    return replay;
}

std::optional<Replay> Replay::readFile(const std::string& path, std::string& why) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return refuse(why, "cannot open " + path);
    }
    std::string bytes(MAX_FILE_BYTES + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return decode(bytes, why);
}

std::string Replay::writeFile(const std::string& path) const {
    return AtomicFile::write(path, encode());
}

std::optional<std::uint64_t> Replay::levelFileHash(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(LevelLoader::MAX_FILE_BYTES + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return contentHash(bytes);
}

std::uint64_t Replay::contentHash(std::string_view bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

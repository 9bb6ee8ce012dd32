// Any bytes as each of the files the game keeps for the player between runs:
// the settings, the kept session and the progress table. Whatever a file
// holds, what the game reads from it must write back as a file that reads
// as the same thing, so a run never changes what it did not mean to.

#include "FuzzSupport.h"

#include "core/Settings.h"
#include "online/AuthSession.h"
#include "online/ProgressTable.h"
#include "online/SessionStore.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// A fixed clock, so a kept session's expiry is judged the same every run.
constexpr std::int64_t NOW = 1'800'000'000;
constexpr int LEVELS = 7;

void settingsRoundTrip(std::string_view text) {
    std::ostringstream warnings;
    const Settings first = Settings::parse(text, "fuzz", warnings);
    std::ostringstream again;
    const Settings second = Settings::parse(first.serialize(), "fuzz", again);
    if (!(second == first)) {
        fuzz_support::fail("settings do not read back as written");
    }
    // Lines of keys this version does not know are written back as they
    // came, and warned about again; everything else the game writes is clean.
    if (first.unknownLines.empty() && !again.str().empty()) {
        fuzz_support::fail("settings written by the game warn when read");
    }
}

void sessionRoundTrip(std::string_view text) {
    std::string why;
    const std::optional<AuthSession> first = SessionStore::parse(text, NOW, why);
    if (!first) {
        return;
    }
    const std::optional<AuthSession> second =
        SessionStore::parse(SessionStore::serialize(*first), NOW, why);
    if (!second || !(*second == *first)) {
        fuzz_support::fail("a kept session does not read back as written");
    }
}

void progressRoundTrip(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path directory = fuzz_support::scratchDirectory() / "progress";
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "progress.txt").string();
    fuzz_support::writeFile(path, reinterpret_cast<const char*>(data), size);

    ProgressTable first(path, LEVELS);
    first.load();
    if (first.totalStars() < 0 || first.totalStars() > first.possibleStars()) {
        fuzz_support::fail("more stars than the levels hold");
    }
    if (!first.save()) {
        fuzz_support::fail("the progress table could not be saved");
    }
    ProgressTable second(path, LEVELS);
    second.load();
    for (int level = 0; level < LEVELS; ++level) {
        if (second.best(level).score != first.best(level).score ||
            second.best(level).stars != first.best(level).stars) {
            fuzz_support::fail("progress does not read back as written");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silenceGameLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    settingsRoundTrip(text);
    sessionRoundTrip(text);
    progressRoundTrip(data, size);
    return 0;
}

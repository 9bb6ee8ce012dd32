// Any bytes as the local high-score file: loaded, given one new entry,
// saved and loaded again. The round trip must keep every row the first load
// accepted, in order, plus the new entry where it belongs.

#include "FuzzSupport.h"

#include "online/HighScoreTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

// The first bytes choose the new entry; the rest is the file.
constexpr std::size_t HEADER_BYTES = 5;
constexpr int LEVELS_TRIED = 8;
// Commas and line breaks must be made harmless by the table itself.
const std::string NEW_NAME = "fu,zz\nname";

// Every level's list; levels without entries are left out.
using Table = std::map<int, std::vector<HighScore>>;

Table snapshot(const HighScoreTable& table) {
    Table lists;
    for (int level = 0; level < HighScoreTable::MAX_LEVEL_COUNT; ++level) {
        if (const std::vector<HighScore>& list = table.getHighScores(level); !list.empty()) {
            lists.emplace(level, list);
        }
    }
    return lists;
}

bool same(const HighScore& a, const HighScore& b) {
    return a.name == b.name && a.score == b.score && a.stars == b.stars;
}

bool sameTables(const Table& a, const Table& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.first == y.first &&
               std::equal(x.second.begin(), x.second.end(), y.second.begin(), y.second.end(), same);
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz_support::silenceGameLog();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < HEADER_BYTES) {
        return 0;
    }
    const int level = data[0] % LEVELS_TRIED;
    std::int32_t score = 0;
    std::memcpy(&score, data + 1, sizeof(score));

    // Every run starts from an empty folder: backups of earlier runs would
    // otherwise pile up.
    const std::filesystem::path directory = fuzz_support::scratchDirectory() / "scores";
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    std::filesystem::create_directories(directory);
    const std::string path = (directory / "highscores.txt").string();
    fuzz_support::writeFile(path, reinterpret_cast<const char*>(data) + HEADER_BYTES,
                            size - HEADER_BYTES);

    HighScoreTable first(path);
    first.loadHighScores();
    Table expected = snapshot(first);
    const bool added = first.addHighScore(level, NEW_NAME, score, 2);
    if (added) {
        std::vector<HighScore>& list = expected[level];
        list.push_back(HighScore{"fu_zz_name", score, 2});
        std::stable_sort(list.begin(), list.end(),
                         [](const HighScore& a, const HighScore& b) { return a.score > b.score; });
        list.resize(std::min(list.size(), HighScoreTable::MAX_ENTRIES_PER_LEVEL));
    } else if (first.wouldQualify(level, score)) {
        fuzz_support::fail("a qualifying entry was refused");
    }
    if (!sameTables(snapshot(first), expected)) {
        fuzz_support::fail("the table in memory is not the loaded one plus the new entry");
    }

    HighScoreTable second(path);
    second.loadHighScores();
    if (!sameTables(snapshot(second), expected)) {
        fuzz_support::fail("the saved file does not read back as the table that saved it");
    }
    return 0;
}

#include "online/ProgressTable.h"

#include "online/AtomicFile.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <system_error>
#include <utility>

namespace {

const char* const HEADER = "# VOLLARIN progress: level (from 0),best score,best stars\n";

std::string_view trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A whole field as a decimal number within [low, high]; nothing else passes
// (no sign games, no trailing letters, no overflow).
std::optional<int> number(std::string_view field, int low, int high) {
    field = trimmed(field);
    int value = 0;
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    if (field.empty() || error != std::errc() || end != field.data() + field.size() ||
        value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

const std::string_view MET_PREFIX = "met,";

bool isMetName(std::string_view name) {
    return !name.empty() && name.size() <= ProgressTable::MAX_MET_NAME &&
           std::all_of(name.begin(), name.end(), [](char c) {
               return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '/';
           });
}

const LevelBest& noBest() {
    static const LevelBest none;
    return none;
}

} // namespace

ProgressTable::ProgressTable(std::string path, int levelCount)
    : path(std::move(path)), bests(static_cast<std::size_t>(std::max(levelCount, 0))) {}

void ProgressTable::load() {
    std::fill(bests.begin(), bests.end(), LevelBest{});
    met.clear();
    damagedOnDisk = false;
    if (path.empty()) {
        return;
    }
    const auto read = AtomicFile::readRegular(path, MAX_FILE_BYTES);
    using Status = AtomicFile::ReadResult::Status;
    switch (read.status) {
    case Status::Read:
        break;
    case Status::Missing:
        return; // a new player
    case Status::TooLarge:
        std::cerr << "ProgressTable: " << path << " is larger than " << MAX_FILE_BYTES
                  << " bytes; starting without progress." << std::endl;
        damagedOnDisk = true;
        return;
    case Status::NotRegular:
    case Status::Failed:
        std::cerr << "ProgressTable: Could not read " << path << "; starting without progress."
                  << std::endl;
        return;
    }
    const std::string& text = read.text;
    std::string_view rest(text);
    std::size_t lineNumber = 0;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        ++lineNumber;
        if (const char* problem = readLine(line)) {
            std::cerr << "ProgressTable: Skipping malformed line " << lineNumber << " of " << path
                      << " (" << problem << ")." << std::endl;
            damagedOnDisk = true;
        }
    }
}

const char* ProgressTable::readLine(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() == '#') {
        return nullptr;
    }
    if (line.substr(0, MET_PREFIX.size()) == MET_PREFIX) {
        const std::string_view name = trimmed(line.substr(MET_PREFIX.size()));
        if (!isMetName(name)) {
            return "bad kind met";
        }
        if (hasMet(name)) {
            return nullptr;
        }
        if (met.size() >= MAX_MET) {
            return "too many kinds met";
        }
        met.emplace_back(name);
        return nullptr;
    }
    const std::size_t first = line.find(',');
    const std::size_t second = first == std::string_view::npos ? first : line.find(',', first + 1);
    if (second == std::string_view::npos || line.find(',', second + 1) != std::string_view::npos) {
        return "not level,score,stars";
    }
    const std::optional<int> level = number(line.substr(0, first), 0, levelCount() - 1);
    const std::optional<int> score =
        number(line.substr(first + 1, second - first - 1), 0, MAX_SCORE);
    const std::optional<int> stars = number(line.substr(second + 1), 1, MAX_STARS);
    if (!level) {
        return "no such level";
    }
    if (!score) {
        return "bad score";
    }
    if (!stars) {
        return "bad stars";
    }
    // A level written twice keeps the better of each.
    LevelBest& best = bests[static_cast<std::size_t>(*level)];
    best.score = std::max(best.score, *score);
    best.stars = std::max(best.stars, *stars);
    return nullptr;
}

ProgressUpdate ProgressTable::record(int level, int score, int stars) {
    ProgressUpdate update;
    if (level < 0 || level >= levelCount()) {
        return update;
    }
    score = std::clamp(score, 0, MAX_SCORE);
    stars = std::clamp(stars, 1, MAX_STARS);
    LevelBest& best = bests[static_cast<std::size_t>(level)];
    update.newBestScore = !best.completed() || score > best.score;
    update.newBestStars = stars > best.stars;
    if (update.newBestScore) {
        best.score = score;
    }
    if (update.newBestStars) {
        best.stars = stars;
    }
    if (update.newBestScore || update.newBestStars) {
        save();
    }
    return update;
}

const LevelBest& ProgressTable::best(int level) const {
    if (level < 0 || level >= levelCount()) {
        return noBest();
    }
    return bests[static_cast<std::size_t>(level)];
}

bool ProgressTable::hasMet(std::string_view name) const {
    return std::find(met.begin(), met.end(), name) != met.end();
}

bool ProgressTable::meet(std::string_view name) {
    if (!isMetName(name) || met.size() >= MAX_MET) {
        return false;
    }
    if (!hasMet(name)) {
        met.emplace_back(name);
        save();
    }
    return true;
}

int ProgressTable::totalStars() const {
    int total = 0;
    for (const LevelBest& best : bests) {
        total += best.stars;
    }
    return total;
}

std::string ProgressTable::contents() const {
    std::string text = HEADER;
    for (std::size_t level = 0; level < bests.size(); ++level) {
        const LevelBest& best = bests[level];
        if (best.completed()) {
            text += std::to_string(level) + "," + std::to_string(best.score) + "," +
                    std::to_string(best.stars) + "\n";
        }
    }
    for (const std::string& name : met) {
        text += std::string(MET_PREFIX) + name + "\n";
    }
    return text;
}

bool ProgressTable::save() {
    if (path.empty()) {
        return true;
    }
    if (damagedOnDisk && !keepDamagedFile()) {
        return false;
    }
    const std::string error = AtomicFile::write(path, contents());
    if (!error.empty()) {
        std::cerr << "ProgressTable: Could not save " << path << " (" << error
                  << "); it was left as it was." << std::endl;
        return false;
    }
    return true;
}

bool ProgressTable::keepDamagedFile() {
    std::error_code missing;
    if (!std::filesystem::exists(path, missing)) {
        damagedOnDisk = false; // removed meanwhile: nothing left to keep
        return true;
    }
    // Kept under a second name, not copied: the damaged file may be of any
    // size.
    std::string error;
    const std::optional<std::string> kept = AtomicFile::keepAsFreeBackup(path, error);
    if (!kept) {
        std::cerr << "ProgressTable: Could not keep a copy of " << path << " (" << error
                  << "); it was not rewritten." << std::endl;
        return false;
    }
    std::cerr << "ProgressTable: The damaged " << path << " was kept as " << *kept << "."
              << std::endl;
    damagedOnDisk = false;
    return true;
}

#include "online/HighScoreTable.h"

#include "online/AtomicFile.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <utility>

namespace {

constexpr std::size_t FIELDS_PER_LINE = 4;

// Splits off at most `count` comma-separated fields; whatever follows the last
// of them is ignored.
std::vector<std::string> splitFirstFields(const std::string& line, std::size_t count) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    while (fields.size() < count) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string::npos) {
            fields.push_back(line.substr(start));
            break;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
    return fields;
}

// Reads a number the way the file has always been read (leading blanks,
// optional sign, digits, anything after them ignored), but reports a bad field
// instead of throwing.
std::optional<int> readNumber(const std::string& field) {
    try {
        return std::stoi(field);
    } catch (const std::logic_error&) {
        return std::nullopt;
    }
}

void sortBestFirst(std::vector<HighScore>& list) {
    std::stable_sort(list.begin(), list.end(),
                     [](const HighScore& a, const HighScore& b) { return a.score > b.score; });
}

// A comma or line break in a name would shift the fields of its line and make
// the file unreadable; the nickname screen never lets one through, but the
// file format must not depend on that.
std::string sanitizedName(std::string name) {
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == ',' || c == '\n' || c == '\r'; }, '_');
    return name;
}

// A line or path as it may be printed: control bytes, DEL, '\' and bytes
// outside ASCII as \xNN, cut at MAX_LOGGED_BYTES, so that a file cannot
// write to the terminal or forge lines of the log.
constexpr std::size_t MAX_LOGGED_BYTES = 200;

std::string escapedForLog(std::string_view text) {
    static constexpr char HEX[] = "0123456789abcdef";
    std::string escaped;
    for (std::size_t i = 0; i < text.size() && i < MAX_LOGGED_BYTES; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte >= 0x7f || byte == '\\') {
            escaped += "\\x";
            escaped += HEX[byte >> 4];
            escaped += HEX[byte & 0x0f];
        } else {
            escaped += static_cast<char>(byte);
        }
    }
    if (text.size() > MAX_LOGGED_BYTES) {
        escaped += "...";
    }
    return escaped;
}

const std::vector<HighScore>& emptyList() {
    static const std::vector<HighScore> empty;
    return empty;
}

} // namespace

HighScoreTable::HighScoreTable(std::string path) : path(std::move(path)) {}

void HighScoreTable::loadHighScores() {
    table.clear();
    originalNeedsBackup = false;
    // Never waits on a FIFO nor reads a device: only a regular file, and no
    // more of it than the table can hold.
    auto read = AtomicFile::readRegular(path, MAX_FILE_BYTES);
    using Status = AtomicFile::ReadResult::Status;
    if (read.status == Status::Missing) {
        return;
    }
    if (read.status == Status::NotRegular || read.status == Status::Failed) {
        std::cerr << "HighScoreTable: Could not read " << escapedForLog(path)
                  << " (not a regular file, or unreadable); starting without local high scores."
                  << std::endl;
        return;
    }
    std::string& text = read.text;
    if (read.status == Status::TooLarge) {
        // The line the limit cuts through goes with the rest; the backup
        // keeps all of it.
        const std::size_t lastBreak = text.rfind('\n');
        text.resize(lastBreak == std::string::npos ? 0 : lastBreak + 1);
        std::cerr << "HighScoreTable: Ignoring everything after the first " << text.size()
                  << " bytes of " << escapedForLog(path) << std::endl;
        originalNeedsBackup = true;
    }
    std::istringstream lines(text);
    std::string line;
    std::size_t lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        if (!parseLine(line, lineNumber)) {
            originalNeedsBackup = true;
        }
    }
    for (auto& list : table) {
        sortBestFirst(list);
    }
}

// Returns false only for a malformed line (one that is worth a warning and a
// backup); short lines are skipped silently as they always were.
bool HighScoreTable::parseLine(const std::string& line, std::size_t lineNumber) {
    const std::vector<std::string> fields = splitFirstFields(line, FIELDS_PER_LINE);
    if (fields.size() < FIELDS_PER_LINE) {
        return true;
    }
    const std::optional<int> level = readNumber(fields[0]);
    const std::optional<int> score = readNumber(fields[2]);
    const std::optional<int> stars = readNumber(fields[3]);
    const char* problem = nullptr;
    if (!level || *level < 0 || *level >= MAX_LEVEL_COUNT) {
        problem = "bad level index";
    } else if (!score) {
        problem = "bad score";
    } else if (!stars) {
        problem = "bad stars";
    }
    if (problem != nullptr) {
        std::cerr << "HighScoreTable: Skipping malformed line " << lineNumber << " of "
                  << escapedForLog(path) << " (" << problem << "): " << escapedForLog(line)
                  << std::endl;
        return false;
    }
    listFor(*level).push_back(HighScore{fields[1], *score, *stars});
    return true;
}

std::vector<HighScore>& HighScoreTable::listFor(int level) {
    if (table.size() <= static_cast<std::size_t>(level)) {
        table.resize(static_cast<std::size_t>(level) + 1);
    }
    return table[static_cast<std::size_t>(level)];
}

bool HighScoreTable::addHighScore(int level, const std::string& name, int score, int stars) {
    if (level < 0 || level >= MAX_LEVEL_COUNT) {
        std::cerr << "HighScoreTable: Refusing entry for invalid level index " << level
                  << std::endl;
        return false;
    }
    std::vector<HighScore>& list = listFor(level);
    if (!wouldQualify(level, score)) {
        return false;
    }
    list.push_back(HighScore{sanitizedName(name), score, stars});
    sortBestFirst(list);
    if (list.size() > MAX_ENTRIES_PER_LEVEL) {
        list.resize(MAX_ENTRIES_PER_LEVEL);
    }
    saveHighScores();
    return true;
}

const std::vector<HighScore>& HighScoreTable::getHighScores(int level) const {
    if (level < 0 || static_cast<std::size_t>(level) >= table.size()) {
        return emptyList();
    }
    return table[static_cast<std::size_t>(level)];
}

bool HighScoreTable::wouldQualify(int level, int score) const {
    if (level < 0 || level >= MAX_LEVEL_COUNT) {
        return false;
    }
    const std::vector<HighScore>& list = getHighScores(level);
    return list.size() < MAX_ENTRIES_PER_LEVEL || score > list.back().score;
}

std::string HighScoreTable::backupPath() const {
    return AtomicFile::backupPathFor(path);
}

std::string HighScoreTable::temporaryPath() const {
    return AtomicFile::temporaryPathFor(path);
}

// Written whole and renamed over the old file, so a failed or interrupted
// save never leaves a truncated table.
bool HighScoreTable::saveHighScores() {
    if (!writeBackupIfNeeded()) {
        return false;
    }
    const std::string error = AtomicFile::write(path, serialized());
    if (!error.empty()) {
        std::cerr << "HighScoreTable: Could not save " << path << " (" << error
                  << "); it was left unchanged." << std::endl;
        return false;
    }
    return true;
}

std::string HighScoreTable::serialized() const {
    std::ostringstream out;
    for (std::size_t level = 0; level < table.size(); ++level) {
        for (const HighScore& entry : table[level]) {
            out << level << ',' << entry.name << ',' << entry.score << ',' << entry.stars << '\n';
        }
    }
    return out.str();
}

// A file that had malformed lines still holds them on disk; the rewrite would
// drop them, so the original is copied aside first, to a backup name of its
// own: a backup from an earlier run holds lines this one never saw.
bool HighScoreTable::writeBackupIfNeeded() {
    if (!originalNeedsBackup) {
        return true;
    }
    std::error_code error;
    if (!std::filesystem::exists(path, error)) {
        // Removed while the game ran: nothing left that a backup could keep.
        originalNeedsBackup = false;
        return true;
    }
    // Kept under a second name, not copied: the damaged file may be of any
    // size.
    std::string problem;
    if (!AtomicFile::keepAsFreeBackup(path, problem)) {
        std::cerr << "HighScoreTable: Could not back up " << path << " (" << problem
                  << "); the file was not rewritten." << std::endl;
        return false;
    }
    originalNeedsBackup = false;
    return true;
}

#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// The best a level has seen on this computer: its highest score and its most
// stars, each kept on its own (a three-star win may score less than an
// earlier two-star one).
struct LevelBest {
    int score = 0;
    int stars = 0; // 0: never completed
    bool completed() const { return stars > 0; }
};

// What recording a completed level improved.
struct ProgressUpdate {
    // Beat the stored best score; the first completion of a level beats "no
    // best".
    bool newBestScore = false;
    bool newBestStars = false;
};

// The player's progress on this computer, whoever is signed in: per level,
// the best score and the best stars ever reached, kept in a small text file
// of "level,score,stars" lines, and the kinds of bird and enemy the player
// has met, a "met,name" line each (files from before them read as ever).
// Read once at start; rewritten whole, through a temporary file renamed over
// it, whenever a completed level improves on it or a kind is met.
// Everything read from the file is checked: a bad line is skipped with a
// warning, never trusted.
class ProgressTable {
public:
    static constexpr std::string_view FILE_NAME = "progress.txt";
    static constexpr int MAX_STARS = 3;
    // More than any level can earn; a larger number in the file is not ours.
    static constexpr int MAX_SCORE = 100'000'000;
    // The file holds a line per level; one far larger is not a progress file.
    static constexpr std::size_t MAX_FILE_BYTES = 64 * 1024;
    // A met kind's name: lower-case letters, digits, '_' and '/', this long
    // at most; and at most this many are kept.
    static constexpr std::size_t MAX_MET_NAME = 40;
    static constexpr std::size_t MAX_MET = 64;

    // Levels 0 to levelCount - 1. An empty path keeps progress for this run
    // only (tools that play levels must not change the player's).
    ProgressTable(std::string path, int levelCount);

    // A missing file means no progress, silently; a malformed line, an
    // oversized or unreadable file mean no progress from it, with a warning.
    void load();

    // A completed level's result: keeps the better score and the better
    // stars, and rewrites the file when either improved.
    ProgressUpdate record(int level, int score, int stars);

    // The best of a level; no best for a level outside the table.
    const LevelBest& best(int level) const;
    const std::vector<LevelBest>& levels() const { return bests; }
    int levelCount() const { return static_cast<int>(bests.size()); }
    int totalStars() const;
    int possibleStars() const { return levelCount() * MAX_STARS; }

    // The kinds met so far. meet() keeps a new one and rewrites the file;
    // a name that could not be read back is refused (false).
    bool hasMet(std::string_view name) const;
    bool meet(std::string_view name);
    const std::vector<std::string>& metKinds() const { return met; }

    // Rewrites the file from the table; false (with a warning) when it had
    // to be left as it was.
    bool save();
    // The file's text for the table.
    std::string contents() const;

    const std::string& getPath() const { return path; }

private:
    // Reads one line into the table; the reason it is malformed otherwise.
    const char* readLine(std::string_view line);
    bool keepDamagedFile();

    std::string path;
    std::vector<LevelBest> bests;
    std::vector<std::string> met;
    // The file on disk holds lines the table dropped: it is copied to the
    // first free backup name before the first rewrite, so a hand edit gone
    // wrong is never lost.
    bool damagedOnDisk = false;
};

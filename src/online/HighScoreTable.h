#pragma once

#include "online/HighScore.h"

#include <cstddef>
#include <string>
#include <vector>

// The local best runs per level, kept in a small comma-separated text file
// ("level,name,score,stars" per line). Read once at start-up, rewritten whole
// whenever an entry is added.
class HighScoreTable {
public:
    static constexpr std::size_t MAX_ENTRIES_PER_LEVEL = 5;
    // Level indices at or above this are refused: a stray huge index in a
    // hand-edited file would otherwise make the table allocate millions of
    // empty lists.
    static constexpr int MAX_LEVEL_COUNT = 1000;

    explicit HighScoreTable(std::string path = "../resources/highscores.txt");

    // Fills the table from the file. A missing file leaves it empty; malformed
    // lines are skipped with a warning and the original file is kept as a
    // backup before it is first rewritten.
    void loadHighScores();

    // Returns true when the entry entered the level's list (the file has then
    // been rewritten), false when it did not qualify.
    bool addHighScore(int level, const std::string& name, int score, int stars);

    // Rewrites the whole file; returns false (and warns) when the old file had
    // to be left as it was.
    bool saveHighScores();

    // The list of a level, best first; empty for a level without entries.
    const std::vector<HighScore>& getHighScores(int level) const;

    // True when `score` would enter the level's list: it has fewer than five
    // entries, or the score beats the lowest one.
    bool wouldQualify(int level, int score) const;

    const std::string& getPath() const { return path; }
    std::string backupPath() const { return path + ".bak"; }
    std::string temporaryPath() const { return path + ".tmp"; }

private:
    bool parseLine(const std::string& line, std::size_t lineNumber);
    std::vector<HighScore>& listFor(int level);
    bool writeBackupIfNeeded();
    bool writeTemporaryFile() const;

    std::string path;
    std::vector<std::vector<HighScore>> table;
    // Set when loading skipped a malformed line: the file on disk still holds
    // it, so it is copied aside before the first rewrite.
    bool originalNeedsBackup = false;
};

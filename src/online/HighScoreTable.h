#pragma once

#include "assets/DataPaths.h"
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
    // A real file is a few hundred bytes; reading stops here so that a stray
    // huge file cannot stall start-up or fill memory.
    static constexpr std::size_t MAX_FILE_BYTES = 1024 * 1024;

    // By default the checkout's table, beside its resources folder.
    explicit HighScoreTable(std::string path = "../" + std::string(DataPaths::RESOURCE_DIR) + "/" +
                                               std::string(DataPaths::HIGH_SCORE_FILE));

    // Fills the table from the file. A missing file leaves it empty; malformed
    // lines (and anything past MAX_FILE_BYTES) are skipped with a warning and
    // the original file is copied to a backup of its own before it is first
    // rewritten: backupPath() if free, else the next free of ".bak.1",
    // ".bak.2"... so no earlier backup is ever overwritten.
    void loadHighScores();

    // Returns true when the entry entered the level's list (the file has then
    // been rewritten), false when it did not qualify.
    bool addHighScore(int level, const std::string& name, int score, int stars);

    // Rewrites the whole file in one atomic step (see AtomicFile): a symlink
    // keeps pointing at the updated file and the file keeps its mode. Returns
    // false (and warns) when the old file had to be left as it was.
    bool saveHighScores();

    // The list of a level, best first; empty for a level without entries.
    const std::vector<HighScore>& getHighScores(int level) const;

    // True when `score` would enter the level's list: it has fewer than five
    // entries, or the score beats the lowest one.
    bool wouldQualify(int level, int score) const;

    const std::string& getPath() const { return path; }
    // The first backup name; later ones are AtomicFile::backupPathFor(path, n).
    std::string backupPath() const;
    std::string temporaryPath() const;

private:
    bool parseLine(const std::string& line, std::size_t lineNumber);
    std::vector<HighScore>& listFor(int level);
    bool writeBackupIfNeeded();
    std::string serialized() const;

    std::string path;
    std::vector<std::vector<HighScore>> table;
    // Set when loading skipped a malformed line: the file on disk still holds
    // it, so it is copied aside before the first rewrite.
    bool originalNeedsBackup = false;
};

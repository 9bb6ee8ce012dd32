#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Scores a signed-in player earned that never reached the scores service
// (no answer, or the session was lost on the way). They wait in
// pending_scores.json in the player's data folder, each with the account it
// belongs to, and are sent again later, oldest first. The file is rewritten
// atomically after every change, holds at most MAX_ENTRIES (the oldest go
// first), and is read back as strictly as a network answer: entries that
// the game would never have written are dropped.
class PendingScores {
public:
    static constexpr std::string_view FILE_NAME = "pending_scores.json";
    static constexpr int FORMAT_VERSION = 1;
    static constexpr std::size_t MAX_ENTRIES = 64;
    static constexpr std::size_t MAX_FILE_SIZE = 64 * 1024;
    static constexpr std::size_t MAX_USER_ID_LENGTH = 128;
    static constexpr int MAX_LEVEL_INDEX = 999;

    struct Entry {
        std::uint64_t id = 0; // grows with every score kept; never reused
        std::string userId;
        int level = 0;
        int score = 0;
    };

    // An empty path keeps the scores for this run only.
    explicit PendingScores(std::string path);
    static PendingScores forThisProcess();

    // Replaces what is held with the file's entries (none when it is
    // missing; a warning when it cannot be used).
    void load(std::ostream& warnings);
    // Keeps a score and saves; false (with a warning) when the file could not
    // be written, though the score is still held for this run.
    bool add(const std::string& userId, int level, int score, std::ostream& warnings);
    // The oldest score kept for `userId`.
    std::optional<Entry> oldestFor(const std::string& userId) const;
    bool hasAnyFor(const std::string& userId) const { return oldestFor(userId).has_value(); }
    // Forgets the entry with `id` (sent, or refused for good) and saves.
    bool remove(std::uint64_t id, std::ostream& warnings);
    const std::vector<Entry>& entries() const { return held; }

    static std::string serialize(const std::vector<Entry>& entries, std::uint64_t nextId);
    // The entries of `text` (bad ones dropped) and the next id to give.
    static std::vector<Entry> parse(std::string_view text, std::uint64_t& nextId, std::string& why);

private:
    bool save(std::ostream& warnings) const;

    std::string path;
    std::vector<Entry> held;
    std::uint64_t nextId = 1;
};

#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;

namespace backend {

struct UserRecord {
    std::string id;
    std::string email;
    std::string passwordHash;
    nlohmann::json userMetadata = nlohmann::json::object();
    std::int64_t createdAtMicros = 0;
    std::int64_t lastSignInAtMicros = 0; // 0: never signed in
};

struct ScoreEntry {
    std::string username;
    int score = 0;
};

// The answer of a read: ok is false when the database failed (the failure is
// already on standard error), in which case value is meaningless.
template <typename T> struct StoreResult {
    bool ok = false;
    T value{};
};

// One refresh token's row: whose it is, the session it continues, when that
// session began (the password sign-in), and whether it was used already.
struct RefreshTokenRecord {
    std::string userId;
    std::string sessionId;
    std::int64_t signedInAtMicros = 0;
    bool used = false;
};

enum class CreateUserOutcome { Created, EmailTaken, UsernameRefused, Failed };
enum class StoreScoreOutcome { Written, UnknownUser, Failed };
enum class RotateOutcome { Rotated, AlreadyUsed, Failed };

// The stand-in's persistent state in one SQLite file: users with their
// password hashes, the public profiles that carry the user names, and each
// player's best score per level.
//
// Safe to use from many threads at once: each operation borrows its own
// connection from a small pool, the file is in WAL mode (readers never wait
// for the writer), writers of this process take turns on a mutex (woken at
// once, where SQLite's busy handler would sleep and poll), and writers of
// other processes queue behind a busy timeout instead of failing.
class Store {
public:
    // Opens (creating when needed) the database file and its schema. Null and
    // an error text when the file cannot be used. Missing folders on the way
    // are made readable by the user only (0700), and so is a new file (0600);
    // SQLite gives its journal files the mode of the database.
    static std::unique_ptr<Store> open(const std::string& path, std::string& error);

    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Adds the user and its profile as one transaction: either both exist
    // afterwards or neither. The user name is unique ignoring (ASCII) case; a
    // missing or blank one is refused like a taken one.
    CreateUserOutcome createUser(const UserRecord& user,
                                 const std::optional<std::string>& username);

    StoreResult<bool> emailExists(const std::string& email);
    StoreResult<std::optional<UserRecord>> findUserByEmail(const std::string& email);
    StoreResult<std::optional<UserRecord>> findUserById(const std::string& userId);
    bool recordSignIn(const std::string& userId, std::int64_t atMicros);

    StoreResult<std::optional<std::string>> emailForUsername(const std::string& username);

    // Keeps one row per player and level and replaces its score only by a
    // higher one, in a single statement so that concurrent stores for the
    // same player cannot lose the better score.
    StoreScoreOutcome storeScore(const std::string& userId, int levelId, int score,
                                 std::int64_t reachedAtMicros);

    // The level's best rows, highest first; equal scores in the order they
    // were reached.
    StoreResult<std::vector<ScoreEntry>> topScores(int levelId, int limit);

    StoreResult<std::optional<int>> scoreOf(const std::string& userId, int levelId);

    // Refresh tokens are kept only as hashes (tokenHash): a copy of the
    // database cannot sign anyone in.
    bool addRefreshToken(const std::string& tokenHash, const RefreshTokenRecord& record,
                         std::int64_t createdAtMicros);
    StoreResult<std::optional<RefreshTokenRecord>> findRefreshToken(const std::string& tokenHash);
    // Marks the old token used and adds its successor to the same session,
    // as one transaction; AlreadyUsed when another request used it first.
    RotateOutcome rotateRefreshToken(const std::string& oldHash, const std::string& newHash,
                                     const RefreshTokenRecord& record,
                                     std::int64_t createdAtMicros);
    // Marks every token of the session used: a used token presented again
    // means it was copied, so the whole session ends.
    bool endSession(const std::string& sessionId);

private:
    class Connection;
    class Lease;

    explicit Store(std::string path);
    std::unique_ptr<Connection> openConnection(std::string& error) const;
    Lease borrow();
    StoreResult<std::optional<UserRecord>> findUser(const char* sql, const std::string& key);
    void giveBack(std::unique_ptr<Connection> connection);

    // Copies the write-ahead log back into the database on a thread of its
    // own, so that no request waits for a checkpoint and its disk flush.
    class Checkpointer;

    std::string path;
    std::mutex poolMutex;
    std::mutex writeMutex;
    std::vector<std::unique_ptr<Connection>> idleConnections;
    // Last, so it stops before the connections close.
    std::unique_ptr<Checkpointer> checkpointer;
};

} // namespace backend

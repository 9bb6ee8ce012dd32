#pragma once

#include <atomic>
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
    // The score came with a replay the server played to it.
    bool verified = false;
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
    std::int64_t createdAtMicros = 0; // filled by findRefreshToken
};

enum class CreateUserOutcome { Created, EmailTaken, UsernameRefused, Failed, Unavailable };
enum class StoreScoreOutcome { Written, UnknownUser, Failed, Unavailable };
enum class RotateOutcome { Rotated, AlreadyUsed, Failed, Unavailable };

// The stand-in's persistent state in one SQLite file: users with their
// password hashes, the public profiles that carry the user names, and each
// player's best score per level.
//
// Safe to use from many threads at once: operations take turns on one
// connection. By default the process holds the file for itself (SQLite's
// exclusive locking mode): the write-ahead log's index then lives on the
// heap instead of in a shared-memory file that another process could
// truncate under the server (a SIGBUS), and no other process can write
// behind the server's back.
//
// Writes check first that the file open is still the one at the path: one
// deleted or replaced while serving would take the writes with it, so they
// are refused (Unavailable) rather than answered as kept.
class Store {
public:
    // Opens (creating when needed) the database file and its schema. Null and
    // an error text when the file cannot be used. Missing folders on the way
    // are made readable by the user only (0700), and so is a new file (0600);
    // SQLite gives its journal files the mode of the database.
    //
    // Shared leaves the file open to other processes while the store uses it
    // (for tests that look into it); the write-ahead log's index is then a
    // shared-memory file again.
    enum class Locking { Exclusive, Shared };
    static std::unique_ptr<Store> open(const std::string& path, std::string& error,
                                       Locking locking = Locking::Exclusive);

    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // Adds the user and its profile as one transaction: either both exist
    // afterwards or neither. The user name is unique ignoring (ASCII) case; a
    // missing or blank one is refused like a taken one.
    CreateUserOutcome createUser(const UserRecord& user,
                                 const std::optional<std::string>& username);

    // False once the file at the path is no longer the one open (deleted,
    // or replaced); said once on standard error.
    bool fileIsCurrent();

    StoreResult<bool> emailExists(const std::string& email);
    StoreResult<std::optional<UserRecord>> findUserByEmail(const std::string& email);
    StoreResult<std::optional<UserRecord>> findUserById(const std::string& userId);
    bool recordSignIn(const std::string& userId, std::int64_t atMicros);

    StoreResult<std::optional<std::string>> emailForUsername(const std::string& username);

    // Keeps one row per player and level and replaces its score only by a
    // higher one, in a single statement so that concurrent stores for the
    // same player cannot lose the better score. The verified flag goes with
    // the score it came with; an equal score proven later marks the row
    // verified. Stores that arrive together are written in one transaction
    // (group commit).
    StoreScoreOutcome storeScore(const std::string& userId, int levelId, int score,
                                 std::int64_t reachedAtMicros, bool verified = false);

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
    // Deletes the refresh tokens of a sign-out: of the one session, or of all
    // the user's sessions but exceptSessionId (empty: all of them).
    bool deleteSession(const std::string& sessionId);
    bool deleteUserSessions(const std::string& userId, const std::string& exceptSessionId);

private:
    class Connection;
    class Lease;

    explicit Store(std::string path);
    std::unique_ptr<Connection> openConnection(std::string& error) const;
    // Brings a file of an earlier layout to this one, inside the opening
    // transaction.
    static bool upgradeSchema(Connection& connection);
    Lease borrow();
    StoreResult<std::optional<UserRecord>> findUser(const char* sql, const std::string& key);
    bool deleteUserSessions(const std::string& userId, const std::string& sessionId,
                            bool onlyThatSession);

    struct PendingScore {
        std::string userId;
        int levelId = 0;
        int score = 0;
        std::int64_t reachedAtMicros = 0;
        bool verified = false;
        StoreScoreOutcome outcome = StoreScoreOutcome::Failed;
        bool done = false; // guarded by batchMutex
    };
    void writeScores(const std::vector<PendingScore*>& batch);

    // Copies the write-ahead log back into the database on a thread of its
    // own, so that no request waits for a checkpoint and its disk flush.
    class Checkpointer;

    std::string path;
    // The file opened, to tell it from another one put at the path later.
    std::uint64_t fileDevice = 0;
    std::uint64_t fileInode = 0;
    std::atomic<bool> detachedReported{false};
    std::mutex batchMutex;
    std::condition_variable batchFinished;
    std::vector<PendingScore*> waitingScores;
    bool batchRunning = false;
    std::mutex connectionMutex;
    std::unique_ptr<Connection> connection;
    // Last, so it stops before the connection closes.
    std::unique_ptr<Checkpointer> checkpointer;
};

} // namespace backend

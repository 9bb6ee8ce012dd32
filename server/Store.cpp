#include "server/Store.h"

#include "online/BoundedJson.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <iostream>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>

namespace backend {

namespace {

constexpr int BUSY_TIMEOUT_MS = 10000;

// Every statement is idempotent, so opening an existing database is the same
// as creating a new one. user_version marks the layout for later upgrades.
constexpr const char* SCHEMA_SQL = R"sql(
CREATE TABLE IF NOT EXISTS users (
    id              TEXT PRIMARY KEY,
    email           TEXT NOT NULL UNIQUE,
    password_hash   TEXT NOT NULL,
    user_metadata   TEXT NOT NULL DEFAULT '{}',
    created_at      INTEGER NOT NULL,
    last_sign_in_at INTEGER
);
CREATE TABLE IF NOT EXISTS profiles (
    id       TEXT PRIMARY KEY REFERENCES users (id) ON DELETE CASCADE,
    username TEXT NOT NULL UNIQUE COLLATE NOCASE CHECK (length(trim(username)) > 0)
);
CREATE TABLE IF NOT EXISTS scores (
    id         INTEGER PRIMARY KEY,
    user_id    TEXT NOT NULL REFERENCES profiles (id) ON DELETE CASCADE,
    level_id   INTEGER NOT NULL,
    score      INTEGER NOT NULL,
    reached_at INTEGER NOT NULL,
    verified   INTEGER NOT NULL DEFAULT 0,
    UNIQUE (user_id, level_id)
);
CREATE INDEX IF NOT EXISTS scores_level_rank ON scores (level_id, score DESC, reached_at, id);
CREATE TABLE IF NOT EXISTS refresh_tokens (
    token_hash   TEXT PRIMARY KEY,
    user_id      TEXT NOT NULL REFERENCES users (id) ON DELETE CASCADE,
    session_id   TEXT NOT NULL,
    signed_in_at INTEGER NOT NULL,
    created_at   INTEGER NOT NULL,
    used         INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX IF NOT EXISTS refresh_tokens_session ON refresh_tokens (session_id);
)sql";
// The layout this version writes. Files of layout 2 (before scores carried
// the verified flag) gain the column when opened.
constexpr int SCHEMA_VERSION = 3;
constexpr const char* ADD_VERIFIED_SQL =
    "ALTER TABLE scores ADD COLUMN verified INTEGER NOT NULL DEFAULT 0";

constexpr const char* INSERT_USER_SQL =
    "INSERT INTO users (id, email, password_hash, user_metadata, created_at) "
    "VALUES (?1, ?2, ?3, ?4, ?5)";
constexpr const char* INSERT_PROFILE_SQL = "INSERT INTO profiles (id, username) VALUES (?1, ?2)";
constexpr const char* EMAIL_EXISTS_SQL = "SELECT 1 FROM users WHERE email = ?1";
constexpr const char* FIND_USER_SQL = "SELECT id, email, password_hash, user_metadata, created_at, "
                                      "coalesce(last_sign_in_at, 0) FROM users WHERE email = ?1";
constexpr const char* FIND_USER_BY_ID_SQL =
    "SELECT id, email, password_hash, user_metadata, created_at, "
    "coalesce(last_sign_in_at, 0) FROM users WHERE id = ?1";
constexpr const char* RECORD_SIGN_IN_SQL = "UPDATE users SET last_sign_in_at = ?2 WHERE id = ?1";
constexpr const char* EMAIL_FOR_USERNAME_SQL =
    "SELECT u.email FROM profiles p JOIN users u ON u.id = p.id WHERE p.username = ?1";
constexpr const char* UPSERT_SCORE_SQL =
    "INSERT INTO scores (user_id, level_id, score, reached_at, verified) "
    "VALUES (?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT (user_id, level_id) DO UPDATE "
    "SET score = excluded.score, verified = excluded.verified, "
    "reached_at = CASE WHEN excluded.score > scores.score THEN excluded.reached_at "
    "ELSE scores.reached_at END "
    "WHERE excluded.score > scores.score "
    "OR (excluded.score = scores.score AND excluded.verified > scores.verified)";
constexpr const char* TOP_SCORES_SQL =
    "SELECT p.username, s.score, s.verified FROM scores s JOIN profiles p ON p.id = s.user_id "
    "WHERE s.level_id = ?1 ORDER BY s.score DESC, s.reached_at, s.id LIMIT ?2";
constexpr const char* SCORE_OF_SQL =
    "SELECT score FROM scores WHERE user_id = ?1 AND level_id = ?2";
constexpr const char* INSERT_REFRESH_TOKEN_SQL =
    "INSERT INTO refresh_tokens (token_hash, user_id, session_id, signed_in_at, created_at) "
    "VALUES (?1, ?2, ?3, ?4, ?5)";
constexpr const char* FIND_REFRESH_TOKEN_SQL =
    "SELECT user_id, session_id, signed_in_at, used, "
    "created_at FROM refresh_tokens WHERE token_hash = ?1";
constexpr const char* USE_REFRESH_TOKEN_SQL =
    "UPDATE refresh_tokens SET used = 1 WHERE token_hash = ?1 AND used = 0";
constexpr const char* END_SESSION_SQL = "UPDATE refresh_tokens SET used = 1 WHERE session_id = ?1";
constexpr const char* DELETE_SESSION_SQL = "DELETE FROM refresh_tokens WHERE session_id = ?1";
constexpr const char* DELETE_USER_SESSIONS_SQL =
    "DELETE FROM refresh_tokens WHERE user_id = ?1 AND session_id <> ?2";

// Creates the missing folders of the path's parent, each private to the
// user. Existing folders keep their modes: they may be shared on purpose.
bool makePrivateParents(const std::string& path, std::string& error) {
    const auto parent = std::filesystem::path(path).parent_path();
    if (parent.empty()) {
        return true;
    }
    std::filesystem::path partial;
    for (const auto& component : parent) {
        partial /= component;
        if (::mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) {
            error = "cannot create " + partial.string() + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

// Creates the database file private to the user if it does not exist yet,
// before SQLite would create it with the default 0644.
bool makePrivateFile(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::close(fd);
        return true;
    }
    if (errno == EEXIST) {
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && (info.st_mode & 077) != 0) {
            std::cerr << "Store: warning: " << path
                      << " is readable by other users; chmod 600 it to keep password hashes "
                         "private"
                      << std::endl;
        }
        return true;
    }
    error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
}

void reportFailure(sqlite3* db, const char* what) {
    std::cerr << "Store: " << what << ": " << (db ? sqlite3_errmsg(db) : "no connection")
              << std::endl;
}

// Leaves a cached statement ready for its next use whichever way the
// operation ends.
class StatementScope {
public:
    explicit StatementScope(sqlite3_stmt* statement) : statement(statement) {}
    ~StatementScope() {
        if (statement) {
            sqlite3_reset(statement);
            sqlite3_clear_bindings(statement);
        }
    }
    StatementScope(const StatementScope&) = delete;
    StatementScope& operator=(const StatementScope&) = delete;

private:
    sqlite3_stmt* statement;
};

void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

std::string columnText(sqlite3_stmt* statement, int column) {
    const auto* text = sqlite3_column_text(statement, column);
    return text ? std::string(reinterpret_cast<const char*>(text)) : std::string();
}

bool isConstraintFailure(int resultCode) {
    return (resultCode & 0xFF) == SQLITE_CONSTRAINT;
}

} // namespace

// One SQLite connection with its prepared statements, used by one thread at a
// time.
class Store::Connection {
public:
    explicit Connection(sqlite3* db) : db(db) {}
    ~Connection() {
        for (auto& [sql, statement] : statements) {
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* handle() const { return db; }

    // Statements are cached by the address of their (static) text.
    sqlite3_stmt* statement(const char* sql) {
        auto found = statements.find(sql);
        if (found != statements.end()) {
            return found->second;
        }
        sqlite3_stmt* prepared = nullptr;
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &prepared, nullptr) !=
            SQLITE_OK) {
            reportFailure(db, "cannot prepare a statement");
            return nullptr;
        }
        statements.emplace(sql, prepared);
        return prepared;
    }

    bool exec(const char* sql) {
        char* message = nullptr;
        if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
            std::cerr << "Store: " << (message ? message : "statement failed") << std::endl;
            sqlite3_free(message);
            return false;
        }
        return true;
    }

private:
    sqlite3* db;
    std::unordered_map<const char*, sqlite3_stmt*> statements;
};

// The store's connection, held for the length of one operation.
class Store::Lease {
public:
    explicit Lease(Store& store)
        : lock(store.connectionMutex), connection(store.connection.get()) {}
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

    explicit operator bool() const { return connection != nullptr; }
    Connection* operator->() const { return connection; }

private:
    std::unique_lock<std::mutex> lock;
    Connection* connection;
};

// SQLite would checkpoint inside the commit that fills the log past its
// threshold, so one request in a thousand paid for copying the log and
// flushing the file (a 99th percentile of 24 ms for score stores at 16
// connections, against 3 ms without). Here every commit only reports the
// log's size; past the threshold a thread of its own runs a passive
// checkpoint on its own connection, which never blocks readers or writers.
class Store::Checkpointer {
public:
    // SQLite's own default threshold, in pages of the log.
    static constexpr int LOG_PAGES = 1000;
    static constexpr int BACKLOG_PAGES = 2 * LOG_PAGES;

    explicit Checkpointer(Store& store) : store(store), thread([this] { run(); }) {}
    ~Checkpointer() {
        {
            std::lock_guard lock(mutex);
            stopping = true;
        }
        wake.notify_one();
        thread.join();
    }
    Checkpointer(const Checkpointer&) = delete;
    Checkpointer& operator=(const Checkpointer&) = delete;

    // Installed on the connection: runs after each commit, while the writer
    // still holds the connection.
    static int committed(void* self, sqlite3* db, const char*, int logPages) {
        if (logPages >= BACKLOG_PAGES) {
            // The thread cannot keep up (readers of other processes on old
            // snapshots hold the log back): this writer checkpoints itself, as SQLite would, and
            // the writers queued behind it wait, so the log cannot grow
            // without bound and slow every read down.
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        } else if (self != nullptr && logPages >= LOG_PAGES) {
            static_cast<Checkpointer*>(self)->request();
        }
        return SQLITE_OK;
    }

private:
    void request() {
        {
            std::lock_guard lock(mutex);
            wanted = true;
        }
        wake.notify_one();
    }

    void run() {
        std::unique_lock lock(mutex);
        for (;;) {
            wake.wait(lock, [this] { return wanted || stopping; });
            if (stopping) {
                return;
            }
            wanted = false;
            lock.unlock();
            {
                // Busy (another process reading an old snapshot of a shared
                // file) is normal: the next request tries again.
                auto lease = store.borrow();
                if (lease) {
                    sqlite3_wal_checkpoint_v2(lease->handle(), nullptr, SQLITE_CHECKPOINT_PASSIVE,
                                              nullptr, nullptr);
                }
            }
            lock.lock();
        }
    }

    Store& store;
    std::mutex mutex;
    std::condition_variable wake;
    bool wanted = false;
    bool stopping = false;
    std::thread thread; // last: starts once everything above is ready
};

Store::Store(std::string path) : path(std::move(path)) {}

Store::~Store() {
    // The checkpointer borrows the connection; it stops first.
    checkpointer.reset();
}

std::unique_ptr<Store> Store::open(const std::string& path, std::string& error, Locking locking) {
    if (!makePrivateParents(path, error) || !makePrivateFile(path, error)) {
        return nullptr;
    }
    std::unique_ptr<Store> store(new Store(path));
    auto connection = store->openConnection(error);
    if (!connection) {
        return nullptr;
    }
    // Exclusive before WAL: a log opened in exclusive mode keeps its index on
    // the heap, with no shared-memory file at all. WAL is a property of the
    // file and persists; its commits are appends.
    if ((locking == Locking::Exclusive && !connection->exec("PRAGMA locking_mode = EXCLUSIVE")) ||
        !connection->exec("PRAGMA journal_mode = WAL") || !connection->exec("BEGIN IMMEDIATE")) {
        error = "cannot prepare the database " + path +
                (locking == Locking::Exclusive ? " (is another process using it?)" : "");
        return nullptr;
    }
    if (!connection->exec(SCHEMA_SQL) || !upgradeSchema(*connection) ||
        !connection->exec("COMMIT")) {
        connection->exec("ROLLBACK");
        error = "cannot create the schema in " + path;
        return nullptr;
    }
    struct stat opened {};
    if (::stat(path.c_str(), &opened) != 0) {
        error = "cannot stat " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    store->fileDevice = static_cast<std::uint64_t>(opened.st_dev);
    store->fileInode = static_cast<std::uint64_t>(opened.st_ino);
    store->connection = std::move(connection);
    store->checkpointer = std::make_unique<Checkpointer>(*store);
    // Replaces SQLite's checkpoint inside the commit (see Checkpointer).
    sqlite3_wal_hook(store->connection->handle(), &Checkpointer::committed,
                     store->checkpointer.get());
    return store;
}

bool Store::upgradeSchema(Connection& connection) {
    // A file made before scores carried the flag has the table without it
    // (CREATE TABLE IF NOT EXISTS left the old table as it was).
    sqlite3_stmt* probe = nullptr;
    const bool hasVerified =
        sqlite3_prepare_v2(connection.handle(), "SELECT verified FROM scores LIMIT 0", -1, &probe,
                           nullptr) == SQLITE_OK;
    sqlite3_finalize(probe);
    if (!hasVerified && !connection.exec(ADD_VERIFIED_SQL)) {
        return false;
    }
    const std::string version = "PRAGMA user_version = " + std::to_string(SCHEMA_VERSION);
    return connection.exec(version.c_str());
}

std::unique_ptr<Store::Connection> Store::openConnection(std::string& error) const {
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
    if (sqlite3_open_v2(path.c_str(), &db, flags, nullptr) != SQLITE_OK) {
        error = "cannot open " + path + ": " + (db ? sqlite3_errmsg(db) : "out of memory");
        sqlite3_close(db);
        return nullptr;
    }
    auto connection = std::make_unique<Connection>(db);
    sqlite3_busy_timeout(db, BUSY_TIMEOUT_MS);
    sqlite3_extended_result_codes(db, 1);
    // synchronous = NORMAL is corruption-safe in WAL mode; only the last
    // commits before a power loss may be lost.
    if (!connection->exec("PRAGMA foreign_keys = ON") ||
        !connection->exec("PRAGMA synchronous = NORMAL")) {
        error = "cannot configure " + path;
        return nullptr;
    }
    return connection;
}

bool Store::fileIsCurrent() {
    struct stat now {};
    const bool same = ::stat(path.c_str(), &now) == 0 &&
                      static_cast<std::uint64_t>(now.st_dev) == fileDevice &&
                      static_cast<std::uint64_t>(now.st_ino) == fileInode;
    if (!same && !detachedReported.exchange(true)) {
        std::cerr << "Store: the database file " << path
                  << " was deleted or replaced while in use; refusing writes, which would be "
                     "lost (restart the server to use the file now at that path)"
                  << std::endl;
    }
    return same;
}

Store::Lease Store::borrow() {
    return Lease(*this);
}

CreateUserOutcome Store::createUser(const UserRecord& user,
                                    const std::optional<std::string>& username) {
    if (!fileIsCurrent()) {
        return CreateUserOutcome::Unavailable;
    }
    auto lease = borrow();
    if (!lease || !lease->exec("BEGIN IMMEDIATE")) {
        return CreateUserOutcome::Failed;
    }
    auto outcome = CreateUserOutcome::Created;
    {
        sqlite3_stmt* insertUser = lease->statement(INSERT_USER_SQL);
        sqlite3_stmt* insertProfile = lease->statement(INSERT_PROFILE_SQL);
        StatementScope userScope(insertUser);
        StatementScope profileScope(insertProfile);
        if (!insertUser || !insertProfile) {
            outcome = CreateUserOutcome::Failed;
        } else {
            bindText(insertUser, 1, user.id);
            bindText(insertUser, 2, user.email);
            bindText(insertUser, 3, user.passwordHash);
            bindText(insertUser, 4, user.userMetadata.dump());
            sqlite3_bind_int64(insertUser, 5, user.createdAtMicros);
            const int userResult = sqlite3_step(insertUser);
            if (isConstraintFailure(userResult)) {
                outcome = CreateUserOutcome::EmailTaken;
            } else if (userResult != SQLITE_DONE) {
                reportFailure(lease->handle(), "cannot add a user");
                outcome = CreateUserOutcome::Failed;
            } else {
                bindText(insertProfile, 1, user.id);
                if (username) {
                    bindText(insertProfile, 2, *username);
                }
                const int profileResult = sqlite3_step(insertProfile);
                if (isConstraintFailure(profileResult)) {
                    outcome = CreateUserOutcome::UsernameRefused;
                } else if (profileResult != SQLITE_DONE) {
                    reportFailure(lease->handle(), "cannot add a profile");
                    outcome = CreateUserOutcome::Failed;
                }
            }
        }
    }
    if (outcome == CreateUserOutcome::Created && lease->exec("COMMIT")) {
        return outcome;
    }
    lease->exec("ROLLBACK");
    return outcome == CreateUserOutcome::Created ? CreateUserOutcome::Failed : outcome;
}

StoreResult<bool> Store::emailExists(const std::string& email) {
    StoreResult<bool> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(EMAIL_EXISTS_SQL) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    bindText(statement, 1, email);
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot look up an e-mail");
        return result;
    }
    result.ok = true;
    result.value = step == SQLITE_ROW;
    return result;
}

StoreResult<std::optional<UserRecord>> Store::findUserByEmail(const std::string& email) {
    return findUser(FIND_USER_SQL, email);
}

StoreResult<std::optional<UserRecord>> Store::findUserById(const std::string& userId) {
    return findUser(FIND_USER_BY_ID_SQL, userId);
}

StoreResult<std::optional<UserRecord>> Store::findUser(const char* sql, const std::string& key) {
    StoreResult<std::optional<UserRecord>> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(sql) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    bindText(statement, 1, key);
    const int step = sqlite3_step(statement);
    if (step == SQLITE_DONE) {
        result.ok = true;
        return result;
    }
    if (step != SQLITE_ROW) {
        reportFailure(lease->handle(), "cannot look up a user");
        return result;
    }
    UserRecord user;
    user.id = columnText(statement, 0);
    user.email = columnText(statement, 1);
    user.passwordHash = columnText(statement, 2);
    // Rows written by older versions may hold any metadata the client sent.
    auto metadata = BoundedJson::parse(columnText(statement, 3));
    user.userMetadata = std::move(metadata.value);
    if (metadata.verdict != BoundedJson::Verdict::Parsed || !user.userMetadata.is_object()) {
        user.userMetadata = nlohmann::json::object();
    }
    user.createdAtMicros = sqlite3_column_int64(statement, 4);
    user.lastSignInAtMicros = sqlite3_column_int64(statement, 5);
    result.ok = true;
    result.value = std::move(user);
    return result;
}

bool Store::recordSignIn(const std::string& userId, std::int64_t atMicros) {
    if (!fileIsCurrent()) {
        return false;
    }
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(RECORD_SIGN_IN_SQL) : nullptr;
    if (!statement) {
        return false;
    }
    StatementScope scope(statement);
    bindText(statement, 1, userId);
    sqlite3_bind_int64(statement, 2, atMicros);
    if (sqlite3_step(statement) != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot record a sign-in");
        return false;
    }
    return true;
}

StoreResult<std::optional<std::string>> Store::emailForUsername(const std::string& username) {
    StoreResult<std::optional<std::string>> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(EMAIL_FOR_USERNAME_SQL) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    bindText(statement, 1, username);
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot look up a user name");
        return result;
    }
    result.ok = true;
    if (step == SQLITE_ROW) {
        result.value = columnText(statement, 0);
    }
    return result;
}

// Group commit: a store that arrives while another batch is being written
// waits for it, then the first of the waiting ones writes everything that
// arrived meanwhile in one transaction. Under load the cost of a commit is
// shared by all the stores that came together; alone, a store is written at
// once.
StoreScoreOutcome Store::storeScore(const std::string& userId, int levelId, int score,
                                    std::int64_t reachedAtMicros, bool verified) {
    if (!fileIsCurrent()) {
        return StoreScoreOutcome::Unavailable;
    }
    PendingScore mine{userId, levelId, score, reachedAtMicros, verified};
    std::unique_lock lock(batchMutex);
    waitingScores.push_back(&mine);
    while (!mine.done) {
        if (batchRunning) {
            batchFinished.wait(lock);
            continue;
        }
        batchRunning = true;
        std::vector<PendingScore*> batch;
        batch.swap(waitingScores);
        lock.unlock();
        writeScores(batch);
        lock.lock();
        for (auto* written : batch) {
            written->done = true;
        }
        batchRunning = false;
        batchFinished.notify_all();
    }
    return mine.outcome;
}

void Store::writeScores(const std::vector<PendingScore*>& batch) {
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(UPSERT_SCORE_SQL) : nullptr;
    const bool together = batch.size() > 1;
    if (!statement || (together && !lease->exec("BEGIN IMMEDIATE"))) {
        for (auto* pending : batch) {
            pending->outcome = StoreScoreOutcome::Failed;
        }
        return;
    }
    for (auto* pending : batch) {
        StatementScope scope(statement);
        bindText(statement, 1, pending->userId);
        sqlite3_bind_int(statement, 2, pending->levelId);
        sqlite3_bind_int(statement, 3, pending->score);
        sqlite3_bind_int64(statement, 4, pending->reachedAtMicros);
        sqlite3_bind_int(statement, 5, pending->verified ? 1 : 0);
        // A failed statement undoes only itself; the others stay in the
        // transaction.
        const int step = sqlite3_step(statement);
        if (step == SQLITE_DONE) {
            pending->outcome = StoreScoreOutcome::Written;
        } else if (step == SQLITE_CONSTRAINT_FOREIGNKEY) {
            pending->outcome = StoreScoreOutcome::UnknownUser;
        } else {
            reportFailure(lease->handle(), "cannot store a score");
            pending->outcome = StoreScoreOutcome::Failed;
        }
    }
    if (together && !lease->exec("COMMIT")) {
        lease->exec("ROLLBACK");
        for (auto* pending : batch) {
            if (pending->outcome == StoreScoreOutcome::Written) {
                pending->outcome = StoreScoreOutcome::Failed;
            }
        }
    }
}

StoreResult<std::vector<ScoreEntry>> Store::topScores(int levelId, int limit) {
    StoreResult<std::vector<ScoreEntry>> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(TOP_SCORES_SQL) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    sqlite3_bind_int(statement, 1, levelId);
    sqlite3_bind_int(statement, 2, limit);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        result.value.push_back({columnText(statement, 0), sqlite3_column_int(statement, 1),
                                sqlite3_column_int(statement, 2) != 0});
    }
    if (step != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot list scores");
        result.value.clear();
        return result;
    }
    result.ok = true;
    return result;
}

StoreResult<std::optional<int>> Store::scoreOf(const std::string& userId, int levelId) {
    StoreResult<std::optional<int>> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(SCORE_OF_SQL) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    bindText(statement, 1, userId);
    sqlite3_bind_int(statement, 2, levelId);
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot read a score");
        return result;
    }
    result.ok = true;
    if (step == SQLITE_ROW) {
        result.value = sqlite3_column_int(statement, 0);
    }
    return result;
}

bool Store::addRefreshToken(const std::string& tokenHash, const RefreshTokenRecord& record,
                            std::int64_t createdAtMicros) {
    if (!fileIsCurrent()) {
        return false;
    }
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(INSERT_REFRESH_TOKEN_SQL) : nullptr;
    if (!statement) {
        return false;
    }
    StatementScope scope(statement);
    bindText(statement, 1, tokenHash);
    bindText(statement, 2, record.userId);
    bindText(statement, 3, record.sessionId);
    sqlite3_bind_int64(statement, 4, record.signedInAtMicros);
    sqlite3_bind_int64(statement, 5, createdAtMicros);
    if (sqlite3_step(statement) != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot add a refresh token");
        return false;
    }
    return true;
}

StoreResult<std::optional<RefreshTokenRecord>>
Store::findRefreshToken(const std::string& tokenHash) {
    StoreResult<std::optional<RefreshTokenRecord>> result;
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(FIND_REFRESH_TOKEN_SQL) : nullptr;
    if (!statement) {
        return result;
    }
    StatementScope scope(statement);
    bindText(statement, 1, tokenHash);
    const int step = sqlite3_step(statement);
    if (step != SQLITE_ROW && step != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot look up a refresh token");
        return result;
    }
    result.ok = true;
    if (step == SQLITE_ROW) {
        result.value = RefreshTokenRecord{
            columnText(statement, 0), columnText(statement, 1), sqlite3_column_int64(statement, 2),
            sqlite3_column_int(statement, 3) != 0, sqlite3_column_int64(statement, 4)};
    }
    return result;
}

RotateOutcome Store::rotateRefreshToken(const std::string& oldHash, const std::string& newHash,
                                        const RefreshTokenRecord& record,
                                        std::int64_t createdAtMicros) {
    if (!fileIsCurrent()) {
        return RotateOutcome::Unavailable;
    }
    auto lease = borrow();
    if (!lease || !lease->exec("BEGIN IMMEDIATE")) {
        return RotateOutcome::Failed;
    }
    auto outcome = RotateOutcome::Failed;
    {
        sqlite3_stmt* use = lease->statement(USE_REFRESH_TOKEN_SQL);
        sqlite3_stmt* insert = lease->statement(INSERT_REFRESH_TOKEN_SQL);
        StatementScope useScope(use);
        StatementScope insertScope(insert);
        if (use && insert) {
            bindText(use, 1, oldHash);
            if (sqlite3_step(use) != SQLITE_DONE) {
                reportFailure(lease->handle(), "cannot use a refresh token");
            } else if (sqlite3_changes(lease->handle()) != 1) {
                outcome = RotateOutcome::AlreadyUsed;
            } else {
                bindText(insert, 1, newHash);
                bindText(insert, 2, record.userId);
                bindText(insert, 3, record.sessionId);
                sqlite3_bind_int64(insert, 4, record.signedInAtMicros);
                sqlite3_bind_int64(insert, 5, createdAtMicros);
                if (sqlite3_step(insert) == SQLITE_DONE) {
                    outcome = RotateOutcome::Rotated;
                } else {
                    reportFailure(lease->handle(), "cannot add a refresh token");
                }
            }
        }
    }
    if (outcome == RotateOutcome::Rotated && lease->exec("COMMIT")) {
        return outcome;
    }
    lease->exec("ROLLBACK");
    return outcome == RotateOutcome::Rotated ? RotateOutcome::Failed : outcome;
}

bool Store::endSession(const std::string& sessionId) {
    if (!fileIsCurrent()) {
        return false;
    }
    auto lease = borrow();
    sqlite3_stmt* statement = lease ? lease->statement(END_SESSION_SQL) : nullptr;
    if (!statement) {
        return false;
    }
    StatementScope scope(statement);
    bindText(statement, 1, sessionId);
    if (sqlite3_step(statement) != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot end a session");
        return false;
    }
    return true;
}

bool Store::deleteSession(const std::string& sessionId) {
    return deleteUserSessions({}, sessionId, true);
}

bool Store::deleteUserSessions(const std::string& userId, const std::string& exceptSessionId) {
    return deleteUserSessions(userId, exceptSessionId, false);
}

bool Store::deleteUserSessions(const std::string& userId, const std::string& sessionId,
                               bool onlyThatSession) {
    if (!fileIsCurrent()) {
        return false;
    }
    auto lease = borrow();
    sqlite3_stmt* statement =
        lease ? lease->statement(onlyThatSession ? DELETE_SESSION_SQL : DELETE_USER_SESSIONS_SQL)
              : nullptr;
    if (!statement) {
        return false;
    }
    StatementScope scope(statement);
    if (onlyThatSession) {
        bindText(statement, 1, sessionId);
    } else {
        bindText(statement, 1, userId);
        bindText(statement, 2, sessionId);
    }
    if (sqlite3_step(statement) != SQLITE_DONE) {
        reportFailure(lease->handle(), "cannot delete a session");
        return false;
    }
    return true;
}

} // namespace backend

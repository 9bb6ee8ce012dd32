#pragma once

#include "server/ReplayVerifier.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;

namespace backend {

// Verifies the replays a hosted project queued with its scores: claims a
// batch through the project's claim procedure (which skips rows another
// worker is claiming, so any number of workers share one queue), plays each
// headless and hands the verdict to the mark procedure. Talks to the
// database directly over libpq as the service role.
class VerifyWorker {
public:
    static constexpr int DEFAULT_BATCH = 16;
    // The longest worker name sent to the database.
    static constexpr std::size_t MAX_NAME_LENGTH = 64;

    struct Counts {
        std::size_t claimed = 0;
        std::size_t verified = 0;
        std::size_t unverified = 0;
        std::size_t refused = 0;
    };

    // Null with `error` when the connection or the role cannot be had.
    // `role`: the role to act as after connecting (empty: the login's own).
    static std::unique_ptr<VerifyWorker> connect(const std::string& connection,
                                                 const std::string& role, std::string name,
                                                 ReplayVerifier verifier, std::string& error);
    ~VerifyWorker();
    VerifyWorker(const VerifyWorker&) = delete;
    VerifyWorker& operator=(const VerifyWorker&) = delete;

    // Claims up to `batch` replays, verifies and marks them. Nothing when
    // the database failed (said in `error`).
    std::optional<Counts> runBatch(int batch, std::string& error);

private:
    VerifyWorker(pg_conn* connection, std::string name, ReplayVerifier verifier);
    bool mark(const std::string& id, const char* status, const std::string& reason,
              std::string& error);

    pg_conn* connection;
    std::string name;
    ReplayVerifier verifier;
};

} // namespace backend

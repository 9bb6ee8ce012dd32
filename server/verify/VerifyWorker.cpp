#include "server/verify/VerifyWorker.h"

#include <algorithm>
#include <libpq-fe.h>

namespace backend {

namespace {

constexpr const char* CLAIM_SQL = "SELECT id, level_id, score, encode(replay, 'base64') "
                                  "FROM public.claim_score_replays($1, $2::integer)";
constexpr const char* MARK_SQL = "SELECT public.mark_score_replay($1::bigint, $2, $3)";

// A result freed whichever way the caller leaves.
struct Result {
    explicit Result(PGresult* result) : result(result) {}
    ~Result() { PQclear(result); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;
    PGresult* result;
};

std::string failure(pg_conn* connection, const char* what) {
    std::string message = PQerrorMessage(connection);
    while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) {
        message.pop_back();
    }
    return std::string(what) + ": " + message;
}

const char* statusOf(ReplayVerifier::Verdict verdict) {
    switch (verdict) {
    case ReplayVerifier::Verdict::Verified:
        return "verified";
    case ReplayVerifier::Verdict::Unverified:
        return "unverified";
    case ReplayVerifier::Verdict::Refused:
        break;
    }
    return "refused";
}

// Whole numbers only: anything else from the database is not a row of ours.
std::optional<int> number(const char* text) {
    try {
        std::size_t used = 0;
        const int value = std::stoi(text, &used);
        return text[used] == '\0' ? std::optional<int>(value) : std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

std::unique_ptr<VerifyWorker> VerifyWorker::connect(const std::string& connection,
                                                    const std::string& role, std::string name,
                                                    ReplayVerifier verifier, std::string& error) {
    pg_conn* made = PQconnectdb(connection.c_str());
    if (PQstatus(made) != CONNECTION_OK) {
        error = failure(made, "cannot connect to the database");
        PQfinish(made);
        return nullptr;
    }
    std::unique_ptr<VerifyWorker> worker(
        new VerifyWorker(made, name.substr(0, MAX_NAME_LENGTH), std::move(verifier)));
    if (!role.empty()) {
        char* quoted = PQescapeIdentifier(made, role.c_str(), role.size());
        if (quoted == nullptr) {
            error = failure(made, "cannot quote the role");
            return nullptr;
        }
        const std::string statement = std::string("SET ROLE ") + quoted;
        PQfreemem(quoted);
        const Result set(PQexec(made, statement.c_str()));
        if (PQresultStatus(set.result) != PGRES_COMMAND_OK) {
            error = failure(made, ("cannot act as role " + role).c_str());
            return nullptr;
        }
    }
    return worker;
}

VerifyWorker::VerifyWorker(pg_conn* connection, std::string name, ReplayVerifier verifier)
    : connection(connection), name(std::move(name)), verifier(std::move(verifier)) {}

VerifyWorker::~VerifyWorker() {
    PQfinish(connection);
}

std::optional<VerifyWorker::Counts> VerifyWorker::runBatch(int batch, std::string& error) {
    const std::string limit = std::to_string(std::clamp(batch, 1, 1000));
    const char* claimArguments[] = {name.c_str(), limit.c_str()};
    const Result claimed(
        PQexecParams(connection, CLAIM_SQL, 2, nullptr, claimArguments, nullptr, nullptr, 0));
    if (PQresultStatus(claimed.result) != PGRES_TUPLES_OK) {
        error = failure(connection, "cannot claim replays");
        return std::nullopt;
    }
    Counts counts;
    const int rows = PQntuples(claimed.result);
    counts.claimed = static_cast<std::size_t>(rows);
    for (int row = 0; row < rows; ++row) {
        const std::string id = PQgetvalue(claimed.result, row, 0);
        const auto level = number(PQgetvalue(claimed.result, row, 1));
        const auto score = number(PQgetvalue(claimed.result, row, 2));
        // The database's base64 breaks lines every 76 characters.
        std::string encoded = PQgetvalue(claimed.result, row, 3);
        std::erase(encoded, '\n');
        ReplayVerifier::Outcome outcome;
        if (!level || !score) {
            outcome.reason = "the row's level or score is not a number";
        } else {
            outcome = verifier.verifyEncoded(*level + 1, *score, encoded);
        }
        if (!mark(id, statusOf(outcome.verdict), outcome.reason, error)) {
            return std::nullopt;
        }
        switch (outcome.verdict) {
        case ReplayVerifier::Verdict::Verified:
            ++counts.verified;
            break;
        case ReplayVerifier::Verdict::Unverified:
            ++counts.unverified;
            break;
        case ReplayVerifier::Verdict::Refused:
            ++counts.refused;
            break;
        }
    }
    return counts;
}

bool VerifyWorker::mark(const std::string& id, const char* status, const std::string& reason,
                        std::string& error) {
    const char* arguments[] = {id.c_str(), status, reason.c_str()};
    const Result marked(
        PQexecParams(connection, MARK_SQL, 3, nullptr, arguments, nullptr, nullptr, 0));
    if (PQresultStatus(marked.result) != PGRES_TUPLES_OK) {
        error = failure(connection, "cannot mark a replay");
        return false;
    }
    return true;
}

} // namespace backend

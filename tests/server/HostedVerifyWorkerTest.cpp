// The worker that verifies a hosted project's queued replays, against a real
// PostgreSQL with the project's migrations applied. Runs under the migration
// test's cluster (the supabase_verify_worker test), which names the database
// in VOLLARIN_TEST_PG; skipped anywhere else.

#include "GenuineReplays.h"

#include "online/Base64.h"
#include "server/verify/VerifyWorker.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace {

using servertest::genuine;

struct Connection {
    explicit Connection(const char* info) : handle(PQconnectdb(info)) {}
    ~Connection() { PQfinish(handle); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // The rows of a statement, each row's columns joined by '|'; fails the
    // test when the statement fails.
    std::vector<std::string> rows(const std::string& sql) {
        PGresult* result = PQexec(handle, sql.c_str());
        std::vector<std::string> lines;
        const auto status = PQresultStatus(result);
        EXPECT_TRUE(status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
            << sql << ": " << PQerrorMessage(handle);
        for (int row = 0; row < PQntuples(result); ++row) {
            std::string line;
            for (int column = 0; column < PQnfields(result); ++column) {
                line += (column ? "|" : "") + std::string(PQgetvalue(result, row, column));
            }
            lines.push_back(line);
        }
        PQclear(result);
        return lines;
    }

    PGconn* handle;
};

TEST(HostedVerifyWorker, WorkersSideBySideClaimEachReplayOnceAndMarkItsVerdict) {
    const char* database = std::getenv("VOLLARIN_TEST_PG");
    if (database == nullptr) {
        GTEST_SKIP() << "no PostgreSQL cluster (run through the supabase_verify_worker test)";
    }
    Connection admin(database);
    ASSERT_EQ(PQstatus(admin.handle), CONNECTION_OK) << PQerrorMessage(admin.handle);

    const servertest::Recording& recording = genuine();
    Replay foreign = recording.replay;
    foreign.fingerprint ^= 1;
    // Three players, each sending the same kind of replay for level 1 again
    // and again: a genuine one, a forged score and another build's.
    struct Player {
        const char* id;
        const char* name;
        int score;
        std::string replay;
        const char* status;
    };
    const std::vector<Player> players = {
        {"00000000-0000-4000-8000-0000000000f1", "vera", recording.score, recording.replay.encode(),
         "verified"},
        {"00000000-0000-4000-8000-0000000000f2", "fred", recording.score + 500,
         recording.replay.encode(), "refused"},
        {"00000000-0000-4000-8000-0000000000f3", "olga", recording.score + 7, foreign.encode(),
         "unverified"},
    };
    constexpr int ROUNDS = 5;
    for (const Player& player : players) {
        admin.rows(std::string("insert into auth.users (id, email, raw_user_meta_data) values ('") +
                   player.id + "', '" + player.name + "@players.test', '{\"username\":\"" +
                   player.name + "\"}')");
        for (int round = 0; round < ROUNDS; ++round) {
            admin.rows(std::string("select set_config('request.jwt.claims', "
                                   "'{\"role\":\"authenticated\",\"sub\":\"") +
                       player.id +
                       "\"}', false); set role authenticated; "
                       "select public.submit_score_replay(0, " +
                       std::to_string(player.score) + ", '" + Base64::encode(player.replay) +
                       "'); reset role;");
        }
    }
    const std::size_t queued = players.size() * ROUNDS;

    // Three workers claiming two at a time, side by side until the queue is
    // empty.
    std::vector<std::size_t> claimed(3, 0);
    std::vector<std::string> errors(3);
    std::vector<std::thread> workers;
    for (std::size_t i = 0; i < claimed.size(); ++i) {
        workers.emplace_back([&, i] {
            auto worker = backend::VerifyWorker::connect(database, "service_role",
                                                         "worker" + std::to_string(i),
                                                         backend::ReplayVerifier(), errors[i]);
            if (!worker) {
                return;
            }
            while (true) {
                const auto counts = worker->runBatch(2, errors[i]);
                if (!counts || counts->claimed == 0) {
                    return;
                }
                claimed[i] += counts->claimed;
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    for (const auto& error : errors) {
        EXPECT_EQ(error, "");
    }
    // A replay claimed twice would be counted twice.
    EXPECT_EQ(claimed[0] + claimed[1] + claimed[2], queued);

    for (const Player& player : players) {
        SCOPED_TRACE(player.name);
        EXPECT_EQ(
            admin.rows(std::string("select status || ':' || count(*) from "
                                   "public.score_replays where user_id = '") +
                       player.id + "' group by status"),
            std::vector<std::string>{player.status + std::string(":") + std::to_string(ROUNDS)});
        EXPECT_EQ(admin.rows(std::string("select score, verified from public.scores where "
                                         "user_id = '") +
                             player.id + "' and level_id = 0"),
                  std::vector<std::string>{std::to_string(player.score) + "|" +
                                           (player.status == std::string("verified") ? "t" : "f")});
    }
    // A refusal says why.
    EXPECT_EQ(admin.rows("select count(*) from public.score_replays where status = 'refused' "
                         "and reason like '%scores%'"),
              std::vector<std::string>{std::to_string(ROUNDS)});
}

} // namespace

// The database file changed under a running server: deleted, replaced, or
// its write-ahead log's index cut short by another process.

#include "TestBackend.h"

#include "server/Store.h"
#include "server/Uuid.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

using backend::Store;
using backend::StoreScoreOutcome;
using backend::UserRecord;

UserRecord player(const std::string& email) {
    UserRecord record;
    record.id = backend::Uuid::generate();
    record.email = email;
    record.passwordHash = "hash";
    record.createdAtMicros = 1;
    return record;
}

std::unique_ptr<Store> openStore(const std::filesystem::path& path) {
    std::string error;
    auto store = Store::open(path.string(), error);
    EXPECT_TRUE(store) << error;
    return store;
}

TEST(StoreFile, WritesToADeletedFileAreRefusedNotLost) {
    servertest::TemporaryDirectory directory;
    const auto path = directory.path / "scores.db";
    const auto ann = player("ann@x.test");
    {
        auto store = openStore(path);
        ASSERT_EQ(store->createUser(ann, "ann"), backend::CreateUserOutcome::Created);
        ASSERT_EQ(store->storeScore(ann.id, 1, 10, 1), StoreScoreOutcome::Written);

        std::filesystem::remove(path);
        EXPECT_EQ(store->storeScore(ann.id, 1, 20, 2), StoreScoreOutcome::Unavailable);
        EXPECT_EQ(store->createUser(player("bob@x.test"), "bob"),
                  backend::CreateUserOutcome::Unavailable);
        EXPECT_FALSE(store->addRefreshToken("hash", {ann.id, "session", 1, false}, 1));
    }
    // Nothing was answered as kept that a restart does not find.
    auto restarted = openStore(path);
    EXPECT_FALSE(restarted->emailExists("bob@x.test").value);
    EXPECT_EQ(restarted->scoreOf(ann.id, 1).value, std::nullopt);
}

TEST(StoreFile, WritesToAReplacedFileAreRefused) {
    servertest::TemporaryDirectory directory;
    const auto path = directory.path / "scores.db";
    auto store = openStore(path);
    const auto ann = player("ann@x.test");
    ASSERT_EQ(store->createUser(ann, "ann"), backend::CreateUserOutcome::Created);

    // A restored backup moved over the file in use.
    const auto other = directory.path / "restored.db";
    std::ofstream(other) << "";
    std::filesystem::rename(other, path);
    EXPECT_EQ(store->storeScore(ann.id, 1, 20, 2), StoreScoreOutcome::Unavailable);
}

TEST(StoreFile, ADeletedFileAnswersStoresAndSignUps503) {
    servertest::TestBackend backend;
    auto client = backend.client();
    const auto signUp =
        client.Post("/auth/v1/signup", {{"apikey", servertest::DEMO_ANON_KEY}},
                    R"({"email":"ann@x.test","password":"secret-pass","data":{"username":"ann"}})",
                    "application/json");
    ASSERT_TRUE(signUp && signUp->status == 200);
    const auto session = nlohmann::json::parse(signUp->body);
    const std::string userId = session["user"]["id"];
    const httplib::Headers authorised = {
        {"apikey", servertest::DEMO_ANON_KEY},
        {"Authorization", "Bearer " + session["access_token"].get<std::string>()}};
    const auto store = [&](int score) {
        return client.Post(
            "/rest/v1/rpc/upsert_user_score", authorised,
            nlohmann::json{{"p_level_id", 0}, {"p_score", score}, {"p_user_id", userId}}.dump(),
            "application/json");
    };
    ASSERT_EQ(store(10)->status, 204);

    std::filesystem::remove(backend.databasePath);
    const auto refused = store(20);
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 503) << refused->body;
    const auto signUpAgain =
        client.Post("/auth/v1/signup", {{"apikey", servertest::DEMO_ANON_KEY}},
                    R"({"email":"bob@x.test","password":"secret-pass","data":{"username":"bob"}})",
                    "application/json");
    ASSERT_TRUE(signUpAgain);
    EXPECT_EQ(signUpAgain->status, 503);
}

// Another process (or a full disk) cutting the log's shared index short used
// to kill the server with SIGBUS on its next read or write. Run in a child
// process, so that such a death fails this test instead of ending the suite.
TEST(StoreFile, ACutShortLogIndexDoesNotKillTheProcess) {
    servertest::TemporaryDirectory directory;
    const auto path = directory.path / "scores.db";
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            auto store = openStore(path);
            const auto ann = player("ann@x.test");
            bool ok = store->createUser(ann, "ann") == backend::CreateUserOutcome::Created;
            ok = ok && store->storeScore(ann.id, 1, 10, 1) == StoreScoreOutcome::Written;
            const auto index = path.string() + "-shm";
            if (std::filesystem::exists(index)) {
                ok = ok && ::truncate(index.c_str(), 0) == 0;
            }
            for (int i = 0; i < 50 && ok; ++i) {
                ok = store->storeScore(ann.id, 1, 11 + i, 2 + i) == StoreScoreOutcome::Written &&
                     store->topScores(1, 10).ok;
            }
            std::_Exit(ok ? 0 : 3);
        },
        ::testing::ExitedWithCode(0), "");
}

TEST(StoreFile, AnotherProcessCannotWriteBehindTheServersBack) {
    servertest::TemporaryDirectory directory;
    const auto path = directory.path / "scores.db";
    auto store = openStore(path);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 0);
    EXPECT_NE(sqlite3_exec(db, "DELETE FROM scores", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

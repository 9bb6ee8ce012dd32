#include "TestBackend.h"

#include "server/Store.h"
#include "server/Uuid.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using backend::CreateUserOutcome;
using backend::Store;
using backend::UserRecord;

namespace {

class StoreTest : public ::testing::Test {
protected:
    std::string databasePath() const { return (directory.path / "store.db").string(); }

    std::unique_ptr<Store> open() {
        std::string error;
        auto store = Store::open(databasePath(), error);
        EXPECT_TRUE(store) << error;
        return store;
    }

    static UserRecord user(const std::string& email) {
        UserRecord record;
        record.id = backend::Uuid::generate();
        record.email = email;
        record.passwordHash = "hash";
        record.createdAtMicros = 1;
        return record;
    }

    servertest::TemporaryDirectory directory;
};

TEST_F(StoreTest, KeepsItsDataAcrossReopeningInWalMode) {
    const auto ann = user("ann@x.test");
    {
        auto store = open();
        ASSERT_EQ(store->createUser(ann, "ann"), CreateUserOutcome::Created);
        ASSERT_EQ(store->storeScore(ann.id, 1, 42, 10), backend::StoreScoreOutcome::Written);
    }
    {
        auto reopened = open();
        EXPECT_EQ(reopened->scoreOf(ann.id, 1).value, std::optional<int>(42));
        EXPECT_EQ(reopened->emailForUsername("ANN").value,
                  std::optional<std::string>("ann@x.test"));
    }
    // Looked into once the store has let go of the file.

    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(databasePath().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* mode = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_step(mode), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal");
    sqlite3_finalize(mode);
    sqlite3_close(db);
}

TEST_F(StoreTest, RefusedUserNamesLeaveNoAccountBehind) {
    auto store = open();
    ASSERT_EQ(store->createUser(user("ann@x.test"), "Ann"), CreateUserOutcome::Created);

    for (const std::optional<std::string>& name :
         {std::optional<std::string>("aNN"), std::optional<std::string>("   "),
          std::optional<std::string>()}) {
        const auto refused = user("someone@x.test");
        EXPECT_EQ(store->createUser(refused, name), CreateUserOutcome::UsernameRefused);
        EXPECT_FALSE(store->emailExists("someone@x.test").value);
    }
    EXPECT_EQ(store->createUser(user("ann@x.test"), "ann2"), CreateUserOutcome::EmailTaken);
}

TEST_F(StoreTest, ScoresNeedAnExistingPlayer) {
    auto store = open();
    EXPECT_EQ(store->storeScore(backend::Uuid::generate(), 0, 10, 1),
              backend::StoreScoreOutcome::UnknownUser);
}

TEST_F(StoreTest, EqualScoresRankByTimeReachedThenByFirstStored) {
    auto store = open();
    std::vector<UserRecord> users;
    for (const char* name : {"a", "b", "c", "d"}) {
        users.push_back(user(std::string(name) + "@x.test"));
        ASSERT_EQ(store->createUser(users.back(), name), CreateUserOutcome::Created);
    }
    store->storeScore(users[0].id, 0, 50, 300);
    store->storeScore(users[1].id, 0, 50, 100);
    store->storeScore(users[2].id, 0, 50, 300);
    store->storeScore(users[3].id, 0, 60, 900);

    const auto top = store->topScores(0, 3);
    ASSERT_TRUE(top.ok);
    ASSERT_EQ(top.value.size(), 3u);
    EXPECT_EQ(top.value[0].username, "d");
    EXPECT_EQ(top.value[1].username, "b");
    EXPECT_EQ(top.value[2].username, "a");
}

} // namespace

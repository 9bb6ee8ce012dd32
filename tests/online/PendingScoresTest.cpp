#include "online/PendingScores.h"

#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace {

std::string pathIn(const TemporaryDirectory& dir) {
    return (dir.path / "pending_scores.json").string();
}

} // namespace

TEST(PendingScores, KeepsEachAccountsScoresInOrderAcrossLoadsAndForgetsThemOneByOne) {
    const TemporaryDirectory dir;
    std::ostringstream warnings;
    {
        PendingScores scores(pathIn(dir));
        ASSERT_TRUE(scores.add("user-a", 0, 100, warnings));
        ASSERT_TRUE(scores.add("user-b", 1, 200, warnings));
        ASSERT_TRUE(scores.add("user-a", 2, 300, warnings));
    }
    PendingScores again(pathIn(dir));
    again.load(warnings);
    ASSERT_EQ(again.entries().size(), 3u);
    auto first = again.oldestFor("user-a");
    ASSERT_TRUE(first);
    EXPECT_EQ(first->score, 100);
    ASSERT_TRUE(again.remove(first->id, warnings));

    PendingScores third(pathIn(dir));
    third.load(warnings);
    EXPECT_EQ(third.oldestFor("user-a")->score, 300);
    EXPECT_EQ(third.oldestFor("user-b")->score, 200);
    EXPECT_FALSE(third.oldestFor("user-c"));
    // An id once given is never given again, even after its entry went.
    third.add("user-a", 3, 400, warnings);
    EXPECT_GT(third.entries().back().id, first->id);
    EXPECT_NE(third.entries().back().id, third.oldestFor("user-a")->id);
    EXPECT_TRUE(warnings.str().empty()) << warnings.str();
}

TEST(PendingScores, StaysWithinItsBoundDroppingTheOldest) {
    const TemporaryDirectory dir;
    std::ostringstream warnings;
    PendingScores scores(pathIn(dir));
    for (int i = 0; i < static_cast<int>(PendingScores::MAX_ENTRIES) + 5; ++i) {
        scores.add("user-a", 0, i, warnings);
    }
    EXPECT_EQ(scores.entries().size(), PendingScores::MAX_ENTRIES);
    EXPECT_EQ(scores.oldestFor("user-a")->score, 5);
}

TEST(PendingScores, AFileTheGameWouldNeverWriteYieldsOnlyItsGoodEntries) {
    std::uint64_t next = 0;
    std::string why;
    const auto kept = PendingScores::parse(
        R"({"version":1,"next_id":2,"scores":[)"
        R"({"id":4,"user_id":"user-a","level":0,"score":10},)"
        R"({"id":4,"user_id":"user-a","level":1,"score":20},)"  // repeated id
        R"({"id":3,"user_id":"user-a","level":1,"score":20},)"  // out of order
        R"({"id":5,"user_id":"a b\"","level":1,"score":20},)"   // not an id
        R"({"id":6,"user_id":"user-a","level":-1,"score":20},)" // no such level
        R"({"id":7,"user_id":"user-a","level":1,"score":1e99},)"
        R"({"id":8,"user_id":"user-a","level":1,"score":30}]})",
        next, why);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].score, 10);
    EXPECT_EQ(kept[1].score, 30);
    EXPECT_EQ(next, 9u); // past the last id kept, whatever the file said
    EXPECT_FALSE(why.empty());

    for (const std::string& bad :
         {std::string("not json"), std::string("[]"), std::string(R"({"version":2,"scores":[]})"),
          std::string(PendingScores::MAX_FILE_SIZE + 1, ' ')}) {
        why.clear();
        EXPECT_TRUE(PendingScores::parse(bad, next, why).empty());
        EXPECT_FALSE(why.empty());
    }

    const TemporaryDirectory dir;
    std::ofstream(pathIn(dir)) << "{\"version\":1,\"scores\":[{\"id\":1}";
    PendingScores scores(pathIn(dir));
    std::ostringstream warnings;
    scores.load(warnings);
    EXPECT_TRUE(scores.entries().empty());
    EXPECT_NE(warnings.str().find(pathIn(dir)), std::string::npos);
}

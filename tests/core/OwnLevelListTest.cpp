#include "core/OwnLevelList.h"

#include "TemporaryDirectory.h"
#include "core/Replay.h"

#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace {

const char* PLAYABLE = "ENEMY 760 540\nBIRD NORMAL 1\n";

std::string write(const std::filesystem::path& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
    return path.string();
}

TEST(OwnLevelList, ListsEachLevelWithItsVerdictOrItsErrorAndKeepsVerdictsToTheirContent) {
    const TemporaryDirectory dir;
    const std::string good = write(dir.path / "b-good.txt", PLAYABLE);
    const std::string changed = write(dir.path / "c-changed.txt", PLAYABLE);
    write(dir.path / "a-bad.txt", "nothing to play\n");
    write(dir.path / "notes.md", PLAYABLE);

    ProofVerdict verdict;
    verdict.reason = "line one\nline two";
    verdict.stands = verdict.allInView = true;
    verdict.bestScore = 2100;
    verdict.stars = 2;
    verdict.winShare = 0.375;
    verdict.modelPlays = 200;
    const std::uint64_t hash = *Replay::levelFileHash(good);
    ASSERT_EQ(OwnLevelList::writeVerdict(good, hash, verdict), "");
    ASSERT_EQ(OwnLevelList::writeVerdict(changed, hash, verdict), "");
    // Changed after its proof: the verdict was of another level.
    write(changed, std::string(PLAYABLE) + "BIRD NORMAL 2\n");

    const auto entries = OwnLevelList::read(dir.path, "");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a-bad");
    EXPECT_FALSE(entries[0].level);
    EXPECT_NE(entries[0].error.find("no birds"), std::string::npos) << entries[0].error;

    ASSERT_TRUE(entries[1].level);
    ASSERT_TRUE(entries[1].verdict);
    EXPECT_EQ(entries[1].verdict->reason, "line one line two");
    EXPECT_TRUE(entries[1].verdict->stands);
    EXPECT_FALSE(entries[1].verdict->proven);
    EXPECT_EQ(entries[1].verdict->bestScore, 2100);
    EXPECT_EQ(entries[1].verdict->stars, 2);
    EXPECT_DOUBLE_EQ(entries[1].verdict->winShare, 0.375);
    EXPECT_EQ(entries[1].verdict->modelPlays, 200);

    ASSERT_TRUE(entries[2].level);
    EXPECT_FALSE(entries[2].verdict);
}

TEST(OwnLevelList, ADamagedVerdictIsNoVerdict) {
    const TemporaryDirectory dir;
    const std::string level = write(dir.path / "mine.txt", PLAYABLE);
    const std::uint64_t hash = *Replay::levelFileHash(level);
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016llx", static_cast<unsigned long long>(hash));
    const std::string head = std::string("level_hash ") + hex + "\n";
    for (const std::string& damaged :
         {head + "stars 7\n", head + "win_share nan\n", head + "proven yes\n",
          head + "best_score -5\n", head + std::string(OwnLevelList::MAX_PROOF_BYTES, 'x'),
          std::string("proven 1\nstars 3\n")}) {
        write(OwnLevelList::proofPath(level), damaged);
        EXPECT_FALSE(OwnLevelList::readVerdict(level, hash)) << damaged.substr(0, 60);
    }
    write(OwnLevelList::proofPath(level), head + "proven 1\nstars 3\n");
    ASSERT_TRUE(OwnLevelList::readVerdict(level, hash));
    EXPECT_TRUE(OwnLevelList::readVerdict(level, hash)->proven);
}

TEST(OwnLevelList, ListsAtMostItsBound) {
    const TemporaryDirectory dir;
    for (std::size_t i = 0; i < OwnLevelList::MAX_LEVELS + 5; ++i) {
        write(dir.path / ("level" + std::to_string(1000 + i) + ".txt"), "x\n");
    }
    EXPECT_EQ(OwnLevelList::read(dir.path, "").size(), OwnLevelList::MAX_LEVELS);
}

} // namespace

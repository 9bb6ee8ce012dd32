#include "online/AtomicFile.h"

#include "TemporaryDirectory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    static std::string readFile(const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    static unsigned modeOf(const fs::path& file) {
        struct stat status {};
        return ::stat(file.c_str(), &status) == 0 ? status.st_mode & 07777 : 0;
    }

    std::size_t entries() const {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(directory), fs::directory_iterator()));
    }

    TemporaryDirectory scratch;
    const fs::path directory = scratch.path;
};

} // namespace

TEST_F(AtomicFileTest, ANewFileGetsTheUsualModeAndBinaryContents) {
    const fs::path file = directory / "settings.txt";
    const std::string contents("a\0b\r\nc", 6);
    EXPECT_EQ(AtomicFile::write(file.string(), contents), "");
    EXPECT_EQ(readFile(file), contents);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(modeOf(file), 0666u & ~static_cast<unsigned>(mask));
    EXPECT_EQ(entries(), 1u);
}

TEST_F(AtomicFileTest, ADanglingSymlinkGetsItsTargetCreated) {
    const fs::path target = directory / "real.txt";
    const fs::path link = directory / "link.txt";
    fs::create_symlink(target, link);
    EXPECT_EQ(AtomicFile::write(link.string(), "x\n"), "");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readFile(target), "x\n");
    EXPECT_EQ(AtomicFile::temporaryPathFor(link.string()).rfind(target.string() + ".tmp.", 0), 0u);

    // Two links naming each other are refused, not followed for ever.
    fs::create_symlink(directory / "b", directory / "a");
    fs::create_symlink(directory / "a", directory / "b");
    const std::string error = AtomicFile::write((directory / "a").string(), "x\n");
    EXPECT_NE(error.find("too many symbolic links"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_symlink(directory / "a"));
}

TEST_F(AtomicFileTest, AStaleTemporaryFileIsReplacedButANonFileTargetIsRefused) {
    const fs::path file = directory / "progress.txt";
    std::ofstream(AtomicFile::temporaryPathFor(file.string())) << "left by a crash";
    EXPECT_EQ(AtomicFile::write(file.string(), "new"), "");
    EXPECT_EQ(readFile(file), "new");
    EXPECT_EQ(entries(), 1u);

    const fs::path folder = directory / "folder";
    fs::create_directory(folder);
    const std::string error = AtomicFile::write(folder.string(), "new");
    EXPECT_NE(error.find("is not a regular file"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(entries(), 2u);
}

TEST_F(AtomicFileTest, BackupsTakeTheNextFreeNameAndNeverOverwrite) {
    const fs::path file = directory / "scores.txt";
    for (int run = 0; run < 3; ++run) {
        std::ofstream(file) << "run " << run;
        std::string error;
        const std::optional<std::string> backup =
            AtomicFile::copyToFreeBackup(file.string(), error);
        ASSERT_TRUE(backup) << error;
        EXPECT_EQ(*backup, AtomicFile::backupPathFor(file.string(), run));
    }
    EXPECT_EQ(AtomicFile::backupPathFor(file.string(), 0), file.string() + ".bak");
    EXPECT_EQ(AtomicFile::backupPathFor(file.string(), 2), file.string() + ".bak.2");
    EXPECT_EQ(readFile(file.string() + ".bak"), "run 0");
    EXPECT_EQ(readFile(file.string() + ".bak.1"), "run 1");
    EXPECT_EQ(readFile(file.string() + ".bak.2"), "run 2");

    std::string error;
    EXPECT_FALSE(AtomicFile::copyToFreeBackup((directory / "absent").string(), error));
    EXPECT_NE(error.find("absent"), std::string::npos);
}

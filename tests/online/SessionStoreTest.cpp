#include "online/SessionStore.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

// The kept session: private from the moment it exists, read back only when
// every part of it is what the game itself would have written.

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t NOW = 1'700'000'000;

AuthSession aSession() {
    return {"eyJhbGciOiJIUzI1NiJ9.eyJzdWIiOiJ1In0.c2ln", "r3fr3sh-T0ken_abcdefghijklmnop",
            NOW + 3600, "6f1c2a3e-0000-4000-8000-00000000abcd", "Wren_2"};
}

class SessionStoreTest : public testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("vollarin_session_" + std::to_string(::getpid()) + "_" +
               testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        path = (dir / "vollarin" / "session.json").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    static mode_t modeOf(const std::string& file) {
        struct stat info {};
        EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
        return info.st_mode & 07777;
    }

    std::optional<AuthSession> loadText(const std::string& text, std::string* warning = nullptr) {
        fs::create_directories(fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
        std::ostringstream warnings;
        auto session = SessionStore(path).load(NOW, warnings);
        if (warning != nullptr) {
            *warning = warnings.str();
        }
        return session;
    }

    fs::path dir;
    std::string path;
};

TEST_F(SessionStoreTest, ASavedSessionComesBackAndIsThePlayersAlone) {
    const SessionStore store(path);
    // Even a process that would create world-readable files gets a private one.
    const mode_t previous = ::umask(0);
    const std::string error = store.save(aSession());
    ::umask(previous);
    ASSERT_EQ(error, "");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(modeOf(fs::path(path).parent_path().string()), 0700u);

    std::ostringstream warnings;
    EXPECT_EQ(store.load(NOW, warnings), aSession());
    EXPECT_EQ(warnings.str(), "");

    // Replaced with a renewed session: still private, nothing left beside it.
    AuthSession renewed = aSession();
    renewed.refreshToken = "another-refresh-token";
    ASSERT_EQ(store.save(renewed), "");
    EXPECT_EQ(modeOf(path), 0600u);
    EXPECT_EQ(store.load(NOW, warnings), renewed);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), {}), 1);

    // A kept file someone made readable to all is private again after a save.
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                              fs::perms::others_read);
    ASSERT_EQ(store.save(aSession()), "");
    EXPECT_EQ(modeOf(path), 0600u);

    EXPECT_TRUE(store.remove(warnings));
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(store.remove(warnings)) << "nothing to delete is not a failure";
    EXPECT_EQ(store.load(NOW, warnings), std::nullopt);
    EXPECT_EQ(warnings.str(), "") << "no file is simply signed out";
}

TEST_F(SessionStoreTest, AnExpiredSessionStillLoadsSoThatItCanBeRenewed) {
    AuthSession expired = aSession();
    expired.expiresAt = NOW - 86400;
    ASSERT_EQ(SessionStore(path).save(expired), "");
    std::ostringstream warnings;
    EXPECT_EQ(SessionStore(path).load(NOW, warnings), expired);
}

TEST_F(SessionStoreTest, AnythingTheGameWouldNotHaveWrittenMeansSignedOutWithAWarning) {
    const nlohmann::json good = nlohmann::json::parse(SessionStore::serialize(aSession()));
    auto with = [&](const char* key, const nlohmann::json& value) {
        nlohmann::json changed = good;
        changed[key] = value;
        return changed.dump();
    };
    auto without = [&](const char* key) {
        nlohmann::json changed = good;
        changed.erase(key);
        return changed.dump();
    };
    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "not a JSON object"},
        {"{\"version\":1,", "not a JSON object"},
        {"[1,2,3]", "not a JSON object"},
        {std::string(200, '[') + std::string(200, ']'), "not a JSON object"},
        {with("version", 2), "format version"},
        {without("version"), "format version"},
        {without("access_token"), "access token"},
        {with("access_token", "abc\r\nX-Injected: yes"), "access token"},
        {with("access_token", std::string(SessionStore::MAX_TOKEN_LENGTH + 1, 'a')),
         "access token"},
        {with("refresh_token", 12345), "refresh token"},
        {with("refresh_token", ""), "refresh token"},
        {with("expires_at", "soon"), "expiry"},
        {with("expires_at", 1.7e9), "expiry"},
        {with("expires_at", -1), "expiry"},
        {with("expires_at", NOW + SessionStore::MAX_EXPIRY_AHEAD_SECONDS + 1), "expiry"},
        {with("expires_at", 18446744073709551615ull), "expiry"},
        {with("user_id", nullptr), "user id"},
        {with("user_id", "../../etc"), "user id"},
        {with("username", "a b"), "user name"},
        {with("username", std::string(40, 'w')), "user name"},
        {without("username"), "user name"},
        {std::string(SessionStore::MAX_FILE_SIZE + 1, ' '), "larger than"},
    };
    for (const auto& [text, reason] : cases) {
        std::string warning;
        EXPECT_EQ(loadText(text, &warning), std::nullopt) << text.substr(0, 120);
        EXPECT_NE(warning.find("signed out"), std::string::npos) << warning;
        EXPECT_NE(warning.find(reason), std::string::npos) << warning;
        EXPECT_EQ(warning.find("abc\r\n"), std::string::npos) << "file contents are not echoed";
    }

    fs::remove(path);
    fs::create_directory(path);
    std::ostringstream warnings;
    EXPECT_EQ(SessionStore(path).load(NOW, warnings), std::nullopt);
    EXPECT_NE(warnings.str().find("not a plain file"), std::string::npos);
    EXPECT_NE(SessionStore(path).save(aSession()), "") << "a folder in the way is a failure";
}

} // namespace

#include "server/ServerOptions.h"
#include "server/Uuid.h"

#include <gtest/gtest.h>
#include <set>

using backend::ServerOptions;

namespace {

TEST(ServerOptionsTest, DefaultsServeTheGamesDefaultBuild) {
    std::string error;
    const auto options = ServerOptions::parse({"--db", "/tmp/x.db"}, error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.address, "127.0.0.1");
    EXPECT_EQ(options.port, 54321);
    EXPECT_EQ(options.jwtSecret, ServerOptions::DEMO_JWT_SECRET);
    EXPECT_EQ(options.databasePath, "/tmp/x.db");
    EXPECT_FALSE(options.fastHashing);
}

TEST(ServerOptionsTest, AcceptsBothValueSpellingsAndRefusesNonsense) {
    std::string error;
    const auto options =
        ServerOptions::parse({"--port=8080", "--address", "0.0.0.0", "--db=/tmp/y.db",
                              "--jwt-secret", "0123456789abcdef0123456789abcdef", "--quiet"},
                             error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.port, 8080);
    EXPECT_EQ(options.address, "0.0.0.0");
    EXPECT_EQ(options.databasePath, "/tmp/y.db");
    EXPECT_TRUE(options.quiet);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port", "-1"},
                                                {"--port", "65536"},
                                                {"--port", "80a"},
                                                {"--port"},
                                                {"--jwt-secret", "too-short"},
                                                {"--verbose"},
                                                {"--db="}}) {
        ServerOptions::parse(bad, error);
        EXPECT_NE(error, "") << bad[0];
    }
    EXPECT_TRUE(ServerOptions::parse({"--help"}, error).showHelp);
}

TEST(UuidTest, GeneratesDistinctVersionFourIdsAndNormalisesSpelling) {
    std::set<std::string> seen;
    for (int i = 0; i < 100; ++i) {
        const auto id = backend::Uuid::generate();
        ASSERT_EQ(backend::Uuid::normalise(id), std::optional<std::string>(id));
        EXPECT_EQ(id[14], '4');
        EXPECT_NE(std::string("89ab").find(id[19]), std::string::npos);
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 100u);
    EXPECT_EQ(backend::Uuid::normalise("0F0E0D0C-0B0A-4908-8706-050403020100"),
              std::optional<std::string>("0f0e0d0c-0b0a-4908-8706-050403020100"));
    EXPECT_FALSE(backend::Uuid::normalise("0f0e0d0c0b0a-4908-8706-050403020100-"));
    EXPECT_FALSE(backend::Uuid::normalise("0f0e0d0c-0b0a-4908-8706-05040302010g"));
}

} // namespace

#include "server/ServerOptions.h"
#include "BuildPaths.h"
#include "TestBackend.h"
#include "server/Uuid.h"

#include <fstream>
#include <gtest/gtest.h>
#include <set>

using backend::ServerOptions;

namespace {

TEST(ServerOptionsTest, DefaultsServeTheGamesDefaultBuild) {
    std::string error;
    const auto options = ServerOptions::parse({"--db", "/tmp/x.db"}, error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.address, "127.0.0.1");
    // The port of the default backend URL in the file the game is built from.
    std::ifstream defaults(VOLLARIN_BACKEND_DEFAULTS_FILE);
    std::string line;
    std::string url;
    while (std::getline(defaults, line)) {
        if (line.rfind("VOLLARIN_BACKEND_URL=", 0) == 0) {
            url = line.substr(line.find('=') + 1);
        }
    }
    ASSERT_NE(url.rfind(':'), std::string::npos) << url;
    EXPECT_EQ(options.port, std::stoi(url.substr(url.rfind(':') + 1))) << url;
    EXPECT_NE(ServerOptions::usage().find("(default " + std::to_string(options.port) + ";"),
              std::string::npos);
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

namespace {

ServerOptions::Environment environmentWith(const std::string& secret) {
    return [secret](const char* name) -> std::optional<std::string> {
        if (std::string(name) == ServerOptions::SECRET_VARIABLE) {
            return secret;
        }
        return std::nullopt;
    };
}

TEST(ServerOptionsTest, TheSecretComesFromTheCommandLineAFileOrTheEnvironment) {
    const std::string fromEnvironment = "secret-from-the-environment-0123456789";
    std::string error;
    auto options =
        ServerOptions::parse({"--db", "/tmp/x.db"}, error, environmentWith(fromEnvironment));
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.jwtSecret, fromEnvironment);

    servertest::TemporaryDirectory directory;
    const auto file = directory.path / "secret";
    std::ofstream(file) << "secret-from-a-file-0123456789abcdefgh\r\n";
    options = ServerOptions::parse({"--db", "/tmp/x.db", "--jwt-secret-file", file.string()}, error,
                                   environmentWith(fromEnvironment));
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.jwtSecret, "secret-from-a-file-0123456789abcdefgh");

    options = ServerOptions::parse(
        {"--db", "/tmp/x.db", "--jwt-secret", "secret-on-the-command-line-0123456789"}, error,
        environmentWith(fromEnvironment));
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.jwtSecret, "secret-on-the-command-line-0123456789");

    ServerOptions::parse({"--db", "/tmp/x.db"}, error, environmentWith("short"));
    EXPECT_NE(error.find("VOLLARIN_JWT_SECRET"), std::string::npos) << error;
    ServerOptions::parse({"--jwt-secret-file", (directory.path / "missing").string()}, error);
    EXPECT_NE(error, "");
    std::ofstream(directory.path / "huge") << std::string(10000, 's');
    ServerOptions::parse({"--jwt-secret-file", (directory.path / "huge").string()}, error);
    EXPECT_NE(error, "");
    ServerOptions::parse({"--jwt-secret-file", file.string(), "--jwt-secret",
                          "secret-on-the-command-line-0123456789"},
                         error);
    EXPECT_NE(error, "");
}

TEST(ServerOptionsTest, TheDemoSecretStaysOnLoopbackUnlessATestSaysOtherwise) {
    std::string error;
    for (const char* loopback :
         {"127.0.0.1", "127.1.2.3", "::1", "localhost", "::ffff:127.0.0.1"}) {
        ServerOptions::parse({"--db", "/tmp/x.db", "--address", loopback}, error);
        EXPECT_EQ(error, "") << loopback;
    }
    for (const char* open : {"0.0.0.0", "::", "10.0.0.1", "::ffff:10.0.0.1", "example.test"}) {
        ServerOptions::parse({"--db", "/tmp/x.db", "--address", open}, error);
        EXPECT_NE(error.find("demo secret"), std::string::npos) << open;
        ServerOptions::parse({"--db", "/tmp/x.db", "--address", open, "--allow-demo-secret"},
                             error);
        EXPECT_EQ(error, "") << open;
        ServerOptions::parse({"--db", "/tmp/x.db", "--address", open}, error,
                             environmentWith("a-secret-of-our-own-0123456789abcdef"));
        EXPECT_EQ(error, "") << open;
    }
}

TEST(ServerOptionsTest, RateLimitAndPortZeroAreOptions) {
    std::string error;
    const auto options = ServerOptions::parse(
        {"--db", "/tmp/x.db", "--port", "0", "--auth-rate-limit", "5", "--auth-rate-window=60"},
        error);
    ASSERT_EQ(error, "");
    EXPECT_EQ(options.port, 0);
    EXPECT_EQ(options.authRateLimit, 5u);
    EXPECT_EQ(options.authRateWindowSeconds, 60);
    EXPECT_EQ(ServerOptions::parse({"--db", "/tmp/x.db"}, error).authRateLimit, 30u);
    ServerOptions::parse({"--auth-rate-window", "0"}, error);
    EXPECT_NE(error, "");
    ServerOptions::parse({"--auth-rate-limit", "many"}, error);
    EXPECT_NE(error, "");
}

} // namespace

#include "core/GameTestSupport.h"

#include "online/ScriptedServer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <optional>

// A game started with the backend variables set talks to the backend they
// name, with their key and e-mail domain, and says so once at start.

namespace {

// Sets a variable for one test and puts back what was there before.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name(name) {
        if (const char* before = std::getenv(name)) {
            previous = before;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (previous) {
            ::setenv(name, previous->c_str(), 1);
        } else {
            ::unsetenv(name);
        }
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name;
    std::optional<std::string> previous;
};

TEST(GameBackendConfig, TheEnvironmentChoosesTheServerTheKeyAndTheDomain) {
    ScriptedServer server;
    ASSERT_TRUE(server.isListening());
    server.answer("/auth/v1/signup", 200,
                  R"({"access_token":"t","user":{"id":"u","email":"kit@arena.example"}})");
    const ScopedVariable url("VOLLARIN_BACKEND_URL", server.baseUrl());
    const ScopedVariable key("VOLLARIN_ANON_KEY", "environment-key");
    const ScopedVariable domain("VOLLARIN_EMAIL_DOMAIN", "arena.example");

    testing::internal::CaptureStdout();
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
    const std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("Backend: " + server.baseUrl() +
                       " (environment), e-mail domain arena.example (environment), anon key "
                       "from environment\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(log.find("environment-key"), std::string::npos) << log;

    std::string error = "not called";
    game->supabase.signUp("kit", "secret1",
                          [&](const nlohmann::json&, const std::string& e) { error = e; });
    EXPECT_EQ(error, "");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].header("apikey"), "environment-key");
    EXPECT_EQ(nlohmann::json::parse(requests[0].body).at("email"), "kit@arena.example");
}

TEST(GameBackendConfig, AnInvalidAddressIsIgnoredAndTheBuildsDefaultStays) {
    const ScopedVariable url("VOLLARIN_BACKEND_URL", "scores.example.org/api");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    auto game = std::make_unique<Game>(1280, 720, "Skysling Clone");
    const std::string log = testing::internal::GetCapturedStdout();
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_NE(log.find("Backend: " + std::string(BACKEND_BASE_URL) + " (build default)"),
              std::string::npos)
        << log;
    EXPECT_NE(warnings.find("ignoring the backend URL from the environment"), std::string::npos)
        << warnings;
}

} // namespace

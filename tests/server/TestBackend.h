#pragma once

#include "TemporaryDirectory.h"

// A stand-in backend running in the test process on a free loopback port,
// with its own throw-away database.

#include "server/BackendServer.h"
#include "server/ServerOptions.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <thread>

namespace servertest {

inline constexpr const char* DEMO_ANON_KEY =
    "eyJhbGciOiJIUzI1NiIsInR5cCI6IkpXVCJ9."
    "eyJpc3MiOiJzdXBhYmFzZS1kZW1vIiwicm9sZSI6ImFub24iLCJleHAiOjE5ODM4MTI5OTZ9."
    "CRXP1A7WOeoJeXxjNni43kdQwgnWNReilDMblYTn_I0";

// The same claims with the header {"alg":"none","typ":"JWT"} and no signature.
inline std::string unsignedCopy(const std::string& token) {
    const auto firstDot = token.find('.');
    const auto lastDot = token.rfind('.');
    return "eyJhbGciOiJub25lIiwidHlwIjoiSldUIn0." +
           token.substr(firstDot + 1, lastDot - firstDot - 1) + ".";
}

// An answer in the authentication service's error shape.
inline void expectAuthError(const httplib::Result& result, int status, const char* errorCode) {
    ASSERT_TRUE(result);
    EXPECT_EQ(result->status, status) << result->body;
    auto body = nlohmann::json::parse(result->body, nullptr, false);
    ASSERT_TRUE(body.is_object()) << result->body;
    EXPECT_EQ(body["code"], status);
    EXPECT_EQ(body["error_code"], errorCode);
    EXPECT_TRUE(body["msg"].is_string());
}

using ::TemporaryDirectory;

// How a test's backend differs from the default one.
struct TestBackendConfig {
    // Everything as served, but sign-ins unlimited: most tests sign in more
    // often than a player would.
    backend::BackendSettings settings = [] {
        backend::BackendSettings relaxed;
        relaxed.authRateBurst = 0;
        relaxed.failedSignInBurst = 0;
        return relaxed;
    }();
    std::ostream* log = nullptr;
    // Null: tokens with the demo secret.
    std::shared_ptr<const backend::TokenService> tokens;
    backend::PasswordHasher::Cost hashingCost = backend::PasswordHasher::Cost::Minimal;
    // The database's place inside the test's own directory.
    std::string databaseName = "backend.db";
    // Shared for a test that looks into the file while the server runs.
    backend::Store::Locking locking = backend::Store::Locking::Exclusive;
};

// For a test that looks into the database file while the server runs.
inline TestBackendConfig sharingTheFile() {
    TestBackendConfig config;
    config.locking = backend::Store::Locking::Shared;
    return config;
}

class TestBackend {
public:
    explicit TestBackend(TestBackendConfig config = {})
        : hasher(config.hashingCost),
          ownedTokens(config.tokens ? config.tokens
                                    : std::make_shared<const backend::TokenService>(
                                          backend::ServerOptions::DEMO_JWT_SECRET)),
          tokens(*ownedTokens), databasePath(directory.path / config.databaseName) {
        std::string error;
        store = backend::Store::open(databasePath.string(), error, config.locking);
        if (!store) {
            throw std::runtime_error(error);
        }
        server = std::make_unique<backend::BackendServer>(*store, hasher, tokens, config.log,
                                                          config.settings);
        if (!server->bind("127.0.0.1", 0)) {
            throw std::runtime_error("cannot bind a loopback port");
        }
        serving = std::thread([this] { server->run(); });
        while (!server->isRunning()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    ~TestBackend() {
        server->stop();
        serving.join();
    }
    TestBackend(const TestBackend&) = delete;
    TestBackend& operator=(const TestBackend&) = delete;

    std::string baseUrl() const { return server->baseUrl(); }
    httplib::Client client() const { return httplib::Client("127.0.0.1", server->port()); }

    // A new player signed up as the game does; empty ids when the sign-up
    // was refused (the test's own expectation then fails on them).
    struct Player {
        std::string userId;
        std::string accessToken;
    };
    Player signUp(const std::string& name) const {
        auto http = client();
        const auto answer = http.Post("/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}},
                                      nlohmann::json{{"email", name + "@x.test"},
                                                     {"password", "secret-pass"},
                                                     {"data", {{"username", name}}}}
                                          .dump(),
                                      "application/json");
        EXPECT_TRUE(answer && answer->status == 200) << "signing up " << name;
        if (!answer || answer->status != 200) {
            return {};
        }
        const auto session = nlohmann::json::parse(answer->body, nullptr, false);
        return {session.value(nlohmann::json::json_pointer("/user/id"), std::string()),
                session.value("access_token", std::string())};
    }

    TemporaryDirectory directory;
    backend::PasswordHasher hasher;
    std::shared_ptr<const backend::TokenService> ownedTokens;
    const backend::TokenService& tokens;
    std::filesystem::path databasePath;
    std::unique_ptr<backend::Store> store;
    std::unique_ptr<backend::BackendServer> server;
    std::thread serving;
};

} // namespace servertest

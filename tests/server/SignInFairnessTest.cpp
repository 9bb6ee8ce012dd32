// Sign-ins under attack: many addresses guessing one account's password, and
// floods of expensive requests crowding out a player's.

#include "TestBackend.h"

#include "server/WorkPool.h"

#include <atomic>
#include <condition_variable>
#include <future>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace {

using namespace servertest;

backend::HttpRequest passwordSignIn(const std::string& email, const std::string& password,
                                    const std::string& from) {
    backend::HttpRequest request;
    request.method = "POST";
    request.setTarget("/auth/v1/token?grant_type=password");
    request.headers = {{"apikey", DEMO_ANON_KEY}, {"content-type", "application/json"}};
    request.body = nlohmann::json{{"email", email}, {"password", password}}.dump();
    request.clientAddress = from;
    return request;
}

std::string errorCodeOf(const backend::HttpResponse& response) {
    const auto body = nlohmann::json::parse(response.body, nullptr, false);
    return body.is_object() && body.contains("error_code") && body["error_code"].is_string()
               ? body["error_code"].get<std::string>()
               : std::string();
}

TEST(SignInFairness, WrongPasswordsFromManyAddressesLockTheAccountNotOthers) {
    TestBackendConfig config;
    config.settings.failedSignInBurst = 3;
    TestBackend backend(config);
    auto client = backend.client();
    for (const auto* name : {"victim", "bystander"}) {
        const auto signUp =
            client.Post("/auth/v1/signup", {{"apikey", DEMO_ANON_KEY}},
                        nlohmann::json{{"email", std::string(name) + "@example.org"},
                                       {"password", "right-password"},
                                       {"data", {{"username", name}}}}
                            .dump(),
                        "application/json");
        ASSERT_TRUE(signUp && signUp->status == 200);
    }

    // Each guess from an address of its own: the per-address limit never
    // sees more than one.
    for (int i = 0; i < 3; ++i) {
        const auto answer = backend.server->respond(
            passwordSignIn("victim@example.org", "guess", "10.0.0." + std::to_string(i)));
        EXPECT_EQ(answer.status, 400);
        EXPECT_EQ(errorCodeOf(answer), "invalid_credentials");
    }
    for (const auto* password : {"guess", "right-password"}) {
        const auto answer =
            backend.server->respond(passwordSignIn("VICTIM@example.org", password, "10.0.1.1"));
        EXPECT_EQ(answer.status, 429) << "not tried at all once locked: " << password;
        EXPECT_EQ(errorCodeOf(answer), "over_request_rate_limit");
    }
    // An account nobody knows is counted alike, so 429 reveals nothing.
    for (int i = 0; i < 4; ++i) {
        backend.server->respond(passwordSignIn("nobody@example.org", "guess", "10.0.2.1"));
    }
    EXPECT_EQ(backend.server->respond(passwordSignIn("nobody@example.org", "x", "10.0.2.1")).status,
              429);
    // Other accounts are not affected.
    EXPECT_EQ(backend.server
                  ->respond(passwordSignIn("bystander@example.org", "right-password", "10.0.0.1"))
                  .status,
              200);
}

// A pool of one thread held by a first job until the test lets it go, so
// the order of everything queued behind it can be read afterwards.
struct GatedPool {
    backend::WorkPool pool{1, 8, 0};
    std::mutex mutex;
    std::condition_variable opened;
    bool open = false;
    std::vector<std::string> ran;
    std::vector<std::string> pushedOut;

    GatedPool() {
        std::promise<void> started;
        pool.post("gate", {[this, &started] {
                               started.set_value();
                               std::unique_lock lock(mutex);
                               opened.wait(lock, [this] { return open; });
                           },
                           {}});
        started.get_future().wait();
    }

    bool post(const std::string& client, const std::string& name) {
        return pool.post(client, {[this, name] {
                                      std::lock_guard lock(mutex);
                                      ran.push_back(name);
                                      opened.notify_all();
                                  },
                                  [this, name] {
                                      std::lock_guard lock(mutex);
                                      pushedOut.push_back(name);
                                      opened.notify_all();
                                  }});
    }

    // Lets the gate go and waits until expected jobs have run or been
    // pushed out.
    void drain(std::size_t expected) {
        std::unique_lock lock(mutex);
        open = true;
        opened.notify_all();
        opened.wait_for(lock, std::chrono::seconds(60),
                        [&] { return ran.size() + pushedOut.size() >= expected; });
    }
};

TEST(SignInFairness, AFloodingAddressDoesNotQueueAheadOfAPlayer) {
    GatedPool gated;
    for (int i = 0; i < 6; ++i) {
        ASSERT_TRUE(gated.post("flooder", "flood" + std::to_string(i)));
    }
    ASSERT_TRUE(gated.post("player", "player"));
    gated.drain(7);

    ASSERT_EQ(gated.ran.size(), 7u);
    const auto place = std::find(gated.ran.begin(), gated.ran.end(), "player") - gated.ran.begin();
    EXPECT_LE(place, 1) << "one turn each: the player's job comes at most after one of the flood";
}

TEST(SignInFairness, AFullQueueMakesRoomByDroppingFromTheLongestLine) {
    GatedPool gated;
    for (int i = 0; i < 8; ++i) {
        ASSERT_TRUE(gated.post("flooder", "flood" + std::to_string(i)));
    }
    EXPECT_FALSE(gated.post("flooder", "one too many")) << "the flooder cannot push out its own";
    EXPECT_TRUE(gated.post("player", "player")) << "a full queue still takes a new client";
    gated.drain(9);

    ASSERT_EQ(gated.pushedOut.size(), 1u) << "the dropped job is told, so its client is answered";
    EXPECT_EQ(gated.pushedOut.front(), "flood7") << "the newest of the longest line goes";
    EXPECT_NE(std::find(gated.ran.begin(), gated.ran.end(), "player"), gated.ran.end());
}

} // namespace

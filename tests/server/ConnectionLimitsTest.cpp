// Connections that hold a place without asking anything: they must not lock
// the players out, whoever opens them and however many.

#include "RawHttp.h"
#include "TestBackend.h"

#include <chrono>
#include <gtest/gtest.h>
#include <memory>
#include <thread>
#include <vector>

namespace {

using namespace servertest;
using namespace std::chrono_literals;

constexpr const char* ATTACKER = "127.0.0.1";
constexpr const char* PLAYER = "127.0.0.2";
// Long enough never to be reached by a test that is not about it.
constexpr auto FOREVER = std::chrono::milliseconds(10 * 60 * 1000);
// What a test waits at most for something that should happen at once.
constexpr auto PATIENCE = 20s;

std::string healthRequest(bool keepAlive) {
    return std::string("GET /auth/v1/health HTTP/1.1\r\nHost: test\r\napikey: ") + DEMO_ANON_KEY +
           "\r\n" + (keepAlive ? "" : "Connection: close\r\n") + "\r\n";
}

TestBackendConfig limited(std::size_t maxConnections, std::size_t perAddress,
                          std::chrono::milliseconds firstByte = FOREVER) {
    TestBackendConfig config;
    config.settings.http.maxConnections = maxConnections;
    config.settings.http.maxConnectionsPerAddress = perAddress;
    config.settings.http.firstByteTimeout = firstByte;
    config.settings.http.idleTimeout = FOREVER;
    config.settings.http.requestDeadline = FOREVER;
    config.settings.http.ioThreads = 2;
    return config;
}

// Opens count connections from one address, all idle once this returns: the
// last one is served a request and kept alive, and the server takes
// connections in the order they came.
std::vector<std::unique_ptr<RawConnection>> idleConnections(int port, const char* from,
                                                            std::size_t count) {
    std::vector<std::unique_ptr<RawConnection>> held;
    for (std::size_t i = 0; i < count; ++i) {
        held.push_back(std::make_unique<RawConnection>(port, from));
    }
    EXPECT_TRUE(held.back()->send(healthRequest(true)));
    const auto answer = held.back()->readResponse(PATIENCE);
    EXPECT_TRUE(answer && answer->status == 200) << "the last connection was not served";
    return held;
}

int statusOfOneRequest(int port, const char* from) {
    RawConnection player(port, from);
    if (!player.send(healthRequest(false))) {
        return 0;
    }
    const auto answer = player.readResponse(PATIENCE);
    return answer ? answer->status : 0;
}

TEST(ConnectionLimits, AtTheCapTheLongestIdleConnectionMakesRoomForAPlayer) {
    TestBackend backend(limited(16, 0));
    auto silent = idleConnections(backend.server->port(), ATTACKER, 16);

    EXPECT_EQ(statusOfOneRequest(backend.server->port(), PLAYER), 200);
    EXPECT_TRUE(silent.front()->closedWithin(PATIENCE)) << "the oldest idle one goes first";
    // Every further player is served too, each at the cost of an idle one.
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(statusOfOneRequest(backend.server->port(), PLAYER), 200) << "player " << i;
    }
}

TEST(ConnectionLimits, OneAddressHoldsOnlyItsShare) {
    TestBackend backend(limited(64, 4));
    const int port = backend.server->port();
    auto silent = idleConnections(port, ATTACKER, 4);

    RawConnection fifth(port, ATTACKER);
    const auto refusal = fifth.readResponse(PATIENCE);
    ASSERT_TRUE(refusal) << "a connection over the share is told so, not left waiting";
    EXPECT_EQ(refusal->status, 503);
    EXPECT_EQ(statusOfOneRequest(port, PLAYER), 200);

    // A connection given back is a place the address may use again.
    silent.pop_back();
    // The server learns of the close when it next reads that socket, which
    // on a busy machine may take a while.
    bool servedAgain = false;
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    while (!servedAgain && std::chrono::steady_clock::now() < deadline) {
        servedAgain = statusOfOneRequest(port, ATTACKER) == 200;
        if (!servedAgain) {
            std::this_thread::sleep_for(10ms);
        }
    }
    EXPECT_TRUE(servedAgain);
}

TEST(ConnectionLimits, WhenNoConnectionIsIdleANewOneIsAnswered503) {
    TestBackend backend(limited(4, 0));
    const int port = backend.server->port();
    // Requests begun and never finished: busy, so none may be closed.
    std::vector<std::unique_ptr<RawConnection>> busy;
    for (int i = 0; i < 4; ++i) {
        busy.push_back(std::make_unique<RawConnection>(port, ATTACKER));
        ASSERT_TRUE(busy.back()->send("POST /auth/v1/signup HTTP/1.1\r\nHost: x\r\n"));
    }
    // Until the server has read their first bytes they are silent, and fair
    // to close; on a busy machine that takes a while, so wait for it.
    const auto deadline = std::chrono::steady_clock::now() + PATIENCE;
    auto counts = backend.server->connectionCounts();
    while ((counts.open != 4 || counts.idle != 0) && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(5ms);
        counts = backend.server->connectionCounts();
    }
    ASSERT_EQ(counts.open, 4u);
    ASSERT_EQ(counts.idle, 0u);

    RawConnection extra(port, PLAYER);
    extra.send(healthRequest(false));
    const auto refusal = extra.readResponse(PATIENCE);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->status, 503);
    EXPECT_NE(refusal->head.find("Retry-After"), std::string::npos) << refusal->head;
    for (auto& connection : busy) {
        EXPECT_FALSE(connection->closedWithin(50ms)) << "a request under way is never evicted";
    }
}

TEST(ConnectionLimits, ASilentConnectionIsClosedAfterTheFirstByteDeadline) {
    TestBackend backend(limited(64, 0, 200ms));
    const int port = backend.server->port();
    RawConnection silent(port, ATTACKER);
    RawConnection talking(port, PLAYER);
    ASSERT_TRUE(talking.send(healthRequest(true)));
    ASSERT_TRUE(talking.readResponse(PATIENCE));

    EXPECT_TRUE(silent.closedWithin(PATIENCE));
    // The first byte's deadline is not the idle time of a kept-alive
    // connection: the player's is still open.
    ASSERT_TRUE(talking.send(healthRequest(true)));
    const auto again = talking.readResponse(PATIENCE);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->status, 200);
}

} // namespace

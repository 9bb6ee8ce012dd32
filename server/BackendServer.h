#pragma once

#include "server/AuthService.h"
#include "server/HttpServer.h"
#include "server/RateLimiter.h"
#include "server/RpcService.h"
#include "server/WorkPool.h"

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <string>

namespace backend {

struct BackendSettings {
    HttpLimits http;
    // Sign-ups and password sign-ins each client address may make (and,
    // counted apart, refresh-token grants): a burst, earned back evenly over
    // the window. The hosted service's defaults; 0 turns the limit off.
    std::size_t authRateBurst = 30;
    std::chrono::milliseconds authRateWindow{5 * 60 * 1000};
    // The clock the limits per address run on; tests hand in one of their own.
    std::function<RateLimiter::Clock::time_point()> rateClock = &RateLimiter::Clock::now;
    // Wrong passwords tried on one account, from any addresses: a burst,
    // earned back over the window; 0 turns the limit off.
    std::size_t failedSignInBurst = 10;
    std::chrono::milliseconds failedSignInWindow{15 * 60 * 1000};
    // A refresh token used again within this gets the session its first use
    // made; later, the reuse ends the session.
    std::chrono::seconds refreshReuseInterval{AuthService::REFRESH_REUSE_INTERVAL_SECONDS};
    // Password hashes computed at once (0: one per core the process may run
    // on), and how many more may wait, shared fairly between client
    // addresses, before sign-ins are turned away.
    unsigned hashingThreads = 0;
    std::size_t maxQueuedHashes = 256;
    // Replays played at once to verify the scores sent with them (0: one
    // per core), and how many more may wait before a store is turned away
    // (503) to be sent again later.
    unsigned verifyingThreads = 0;
    std::size_t maxQueuedReplays = 64;
};

// The HTTP face of the stand-in: the gateway's API key check in front of the
// authentication routes and the remote procedures, one log line per request.
// Password hashing runs on a pool of its own, and so does the playing of
// replays sent with scores, so reads and plain stores of scores are answered
// at once whatever the sign-ins and verifications cost.
class BackendServer : private HttpServer::Handler {
public:
    // log: where the request lines go; null keeps the server silent.
    BackendServer(Store& store, const PasswordHasher& hasher, const TokenService& tokens,
                  std::ostream* log, BackendSettings settings = {});
    ~BackendServer() override;
    BackendServer(const BackendServer&) = delete;
    BackendServer& operator=(const BackendServer&) = delete;

    // Port 0 picks a free port. False when the address cannot be bound.
    bool bind(const std::string& address, int port);
    int port() const { return http->port(); }
    HttpServer::ConnectionCounts connectionCounts() const { return http->connectionCounts(); }
    std::string baseUrl() const;

    // Serves until stop(); returns false if serving could not start.
    bool run();
    void stop();
    bool isRunning() const;

    // The whole answer to a request, computed on the calling thread,
    // password hashing included; what the transport gets, for tests and
    // fuzzing without sockets.
    HttpResponse respond(const HttpRequest& request);

    // The answer to a request the transport refused, in the body shape of
    // the service its path belongs to.
    HttpResponse refuse(int status, std::string_view method, std::string_view target) override;

private:
    enum class Route {
        Health,
        SignUp,
        PasswordGrant,
        RefreshGrant,
        OtherGrant,
        Logout,
        Rpc,
        ReplayRpc,
        None
    };

    void handle(HttpRequest request, HttpServer::Reply reply) override;
    static Route routeOf(const HttpRequest& request);
    // The gateway's refusals and the rate limits; nothing when the request
    // may go on.
    std::optional<ApiResponse> screen(const HttpRequest& request, Route route);
    ApiResponse dispatch(const HttpRequest& request, Route route);
    bool isProjectKey(const std::string& key) const;
    HttpResponse finish(const HttpRequest& request, const ApiResponse& answer);
    void logLine(std::string_view method, std::string_view path, int status, const char* elapsed);

    AuthService auth;
    RpcService rpc;
    const TokenService& tokens;
    std::ostream* log;
    std::mutex logMutex;
    RateLimiter signInLimiter;
    RateLimiter refreshLimiter;
    std::function<RateLimiter::Clock::time_point()> rateClock;
    std::string boundAddress;
    // Declared before the pool, so destroyed after it: queued jobs hold
    // connections that belong to the transport.
    std::unique_ptr<HttpServer> http;
    WorkPool hashing;
    WorkPool verifying;
};

} // namespace backend

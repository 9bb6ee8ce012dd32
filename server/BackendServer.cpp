#include "server/BackendServer.h"

#include "server/Clock.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <iostream>

namespace backend {

namespace {

// Logged paths are cut here; a path can be as long as the header cap.
constexpr std::size_t MAX_LOGGED_PATH = 200;
// Hashing and verifying threads yield to the threads that serve cheap
// requests.
constexpr int HASHING_NICENESS = 5;
constexpr int VERIFYING_NICENESS = 5;
// The one procedure that plays a replay, on the verifying pool.
constexpr std::string_view REPLAY_PROCEDURE = "submit_score_replay";

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

bool isApiPath(std::string_view path) {
    return path == "/auth/v1" || path == "/rest/v1" || startsWith(path, "/auth/v1/") ||
           startsWith(path, "/rest/v1/");
}

constexpr std::string_view RPC_PREFIX = "/rest/v1/rpc/";

bool isProcedureName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
    });
}

std::string bearerFrom(const HttpRequest& request) {
    const auto* authorization = request.findHeader("authorization");
    if (!authorization) {
        // The gateway lets the API key stand in for a missing bearer token.
        return request.header("apikey");
    }
    constexpr std::size_t SCHEME_LENGTH = 7; // "Bearer "
    if (authorization->size() <= SCHEME_LENGTH ||
        !std::equal(
            authorization->begin(), authorization->begin() + SCHEME_LENGTH, "bearer ",
            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; })) {
        return {}; // refused as a malformed token
    }
    return authorization->substr(SCHEME_LENGTH);
}

ApiResponse overRateLimit() {
    return ApiResponse::authError(429, "over_request_rate_limit", "Request rate limit reached");
}

// How refusals of the transport read in each service's body shape.
struct Refusal {
    int status;
    const char* sqlState; // the procedures' "code"
    const char* message;
};

constexpr Refusal REFUSALS[] = {
    {400, "08P01", "Malformed HTTP request"},
    {413, "54000", "Request body is too large"},
    {415, "0A000", "Compressed or otherwise encoded request bodies are not accepted"},
    {431, "54000", "Request header fields too large"},
    {503, "53300", "Too many connections; try again shortly"},
};

} // namespace

BackendServer::BackendServer(Store& store, const PasswordHasher& hasher, const TokenService& tokens,
                             std::ostream* log, BackendSettings settings)
    : auth(store, hasher, tokens), rpc(store, tokens), tokens(tokens), log(log),
      signInLimiter(settings.authRateBurst, settings.authRateWindow),
      refreshLimiter(settings.authRateBurst, settings.authRateWindow),
      rateClock(std::move(settings.rateClock)),
      http(std::make_unique<HttpServer>(static_cast<HttpServer::Handler&>(*this), settings.http)),
      hashing(settings.hashingThreads, settings.maxQueuedHashes, HASHING_NICENESS),
      verifying(settings.verifyingThreads, settings.maxQueuedReplays, VERIFYING_NICENESS) {
    auth.limitFailedSignIns(settings.failedSignInBurst, settings.failedSignInWindow);
    auth.setRefreshReuseInterval(settings.refreshReuseInterval);
}

BackendServer::~BackendServer() {
    stop();
    // Jobs still queued hold connections; drop them while the transport
    // they belong to still exists.
    hashing.shutdown();
    verifying.shutdown();
}

BackendServer::Route BackendServer::routeOf(const HttpRequest& request) {
    const std::string& path = request.path;
    if (request.method == "GET" && path == "/auth/v1/health") {
        return Route::Health;
    }
    if (request.method != "POST") {
        return Route::None;
    }
    if (path == "/auth/v1/signup") {
        return Route::SignUp;
    }
    if (path == "/auth/v1/logout") {
        return Route::Logout;
    }
    if (path == "/auth/v1/token") {
        const std::string grant = request.queryParameter("grant_type");
        return grant == "password"        ? Route::PasswordGrant
               : grant == "refresh_token" ? Route::RefreshGrant
                                          : Route::OtherGrant;
    }
    if (startsWith(path, RPC_PREFIX) &&
        isProcedureName(std::string_view(path).substr(RPC_PREFIX.size()))) {
        return std::string_view(path).substr(RPC_PREFIX.size()) == REPLAY_PROCEDURE
                   ? Route::ReplayRpc
                   : Route::Rpc;
    }
    return Route::None;
}

std::optional<ApiResponse> BackendServer::screen(const HttpRequest& request, Route route) {
    if (!isApiPath(request.path)) {
        return ApiResponse::gatewayError(404, "no Route matched with those values");
    }
    const auto* key = request.findHeader("apikey");
    if (!key) {
        return ApiResponse::gatewayError(401, "No API key found in request");
    }
    if (!isProjectKey(*key)) {
        return ApiResponse::gatewayError(401, "Invalid API key");
    }
    if ((route == Route::SignUp || route == Route::PasswordGrant) &&
        !signInLimiter.allow(request.clientAddress, rateClock())) {
        return overRateLimit();
    }
    if (route == Route::RefreshGrant && !refreshLimiter.allow(request.clientAddress, rateClock())) {
        return overRateLimit();
    }
    return std::nullopt;
}

ApiResponse BackendServer::dispatch(const HttpRequest& request, Route route) {
    try {
        switch (route) {
        case Route::Health:
            return ApiResponse::json(
                200, {{"version", "vollarin-server"},
                      {"name", "GoTrue"},
                      {"description", "Stand-in for the scores backend's accounts"}});
        case Route::SignUp:
            return auth.signUp(request.body);
        case Route::PasswordGrant:
        case Route::RefreshGrant:
        case Route::OtherGrant:
            return auth.token(request.queryParameter("grant_type"), request.body);
        case Route::Logout:
            return auth.logout(bearerFrom(request), request.queryParameter("scope"));
        case Route::Rpc:
        case Route::ReplayRpc:
            return rpc.call(request.path.substr(RPC_PREFIX.size()), request.body,
                            bearerFrom(request));
        case Route::None:
            break;
        }
        if (startsWith(request.path, "/auth/v1/")) {
            return ApiResponse::authError(404, "not_found", "Path not found");
        }
        return ApiResponse::rpcError(404, "PGRST125", "Invalid path specified in request URL");
    } catch (const std::exception& error) {
        std::cerr << "BackendServer: " << escapeForLog(request.path, MAX_LOGGED_PATH)
                  << " failed: " << error.what() << std::endl;
        return ApiResponse::json(500, {{"message", "internal error"}});
    }
}

void BackendServer::handle(HttpRequest request, HttpServer::Reply reply) {
    const Route route = routeOf(request);
    if (const auto refusal = screen(request, route)) {
        return reply(finish(request, *refusal));
    }
    if (route == Route::SignUp || route == Route::PasswordGrant) {
        auto shared = std::make_shared<const HttpRequest>(std::move(request));
        const std::string client = shared->clientAddress;
        const bool queued = hashing.post(
            client,
            {[this, shared, reply, route] { reply(finish(*shared, dispatch(*shared, route))); },
             [this, shared, reply] { reply(finish(*shared, overRateLimit())); }});
        if (!queued) {
            reply(finish(*shared, overRateLimit()));
        }
        return;
    }
    if (route == Route::ReplayRpc) {
        auto shared = std::make_shared<const HttpRequest>(std::move(request));
        const std::string client = shared->clientAddress;
        const auto busy = [] {
            return ApiResponse::rpcError(503, "53400",
                                         "too many replays are waiting to be verified; "
                                         "send the score again later");
        };
        const bool queued = verifying.post(
            client,
            {[this, shared, reply, route] { reply(finish(*shared, dispatch(*shared, route))); },
             [this, shared, reply, busy] { reply(finish(*shared, busy())); }});
        if (!queued) {
            reply(finish(*shared, busy()));
        }
        return;
    }
    reply(finish(request, dispatch(request, route)));
}

HttpResponse BackendServer::respond(const HttpRequest& request) {
    const Route route = routeOf(request);
    if (const auto refusal = screen(request, route)) {
        return finish(request, *refusal);
    }
    return finish(request, dispatch(request, route));
}

HttpResponse BackendServer::refuse(int status, std::string_view method, std::string_view target) {
    const std::string path = percentDecode(target.substr(0, target.find('?')), false);
    const Refusal* refusal =
        std::find_if(std::begin(REFUSALS), std::end(REFUSALS),
                     [status](const Refusal& r) { return r.status == status; });
    const char* sqlState = refusal != std::end(REFUSALS) ? refusal->sqlState : "XX000";
    const char* message = refusal != std::end(REFUSALS) ? refusal->message : "internal error";
    ApiResponse answer;
    if (startsWith(path, "/auth/v1")) {
        answer = ApiResponse::authError(
            status, status >= 500 ? "unexpected_failure" : "validation_failed", message);
    } else if (startsWith(path, "/rest/v1")) {
        answer = ApiResponse::rpcError(status, sqlState, message);
    } else {
        answer = ApiResponse::gatewayError(status, message);
    }
    logLine(method.empty() ? "-" : method, target.empty() ? "-" : path, status, "-");
    return HttpResponse{answer.status, answer.body, "application/json", true};
}

HttpResponse BackendServer::finish(const HttpRequest& request, const ApiResponse& answer) {
    char elapsed[32];
    const std::chrono::duration<double, std::milli> taken =
        std::chrono::steady_clock::now() - request.receivedAt;
    std::snprintf(elapsed, sizeof elapsed, "%.1f", taken.count());
    logLine(request.method, request.path, answer.status, elapsed);
    return HttpResponse{answer.status, answer.body, "application/json", false};
}

// The project's anonymous key is any unexpired token signed with the
// project's secret whose role is "anon"; with the default secret that
// includes the well-known demo key. Users' access tokens are not API keys.
bool BackendServer::isProjectKey(const std::string& key) const {
    const auto verification = tokens.verify(key, Clock::nowSeconds());
    if (verification.verdict != TokenService::Verdict::Valid) {
        return false;
    }
    const auto role = verification.claims.find("role");
    return role != verification.claims.end() && role->is_string() && *role == "anon";
}

// Method and path only: bodies carry passwords and queries may too. The
// path is escaped, so a client cannot write lines of its own.
void BackendServer::logLine(std::string_view method, std::string_view path, int status,
                            const char* elapsed) {
    if (!log) {
        return;
    }
    const std::string line = escapeForLog(method, MAX_LOGGED_PATH) + " " +
                             escapeForLog(path, MAX_LOGGED_PATH) + " " + std::to_string(status) +
                             " " + elapsed + " ms\n";
    std::lock_guard lock(logMutex);
    *log << line << std::flush;
}

bool BackendServer::bind(const std::string& address, int port) {
    if (!http->bind(address, port)) {
        return false;
    }
    boundAddress = address;
    auth.setPublicUrl(baseUrl());
    return true;
}

std::string BackendServer::baseUrl() const {
    const bool ipv6 = boundAddress.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + boundAddress + "]" : boundAddress;
    return "http://" + host + ":" + std::to_string(http->port());
}

bool BackendServer::run() {
    return http->run();
}

void BackendServer::stop() {
    http->stop();
}

bool BackendServer::isRunning() const {
    return http->isRunning();
}

} // namespace backend

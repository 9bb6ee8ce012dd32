#include "server/BackendServer.h"

#include "server/Clock.h"

#include <chrono>
#include <cstdio>
#include <iostream>

namespace backend {

namespace {

constexpr std::size_t MAX_BODY_BYTES = 64 * 1024;
// A worker serves one kept-alive connection at a time, so the pool bounds
// the number of clients served at once rather than the CPU work.
constexpr std::size_t WORKER_THREADS = 24;

// Set by the gateway check and read by the logger; both run on the thread
// that serves the request.
thread_local std::chrono::steady_clock::time_point requestStart;
thread_local bool requestTimed = false;

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool isApiPath(const std::string& path) {
    return path == "/auth/v1" || path == "/rest/v1" || startsWith(path, "/auth/v1/") ||
           startsWith(path, "/rest/v1/");
}

void send(httplib::Response& response, const ApiResponse& answer) {
    response.status = answer.status;
    if (!answer.body.empty()) {
        response.set_content(answer.body, "application/json");
    }
}

// Handlers answer 500 instead of letting an exception reach the HTTP library.
template <typename Handler> httplib::Server::Handler guarded(Handler handler) {
    return [handler](const httplib::Request& request, httplib::Response& response) {
        try {
            send(response, handler(request));
        } catch (const std::exception& error) {
            std::cerr << "BackendServer: " << request.path << " failed: " << error.what()
                      << std::endl;
            send(response, ApiResponse::json(500, {{"message", "internal error"}}));
        }
    };
}

std::string bearerFrom(const httplib::Request& request) {
    const std::string authorization = request.get_header_value("Authorization");
    if (authorization.empty()) {
        // The gateway lets the API key stand in for a missing bearer token.
        return request.get_header_value("apikey");
    }
    constexpr std::size_t SCHEME_LENGTH = 7; // "Bearer "
    if (authorization.size() <= SCHEME_LENGTH ||
        !std::equal(
            authorization.begin(), authorization.begin() + SCHEME_LENGTH, "bearer ",
            [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; })) {
        return {}; // refused as a malformed token
    }
    return authorization.substr(SCHEME_LENGTH);
}

} // namespace

BackendServer::BackendServer(Store& store, const PasswordHasher& hasher, const TokenService& tokens,
                             std::ostream* log)
    : auth(store, hasher, tokens), rpc(store, tokens), tokens(tokens), log(log),
      http(std::make_unique<httplib::Server>()) {
    installRoutes();
}

BackendServer::~BackendServer() {
    stop();
}

void BackendServer::installRoutes() {
    http->new_task_queue = [] { return new httplib::ThreadPool(WORKER_THREADS); };
    http->set_payload_max_length(MAX_BODY_BYTES);
    // Headers and body go out in separate writes; without this, Nagle's
    // algorithm and delayed ACKs hold every answer with a body for ~40 ms.
    http->set_tcp_nodelay(true);
    http->set_pre_routing_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            return checkGateway(request, response);
        });
    http->set_logger([this](const httplib::Request& request, const httplib::Response& response) {
        logRequest(request, response);
    });
    // Routes without an answer of their own get the hosted services' bodies.
    http->set_error_handler(httplib::Server::HandlerWithResponse([](const httplib::Request& request,
                                                                    httplib::Response& response) {
        if (!response.body.empty()) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        if (startsWith(request.path, "/auth/v1/")) {
            send(response, ApiResponse::authError(response.status, "not_found", "Path not found"));
        } else if (response.status == 404) {
            send(response,
                 ApiResponse::rpcError(404, "PGRST125", "Invalid path specified in request URL"));
        } else {
            send(response, ApiResponse::json(response.status, {{"message", "request refused"}}));
        }
        return httplib::Server::HandlerResponse::Handled;
    }));

    http->Get("/auth/v1/health", guarded([](const httplib::Request&) {
                  return ApiResponse::json(
                      200, {{"version", "vollarin-server"},
                            {"name", "GoTrue"},
                            {"description", "Stand-in for the scores backend's accounts"}});
              }));
    http->Post("/auth/v1/signup", guarded([this](const httplib::Request& request) {
                   return auth.signUp(request.body);
               }));
    http->Post("/auth/v1/token", guarded([this](const httplib::Request& request) {
                   return auth.token(request.get_param_value("grant_type"), request.body);
               }));
    http->Post(R"(/rest/v1/rpc/([A-Za-z0-9_]+))", guarded([this](const httplib::Request& request) {
                   return rpc.call(request.matches[1], request.body, bearerFrom(request));
               }));
}

httplib::Server::HandlerResponse BackendServer::checkGateway(const httplib::Request& request,
                                                             httplib::Response& response) {
    requestStart = std::chrono::steady_clock::now();
    requestTimed = true;
    if (!isApiPath(request.path)) {
        send(response, ApiResponse::gatewayError(404, "no Route matched with those values"));
        return httplib::Server::HandlerResponse::Handled;
    }
    if (!request.has_header("apikey")) {
        send(response, ApiResponse::gatewayError(401, "No API key found in request"));
        return httplib::Server::HandlerResponse::Handled;
    }
    if (!isProjectKey(request.get_header_value("apikey"))) {
        send(response, ApiResponse::gatewayError(401, "Invalid API key"));
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
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

void BackendServer::logRequest(const httplib::Request& request, const httplib::Response& response) {
    if (!log) {
        return;
    }
    char elapsed[32] = "-";
    if (requestTimed) {
        const std::chrono::duration<double, std::milli> taken =
            std::chrono::steady_clock::now() - requestStart;
        std::snprintf(elapsed, sizeof elapsed, "%.1f", taken.count());
        requestTimed = false;
    }
    // Method and path only: bodies carry passwords and queries may too.
    const std::string line = request.method + " " + request.path + " " +
                             std::to_string(response.status) + " " + elapsed + " ms\n";
    std::lock_guard lock(logMutex);
    *log << line << std::flush;
}

bool BackendServer::bind(const std::string& address, int port) {
    if (port == 0) {
        boundPort = http->bind_to_any_port(address);
        if (boundPort <= 0) {
            return false;
        }
    } else if (http->bind_to_port(address, port)) {
        boundPort = port;
    } else {
        return false;
    }
    boundAddress = address;
    auth.setPublicUrl(baseUrl());
    return true;
}

std::string BackendServer::baseUrl() const {
    const bool ipv6 = boundAddress.find(':') != std::string::npos;
    const std::string host = ipv6 ? "[" + boundAddress + "]" : boundAddress;
    return "http://" + host + ":" + std::to_string(boundPort);
}

bool BackendServer::run() {
    return http->listen_after_bind();
}

void BackendServer::stop() {
    if (http->is_running()) {
        http->stop();
    }
}

bool BackendServer::isRunning() const {
    return http->is_running();
}

} // namespace backend

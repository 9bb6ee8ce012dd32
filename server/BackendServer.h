#pragma once

#include "server/AuthService.h"
#include "server/RpcService.h"

#include <httplib.h>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

namespace backend {

// The HTTP face of the stand-in: the gateway's API key check in front of the
// authentication routes and the remote procedures, one log line per request.
class BackendServer {
public:
    // log: where the request lines go; null keeps the server silent.
    BackendServer(Store& store, const PasswordHasher& hasher, const TokenService& tokens,
                  std::ostream* log);
    ~BackendServer();
    BackendServer(const BackendServer&) = delete;
    BackendServer& operator=(const BackendServer&) = delete;

    // Port 0 picks a free port. False when the address cannot be bound.
    bool bind(const std::string& address, int port);
    int port() const { return boundPort; }
    std::string baseUrl() const;

    // Serves until stop(); returns false if serving could not start.
    bool run();
    void stop();
    bool isRunning() const;

private:
    void installRoutes();
    httplib::Server::HandlerResponse checkGateway(const httplib::Request& request,
                                                  httplib::Response& response);
    bool isProjectKey(const std::string& key) const;
    void logRequest(const httplib::Request& request, const httplib::Response& response);

    AuthService auth;
    RpcService rpc;
    const TokenService& tokens;
    std::ostream* log;
    std::mutex logMutex;
    std::unique_ptr<httplib::Server> http;
    std::string boundAddress;
    int boundPort = 0;
};

} // namespace backend

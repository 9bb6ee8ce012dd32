#pragma once

#include "server/HttpMessage.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace backend {

// What the transport lets a client do before it is refused or cut off.
struct HttpLimits {
    // After removing any chunking; a larger body is refused with 413.
    std::size_t maxBodyBytes = 64 * 1024;
    // Request line and header fields together, and the number of fields;
    // more is refused with 431.
    std::size_t maxHeaderBytes = 16 * 1024;
    std::size_t maxHeaderCount = 64;
    // From a request's first byte to its last: a slower sender is cut off.
    std::chrono::milliseconds requestDeadline{10'000};
    // How long a new connection may stay silent before its first byte: a
    // connection that says nothing is not a player's.
    std::chrono::milliseconds firstByteTimeout{5'000};
    // How long a kept-alive connection may wait for its next request.
    std::chrono::milliseconds idleTimeout{60'000};
    // How long a client may take to read an answer.
    std::chrono::milliseconds writeTimeout{10'000};
    // Connections held at once. At the cap the connection idle the longest
    // is closed to make room; when none is idle, the new one is answered 503.
    std::size_t maxConnections = 4096;
    // Connections one client address may hold at once; more are answered
    // 503. 0: no limit.
    std::size_t maxConnectionsPerAddress = 256;
    // Threads serving connections; 0: one per core the process may run on.
    unsigned ioThreads = 0;
};

// The HTTP/1.1 transport of the stand-in, on Boost.Beast and Asio: one
// event loop per core, so a connection costs a socket and a buffer but no
// thread while it waits, and the limits above are enforced before a request
// reaches the handler.
class HttpServer {
public:
    // Answers a request; may be called on any thread, exactly once.
    using Reply = std::function<void(HttpResponse)>;

    class Handler {
    public:
        virtual ~Handler() = default;
        // Called on a serving thread. A handler with slow work hands it
        // elsewhere and replies from there.
        virtual void handle(HttpRequest request, Reply reply) = 0;
        // The answer to a request the transport refused (400, 413, 415,
        // 431, and 503 for a connection over a cap); method and target are empty when the request
        // line was not read.
        virtual HttpResponse refuse(int status, std::string_view method,
                                    std::string_view target) = 0;
    };

    HttpServer(Handler& handler, HttpLimits limits);
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // Port 0 picks a free port. False when the address cannot be bound.
    bool bind(const std::string& address, int port);
    int port() const;

    // Serves on the calling thread and ioThreads - 1 more until stop();
    // false when nothing was bound.
    bool run();
    // Safe from any thread, also before run(), which then returns at once.
    void stop();
    bool isRunning() const;

    // What the server holds right now: every open connection, and those of
    // them waiting for a request (the ones it may close to make room).
    struct ConnectionCounts {
        std::size_t open = 0;
        std::size_t idle = 0;
    };
    ConnectionCounts connectionCounts() const;

    // The sockets and event loop, out of this header.
    class Impl;

private:
    std::unique_ptr<Impl> impl;
};

} // namespace backend

#pragma once

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

// Carries one request to the scores backend and brings its answer back. The
// backend is a remote party, so every exchange is protected the same way:
// redirects are never followed (a 3xx is an answer like any other, and the
// password or a token never travels to another address); the whole exchange
// (name lookup, connect, send, receive) has one deadline, however slowly the
// server trickles its bytes; and an answer larger than MAX_ANSWER_BYTES is
// refused while it arrives. Every request of the client goes through
// exchange(), so a new one gets the same protection.
class BackendTransport {
public:
    static constexpr std::chrono::milliseconds EXCHANGE_DEADLINE{5000};
    static constexpr std::size_t MAX_ANSWER_BYTES = 1024 * 1024;

    // baseUrl: "http://host[:port]" or "https://host[:port]", any path
    // ignored; without a scheme the text is the host of a plain http URL.
    explicit BackendTransport(const std::string& baseUrl,
                              std::chrono::milliseconds deadline = EXCHANGE_DEADLINE);

    // Sends method ("GET", "POST", "PUT" or "DELETE"; anything else sends
    // nothing) to path with headers and, for POST and PUT, the JSON body.
    // Returns the answer, or no response when the exchange failed, ran out of
    // time or was refused as too large (the reason is logged). Blocks until
    // then; never throws.
    httplib::Result exchange(const std::string& method, const std::string& path,
                             const httplib::Headers& headers, const std::string& body) const;

    bool isUsingHttps() const { return useHttps; }

    // From another thread: the exchange in progress gives up at once (its
    // connection is cut), and every later one fails without being sent. For
    // a game that is closing, which must not wait out a stalled server.
    void abandon() const { abandoned->store(true); }

private:
    std::string host; // as written in the URL, with any ":port"
    std::string tlsHost;
    int tlsPort = 0;
    bool useHttps = false;
    std::chrono::milliseconds deadline;
    std::shared_ptr<std::atomic<bool>> abandoned = std::make_shared<std::atomic<bool>>(false);
};

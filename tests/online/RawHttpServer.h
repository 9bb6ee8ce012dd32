#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <thread>

// A loopback TCP server for answers no well-behaved HTTP server gives: each
// connection's request is read whole and handed to the handler, which writes
// whatever bytes it likes to the socket (trickled, flooded, malformed). One
// connection at a time, like the client it serves. Header-only so that the
// fuzz targets can use it too.
class RawHttpServer {
public:
    using Handler =
        std::function<void(RawHttpServer& server, int socket, const std::string& request)>;

    explicit RawHttpServer(Handler handler) : handler(std::move(handler)) {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof(address);
        if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
            ::listen(listener, 8) != 0 ||
            ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
            return;
        }
        boundPort = ntohs(address.sin_port);
        thread = std::thread([this] { serve(); });
    }

    ~RawHttpServer() {
        stopping = true;
        if (thread.joinable()) {
            thread.join();
        }
        if (listener >= 0) {
            ::close(listener);
        }
    }

    RawHttpServer(const RawHttpServer&) = delete;
    RawHttpServer& operator=(const RawHttpServer&) = delete;

    bool isListening() const { return boundPort > 0; }
    std::string baseUrl() const { return "http://127.0.0.1:" + std::to_string(boundPort); }
    int connections() const { return accepted; }

    // Waits, unless the server is being stopped; returns false then.
    bool pause(std::chrono::milliseconds duration) const {
        const auto until = std::chrono::steady_clock::now() + duration;
        while (std::chrono::steady_clock::now() < until) {
            if (stopping) {
                return false;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return !stopping;
    }

    // Writes every byte unless the peer has gone or stopped reading; never
    // raises SIGPIPE.
    static bool sendAll(int socket, std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t sent = ::send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

private:
    void serve() {
        while (!stopping) {
            pollfd waiting{listener, POLLIN, 0};
            if (::poll(&waiting, 1, 20) <= 0) {
                continue;
            }
            const int connection = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0) {
                continue;
            }
            ++accepted;
            // A client that stopped reading must not hold the server in send.
            const timeval sendTimeout{0, 250000};
            ::setsockopt(connection, SOL_SOCKET, SO_SNDTIMEO, &sendTimeout, sizeof(sendTimeout));
            std::string request;
            if (readRequest(connection, request)) {
                handler(*this, connection, request);
            }
            ::shutdown(connection, SHUT_RDWR);
            ::close(connection);
        }
    }

    // The head up to the blank line and as many body bytes as it declares.
    bool readRequest(int connection, std::string& request) const {
        std::size_t wanted = std::string::npos;
        char buffer[4096];
        while (!stopping && (wanted == std::string::npos || request.size() < wanted)) {
            pollfd readable{connection, POLLIN, 0};
            if (::poll(&readable, 1, 20) <= 0) {
                continue;
            }
            const ssize_t got = ::recv(connection, buffer, sizeof(buffer), 0);
            if (got <= 0) {
                return false;
            }
            request.append(buffer, static_cast<std::size_t>(got));
            const std::size_t headEnd = request.find("\r\n\r\n");
            if (wanted == std::string::npos && headEnd != std::string::npos) {
                wanted = headEnd + 4 + declaredLength(request.substr(0, headEnd));
            }
        }
        return !stopping;
    }

    static std::size_t declaredLength(const std::string& head) {
        const std::string key = "\r\nContent-Length: ";
        const std::size_t at = head.find(key);
        return at == std::string::npos ? 0 : std::stoul(head.substr(at + key.size()));
    }

    Handler handler;
    int listener = -1;
    int boundPort = -1;
    std::atomic<int> accepted{0};
    std::atomic<bool> stopping{false};
    std::thread thread;
};

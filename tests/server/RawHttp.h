#pragma once

// A bare TCP client for requests no well-behaved HTTP library would send:
// chunked or compressed bodies, floods of headers, bytes that trickle in.

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>

namespace servertest {

struct RawResponse {
    int status = 0;
    std::string head; // status line and header fields
    std::string body;
};

class RawConnection {
public:
    // from: the loopback address to connect from (any of 127.0.0.0/8), so
    // that one test can be several clients; null: the system's choice.
    explicit RawConnection(int port, const char* from = nullptr) {
        fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0 && from) {
            sockaddr_in source{};
            source.sin_family = AF_INET;
            ::inet_pton(AF_INET, from, &source.sin_addr);
            if (::bind(fd, reinterpret_cast<sockaddr*>(&source), sizeof source) != 0) {
                ::close(fd);
                throw std::runtime_error("cannot bind the test client's address");
            }
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (fd < 0 || ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            throw std::runtime_error("cannot connect to the test server");
        }
    }
    ~RawConnection() { ::close(fd); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False once the server has closed or reset the connection.
    bool send(std::string_view bytes) {
        while (!bytes.empty()) {
            const auto sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) {
                continue;
            }
            if (sent <= 0) {
                return false;
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // The next whole answer (a body is read by its Content-Length); nothing
    // when the connection ends or the time runs out first.
    std::optional<RawResponse> readResponse(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            if (auto response = takeResponse()) {
                return response;
            }
            if (!receive(deadline)) {
                return std::nullopt;
            }
        }
    }

    // True when the server ends the connection within the time; whatever it
    // still sends is read and dropped.
    bool closedWithin(std::chrono::milliseconds timeout) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (receive(deadline)) {
            pending.clear();
        }
        return peerClosed;
    }

private:
    // Reads what has arrived; false at the end of the connection or the
    // deadline.
    bool receive(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char chunk[16384];
        const auto got = ::recv(fd, chunk, sizeof chunk, 0);
        if (got <= 0) {
            peerClosed = true;
            return false;
        }
        pending.append(chunk, static_cast<std::size_t>(got));
        return true;
    }

    std::optional<RawResponse> takeResponse() {
        const auto headEnd = pending.find("\r\n\r\n");
        if (headEnd == std::string::npos) {
            return std::nullopt;
        }
        RawResponse response;
        response.head = pending.substr(0, headEnd);
        if (response.head.size() > 12) {
            response.status = std::stoi(response.head.substr(9, 3));
        }
        std::size_t length = 0;
        std::string lower = response.head;
        for (auto& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        if (const auto field = lower.find("\r\ncontent-length:"); field != std::string::npos) {
            length = std::stoul(lower.substr(field + 17));
        }
        if (pending.size() < headEnd + 4 + length) {
            return std::nullopt;
        }
        response.body = pending.substr(headEnd + 4, length);
        pending.erase(0, headEnd + 4 + length);
        return response;
    }

    int fd = -1;
    std::string pending;
    bool peerClosed = false;
};

} // namespace servertest

#include "online/SocketWatch.h"

// The kernel's own header: the C library's copy of tcp_info lacks the byte
// counters.
#include <cstddef>
#include <linux/tcp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

SocketWatch::SocketWatch(int socket) : watched(socket >= 0 ? ::dup(socket) : -1) {}

SocketWatch::~SocketWatch() {
    if (watched >= 0) {
        ::close(watched);
    }
}

SocketWatch::SocketWatch(SocketWatch&& other) noexcept
    : watched(std::exchange(other.watched, -1)) {}

SocketWatch& SocketWatch::operator=(SocketWatch&& other) noexcept {
    if (this != &other) {
        if (watched >= 0) {
            ::close(watched);
        }
        watched = std::exchange(other.watched, -1);
    }
    return *this;
}

std::uint64_t SocketWatch::bytesReceived() const {
    tcp_info info{};
    socklen_t length = sizeof(info);
    if (watched < 0 || ::getsockopt(watched, IPPROTO_TCP, TCP_INFO, &info, &length) != 0 ||
        length < offsetof(tcp_info, tcpi_bytes_received) + sizeof(info.tcpi_bytes_received)) {
        return 0;
    }
    return info.tcpi_bytes_received;
}

void SocketWatch::cutOff() const {
    if (watched >= 0) {
        ::shutdown(watched, SHUT_RDWR);
    }
}

void SocketWatch::disable(int socket) {
    // A local socket cannot connect to an internet address: the connect that
    // follows fails at once, and closing the descriptor later closes this one.
    const int dead = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (dead >= 0) {
        ::dup2(dead, socket);
        ::close(dead);
    }
}

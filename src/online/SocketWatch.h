#pragma once

#include <cstdint>

// Watches a connected socket from another thread: how many bytes it has
// received so far, and a way to cut it off. It holds its own duplicate of
// the descriptor, so the number it uses stays valid (and can never name some
// other file) however and whenever the owner closes the original.
class SocketWatch {
public:
    SocketWatch() = default;
    // Duplicates socket; an invalid descriptor gives a watch that is not open.
    explicit SocketWatch(int socket);
    ~SocketWatch();
    SocketWatch(SocketWatch&& other) noexcept;
    SocketWatch& operator=(SocketWatch&& other) noexcept;
    SocketWatch(const SocketWatch&) = delete;
    SocketWatch& operator=(const SocketWatch&) = delete;

    bool isOpen() const { return watched >= 0; }
    // Bytes the connection has received, headers and all (0 when unknown).
    std::uint64_t bytesReceived() const;
    // Shuts the connection down both ways: whoever waits on it wakes with an
    // error at once.
    void cutOff() const;

    // Replaces socket, which must not be connected yet, with one that cannot
    // connect, so a request that is no longer wanted fails before it is sent.
    static void disable(int socket);

private:
    int watched = -1;
};

#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

namespace backend {

// Per-client token buckets: each client may make a burst of requests, and
// earns them back evenly over the window (a whole burst after one window).
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    // burst 0: no limit.
    RateLimiter(std::size_t burst, std::chrono::milliseconds window);

    // Spends one request of this client's; false when it has none left.
    bool allow(const std::string& client, Clock::time_point now = Clock::now());

    // Whether allow() would let this client through now, without spending:
    // for limits counted only on failures.
    bool hasAllowance(const std::string& client, Clock::time_point now = Clock::now()) const;

    std::size_t trackedClients() const;

    // Beyond this many clients, those with a full bucket are forgotten (and
    // if all are busy, all), so that many addresses cannot exhaust memory.
    static constexpr std::size_t MAX_TRACKED_CLIENTS = 65536;

private:
    struct Bucket {
        double tokens = 0;
        Clock::time_point updated;
    };

    double refilled(const Bucket& bucket, Clock::time_point now) const;
    void forgetIdleClients(Clock::time_point now);

    const double burst;
    const std::chrono::duration<double> window;
    mutable std::mutex mutex;
    std::unordered_map<std::string, Bucket> buckets;
};

} // namespace backend

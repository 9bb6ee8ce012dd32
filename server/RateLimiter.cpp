#include "server/RateLimiter.h"

#include <algorithm>

namespace backend {

RateLimiter::RateLimiter(std::size_t burst, std::chrono::milliseconds window)
    : burst(static_cast<double>(burst)), window(window) {}

double RateLimiter::refilled(const Bucket& bucket, Clock::time_point now) const {
    const std::chrono::duration<double> elapsed = now - bucket.updated;
    const double earned = window.count() > 0 ? burst * elapsed.count() / window.count() : burst;
    return std::min(burst, bucket.tokens + std::max(0.0, earned));
}

bool RateLimiter::allow(const std::string& client, Clock::time_point now) {
    if (burst <= 0) {
        return true;
    }
    std::lock_guard lock(mutex);
    auto found = buckets.find(client);
    if (found == buckets.end()) {
        if (buckets.size() >= MAX_TRACKED_CLIENTS) {
            forgetIdleClients(now);
        }
        found = buckets.emplace(client, Bucket{burst, now}).first;
    }
    Bucket& bucket = found->second;
    bucket.tokens = refilled(bucket, now);
    bucket.updated = now;
    if (bucket.tokens < 1.0) {
        return false;
    }
    bucket.tokens -= 1.0;
    return true;
}

bool RateLimiter::hasAllowance(const std::string& client, Clock::time_point now) const {
    if (burst <= 0) {
        return true;
    }
    std::lock_guard lock(mutex);
    const auto found = buckets.find(client);
    return found == buckets.end() || refilled(found->second, now) >= 1.0;
}

std::size_t RateLimiter::trackedClients() const {
    std::lock_guard lock(mutex);
    return buckets.size();
}

void RateLimiter::forgetIdleClients(Clock::time_point now) {
    for (auto it = buckets.begin(); it != buckets.end();) {
        it = refilled(it->second, now) >= burst ? buckets.erase(it) : std::next(it);
    }
    if (buckets.size() >= MAX_TRACKED_CLIENTS) {
        buckets.clear();
    }
}

} // namespace backend

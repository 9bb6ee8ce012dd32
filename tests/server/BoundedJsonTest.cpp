#include "online/BoundedJson.h"
#include "server/RateLimiter.h"

#include <gtest/gtest.h>
#include <pthread.h>

namespace {

std::string nested(std::size_t depth) {
    return std::string(depth, '[') + std::string(depth, ']');
}

TEST(BoundedJsonTest, RefusesNestingBeyondTheLimitAndParsesTheRest) {
    EXPECT_EQ(BoundedJson::parse(nested(BoundedJson::MAX_DEPTH)).verdict,
              BoundedJson::Verdict::Parsed);
    EXPECT_EQ(BoundedJson::parse(nested(BoundedJson::MAX_DEPTH + 1)).verdict,
              BoundedJson::Verdict::TooDeep);
    EXPECT_EQ(BoundedJson::parse(R"({"a":{"b":[1,2,{"c":null}]}})").value["a"]["b"][2],
              nlohmann::json({{"c", nullptr}}));
    EXPECT_EQ(BoundedJson::parse("{\"a\":").verdict, BoundedJson::Verdict::Malformed);
    EXPECT_EQ(BoundedJson::parse("").verdict, BoundedJson::Verdict::Malformed);
    EXPECT_EQ(BoundedJson::parse("{} trailing").verdict, BoundedJson::Verdict::Malformed);
    // Unclosed, but already too deep: refused for its depth.
    EXPECT_EQ(BoundedJson::parse(std::string(100, '{')).verdict, BoundedJson::Verdict::Malformed);
    EXPECT_EQ(BoundedJson::parse(std::string(100, '[')).verdict, BoundedJson::Verdict::TooDeep);
    EXPECT_TRUE(BoundedJson::withinDepth(R"([[1]])", 2));
    EXPECT_FALSE(BoundedJson::withinDepth(R"([[[1]]])", 2));
}

// Run on a thread with a 64 KiB stack, a 60 KB body nested 30 000 deep must
// be refused without overflowing it.
TEST(BoundedJsonTest, DeepInputNeedsNoStackToRefuse) {
    struct Job {
        std::string text = nested(30000);
        BoundedJson::Verdict verdict = BoundedJson::Verdict::Parsed;
    } job;
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 64 * 1024), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(
                  &thread, &attributes,
                  [](void* argument) -> void* {
                      auto* work = static_cast<Job*>(argument);
                      work->verdict = BoundedJson::parse(work->text).verdict;
                      return nullptr;
                  },
                  &job),
              0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
    EXPECT_EQ(job.verdict, BoundedJson::Verdict::TooDeep);
}

TEST(RateLimiterTest, EachClientHasItsOwnBurstEarnedBackOverTheWindow) {
    using namespace std::chrono_literals;
    backend::RateLimiter limiter(2, 10s);
    const auto start = backend::RateLimiter::Clock::now();
    EXPECT_TRUE(limiter.allow("a", start));
    EXPECT_TRUE(limiter.allow("a", start));
    EXPECT_FALSE(limiter.allow("a", start + 1s));
    EXPECT_TRUE(limiter.allow("b", start + 1s));
    EXPECT_TRUE(limiter.allow("a", start + 5s)); // half a window: one request back
    EXPECT_FALSE(limiter.allow("a", start + 5s));
    EXPECT_TRUE(limiter.allow("a", start + 20s));
    EXPECT_TRUE(limiter.allow("a", start + 20s));
    EXPECT_FALSE(limiter.allow("a", start + 20s));

    backend::RateLimiter unlimited(0, 10s);
    for (int i = 0; i < 1000; ++i) {
        ASSERT_TRUE(unlimited.allow("a", start));
    }
}

TEST(RateLimiterTest, ManyAddressesCannotExhaustMemory) {
    using namespace std::chrono_literals;
    backend::RateLimiter limiter(30, 300s);
    const auto start = backend::RateLimiter::Clock::now();
    for (std::size_t i = 0; i < backend::RateLimiter::MAX_TRACKED_CLIENTS + 5000; ++i) {
        limiter.allow("client-" + std::to_string(i), start);
    }
    EXPECT_LE(limiter.trackedClients(), backend::RateLimiter::MAX_TRACKED_CLIENTS);
}

} // namespace

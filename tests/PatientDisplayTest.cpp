#include "PatientDisplay.h"

#include <gtest/gtest.h>

#include <vector>

// The test display's retries, on a display that refuses as often as the test
// says and a sleep that only writes down how long it was asked for.

namespace {

using namespace std::chrono_literals;

struct RefusingDisplay {
    explicit RefusingDisplay(int refusals) : refusals(refusals) {}

    int refusals;
    int connection = 42;
    std::vector<std::chrono::milliseconds> sleeps;

    void* open(std::chrono::milliseconds patience, int& tries) {
        return openPatiently([this]() -> void* { return refusals-- > 0 ? nullptr : &connection; },
                             [this](std::chrono::milliseconds span) { sleeps.push_back(span); },
                             patience, tries);
    }
};

TEST(PatientDisplay, RefusalsAreRetriedWithGrowingWaitsWithinThePatience) {
    RefusingDisplay busy{3};
    int tries = 0;
    EXPECT_EQ(busy.open(10s, tries), &busy.connection);
    EXPECT_EQ(tries, 4);
    EXPECT_EQ(busy.sleeps, (std::vector<std::chrono::milliseconds>{50ms, 100ms, 200ms}));

    RefusingDisplay ready{0};
    EXPECT_EQ(ready.open(10s, tries), &ready.connection);
    EXPECT_EQ(tries, 1);
    EXPECT_TRUE(ready.sleeps.empty());

    // A display that never answers is given up once the next wait would
    // overrun the patience.
    RefusingDisplay gone{1000};
    EXPECT_EQ(gone.open(1s, tries), nullptr);
    std::chrono::milliseconds waited{0};
    for (const auto sleep : gone.sleeps) {
        waited += sleep;
    }
    EXPECT_LE(waited, 1s);
    EXPECT_GT(waited + gone.sleeps.back() * 2, 1s);
    EXPECT_EQ(tries, static_cast<int>(gone.sleeps.size()) + 1);
}

} // namespace

// Threads are sized by the CPUs the process may run on (taskset, a
// container's CPU set), not by the machine's count.

#include "server/CpuSet.h"
#include "server/WorkPool.h"

#include <gtest/gtest.h>
#include <sched.h>
#include <thread>

namespace {

TEST(CpuSet, APoolStartedOnOneAllowedCpuHasOneThread) {
    unsigned counted = 0;
    unsigned poolThreads = 0;
    bool pinned = false;
    // Pinned in a thread of its own, so the test's other threads keep theirs.
    std::thread restricted([&] {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) {
            return;
        }
        int first = 0;
        while (first < CPU_SETSIZE && !CPU_ISSET(first, &allowed)) {
            ++first;
        }
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(first, &one);
        pinned = sched_setaffinity(0, sizeof one, &one) == 0;
        counted = backend::usableCpuCount();
        backend::WorkPool pool(0, 1, 0);
        poolThreads = pool.threadCount();
    });
    restricted.join();
    ASSERT_TRUE(pinned);
    EXPECT_EQ(counted, 1u);
    EXPECT_EQ(poolThreads, 1u);
    EXPECT_GE(backend::usableCpuCount(), 1u);
}

} // namespace

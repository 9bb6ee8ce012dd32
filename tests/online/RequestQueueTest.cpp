#include "online/RequestQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {
constexpr std::chrono::seconds LIMIT{20}; // only stops a broken build from hanging
}

TEST(RequestQueue, InTheBackgroundJobsRunInOrderAndOnlyWantedAnswersAreDelivered) {
    RequestQueue queue;
    queue.runInBackground(nullptr);
    std::vector<int> ran;      // on the worker, in order
    std::vector<int> answered; // on this thread
    std::atomic<bool> gate{false};
    // The first job holds the worker, so that the cancellations below
    // reach jobs still waiting as well as answers still to be collected.
    queue.post([&] {
        while (!gate) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    std::vector<RequestQueue::Ticket> tickets;
    for (int i = 0; i < 20; ++i) {
        tickets.push_back(queue.post([&, i] {
            ran.push_back(i);
            queue.deliver(queue.runningTicket(), [&answered, i] { answered.push_back(i); });
        }));
    }
    // Nothing is delivered on this thread until it asks.
    EXPECT_EQ(queue.pollCompleted(), 0);
    for (int i = 0; i < 20; i += 4) {
        queue.cancel(tickets[static_cast<std::size_t>(i)]);
    }
    gate = true;
    ASSERT_TRUE(queue.waitForJobs(LIMIT));
    // Cancelled after their answers were delivered, before they were collected.
    queue.cancel(tickets[1]);
    queue.pollCompleted();

    std::vector<int> wanted;
    std::vector<int> started;
    for (int i = 0; i < 20; ++i) {
        if (i % 4 != 0) {
            started.push_back(i);
            if (i != 1) {
                wanted.push_back(i);
            }
        }
    }
    EXPECT_EQ(ran, started) << "a job whose answer nobody wants is not even run";
    EXPECT_EQ(answered, wanted);
    EXPECT_TRUE(queue.isIdle());
}

TEST(RequestQueue, StoppingInterruptsTheRunningJobAndDropsTheRest) {
    RequestQueue queue;
    std::atomic<bool> interrupted{false};
    queue.runInBackground([&] { interrupted = true; });
    std::atomic<bool> started{false};
    bool laterRan = false;
    queue.post([&] {
        started = true;
        while (!interrupted) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    queue.post([&] { laterRan = true; });
    while (!started) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    queue.stop(); // returns only once the worker is gone
    EXPECT_TRUE(interrupted);
    EXPECT_FALSE(laterRan);
    EXPECT_EQ(queue.pollCompleted(), 0);
}

TEST(RequestQueue, UntilSentToTheBackgroundAJobAndItsAnswerRunBeforePostReturns) {
    RequestQueue queue;
    int answered = 0;
    const RequestQueue::Ticket ticket = queue.post([&] {
        queue.deliver(queue.runningTicket(), [&] { ++answered; });
        // A job's answer may post another job: it runs at once too.
        queue.post([&] { queue.deliver(queue.runningTicket(), [&] { answered += 10; }); });
    });
    EXPECT_EQ(answered, 11);
    EXPECT_TRUE(queue.isSettled(ticket));
    EXPECT_TRUE(queue.isIdle());
}

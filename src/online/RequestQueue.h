#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

// Runs the backend client's requests one after another, in the order they
// were posted, so a sign-in, its session's renewal and the scores sent with
// it never overtake each other. At first every job runs at once on the
// caller's thread (tools and most tests want an answer before the call
// returns). Once runInBackground is called the jobs run on one worker
// thread instead, and what they hand back for the caller is kept until the
// caller collects it with pollCompleted, on its own thread, between frames:
// a stalled server then costs the frame loop nothing.
//
// Each post gets a ticket. Cancelling a ticket drops the interest in its
// answer: a job that has not started is skipped, and whatever it hands back
// is never run.
class RequestQueue {
public:
    using Ticket = std::uint64_t;
    // Results delivered under this ticket cannot be cancelled.
    static constexpr Ticket NO_TICKET = 0;

    RequestQueue() = default;
    ~RequestQueue();
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    // From now on jobs run on the worker thread. `interrupt` is called (from
    // the thread that stops the queue) to make the job in progress give up
    // quickly; the queue waits for the worker only after that.
    void runInBackground(std::function<void()> interrupt);
    bool inBackground() const;

    Ticket post(std::function<void()> job);
    // Called by a job: hands `result` to the caller's thread (at once when
    // the queue is not in the background), unless `ticket` was cancelled.
    void deliver(Ticket ticket, std::function<void()> result);
    // Runs every result delivered since the last call, oldest first, on the
    // calling thread; returns how many ran.
    int pollCompleted();

    void cancel(Ticket ticket);
    bool isCancelled(Ticket ticket) const;
    // The ticket of the job the calling worker is running (NO_TICKET outside a job).
    Ticket runningTicket() const;

    // Nothing queued, nothing running, nothing waiting to be collected.
    bool isIdle() const;
    // Whether `ticket`'s job has run and its results have been collected.
    bool isSettled(Ticket ticket) const;
    // For tools and tests only: waits until no job is queued or running, or
    // `limit` has passed; true when idle.
    bool waitForJobs(std::chrono::milliseconds limit) const;

    // Abandons the queued jobs, interrupts the running one and waits for the
    // worker (bounded by how fast the job gives up). Results still waiting
    // are dropped.
    void stop();

private:
    struct Job {
        Ticket ticket;
        std::function<void()> work;
    };
    struct Result {
        Ticket ticket;
        std::function<void()> run; // empty: the ticket's job has finished
    };

    void workLoop();
    void runJob(Job& job);

    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    std::deque<Job> jobs;
    std::vector<Result> results;
    std::set<Ticket> cancelled;
    std::set<Ticket> unsettled;
    Ticket nextTicket = 1;
    Ticket running = NO_TICKET;
    bool background = false;
    bool stopping = false;
    std::function<void()> interruptJob;
    std::thread worker;
};

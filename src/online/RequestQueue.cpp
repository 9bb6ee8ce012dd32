#include "online/RequestQueue.h"

#include <exception>
#include <iostream>
#include <utility>

RequestQueue::~RequestQueue() {
    stop();
}

void RequestQueue::runInBackground(std::function<void()> interrupt) {
    const std::lock_guard<std::mutex> lock(mutex);
    if (background || stopping) {
        return;
    }
    interruptJob = std::move(interrupt);
    background = true;
    worker = std::thread([this] { workLoop(); });
}

bool RequestQueue::inBackground() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return background;
}

RequestQueue::Ticket RequestQueue::post(std::function<void()> work) {
    std::unique_lock<std::mutex> lock(mutex);
    Job job{nextTicket++, std::move(work)};
    if (stopping) {
        return job.ticket;
    }
    unsettled.insert(job.ticket);
    if (background) {
        jobs.push_back(std::move(job));
        changed.notify_all();
        return jobs.back().ticket;
    }
    lock.unlock();
    runJob(job);
    lock.lock();
    unsettled.erase(job.ticket);
    cancelled.erase(job.ticket);
    return job.ticket;
}

void RequestQueue::runJob(Job& job) {
    // Run at once, a job may post another from its callback: the outer one
    // is running again when the inner one is done.
    Ticket outer = NO_TICKET;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        outer = running;
        running = job.ticket;
    }
    try {
        job.work();
    } catch (const std::exception& error) {
        // A job must never take the worker (or the game) down with it.
        std::cerr << "RequestQueue: a request failed: " << error.what() << std::endl;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    running = outer;
}

void RequestQueue::deliver(Ticket ticket, std::function<void()> result) {
    std::unique_lock<std::mutex> lock(mutex);
    if (cancelled.count(ticket) != 0 || stopping) {
        return;
    }
    if (background) {
        results.push_back({ticket, std::move(result)});
        return;
    }
    lock.unlock();
    result();
}

int RequestQueue::pollCompleted() {
    std::vector<Result> collected;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        collected.swap(results);
    }
    int ran = 0;
    for (Result& result : collected) {
        std::unique_lock<std::mutex> lock(mutex);
        if (!result.run) {
            unsettled.erase(result.ticket);
            cancelled.erase(result.ticket);
            continue;
        }
        // Cancelled after the job delivered, but before it was collected.
        if (cancelled.count(result.ticket) != 0) {
            continue;
        }
        lock.unlock();
        result.run();
        ++ran;
    }
    return ran;
}

void RequestQueue::cancel(Ticket ticket) {
    if (ticket == NO_TICKET) {
        return;
    }
    const std::lock_guard<std::mutex> lock(mutex);
    if (unsettled.count(ticket) != 0) {
        cancelled.insert(ticket);
    }
}

bool RequestQueue::isCancelled(Ticket ticket) const {
    const std::lock_guard<std::mutex> lock(mutex);
    return cancelled.count(ticket) != 0;
}

RequestQueue::Ticket RequestQueue::runningTicket() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return running;
}

bool RequestQueue::isIdle() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return unsettled.empty();
}

bool RequestQueue::isSettled(Ticket ticket) const {
    const std::lock_guard<std::mutex> lock(mutex);
    return unsettled.count(ticket) == 0;
}

bool RequestQueue::waitForJobs(std::chrono::milliseconds limit) const {
    std::unique_lock<std::mutex> lock(mutex);
    return changed.wait_for(lock, limit, [this] { return jobs.empty() && running == NO_TICKET; });
}

void RequestQueue::workLoop() {
    std::unique_lock<std::mutex> lock(mutex);
    while (true) {
        changed.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (stopping) {
            return;
        }
        Job job = std::move(jobs.front());
        jobs.pop_front();
        if (cancelled.count(job.ticket) != 0) {
            // Nobody wants the answer any more: the request is not even sent.
            unsettled.erase(job.ticket);
            cancelled.erase(job.ticket);
            changed.notify_all();
            continue;
        }
        // Marked running before the lock is let go, and finished (its end
        // queued behind its results) in one step with it: a waiter never
        // sees the queue empty while a job is still on its way.
        running = job.ticket;
        lock.unlock();
        try {
            job.work();
        } catch (const std::exception& error) {
            std::cerr << "RequestQueue: a request failed: " << error.what() << std::endl;
        }
        lock.lock();
        running = NO_TICKET;
        results.push_back({job.ticket, nullptr});
        changed.notify_all();
    }
}

void RequestQueue::stop() {
    std::function<void()> interrupt;
    {
        const std::lock_guard<std::mutex> lock(mutex);
        if (stopping) {
            return;
        }
        stopping = true;
        jobs.clear();
        results.clear();
        interrupt = interruptJob;
        changed.notify_all();
    }
    if (interrupt) {
        interrupt();
    }
    if (worker.joinable()) {
        worker.join();
    }
}

#include "server/WorkPool.h"

#include <algorithm>
#include <iostream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace backend {

WorkPool::WorkPool(unsigned threads, std::size_t maxQueued, int niceness) : maxQueued(maxQueued) {
    const unsigned count =
        threads > 0 ? threads : std::max(1u, std::thread::hardware_concurrency());
    for (unsigned i = 0; i < count; ++i) {
        workers.emplace_back([this, niceness] { work(niceness); });
    }
}

WorkPool::~WorkPool() {
    shutdown();
}

bool WorkPool::post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex);
        if (stopping || queue.size() >= maxQueued) {
            return false;
        }
        queue.push_back(std::move(job));
    }
    wake.notify_one();
    return true;
}

void WorkPool::shutdown() {
    std::deque<std::function<void()>> dropped;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        dropped.swap(queue);
    }
    wake.notify_all();
    for (auto& worker : workers) {
        if (worker.joinable()) {
            worker.join();
        }
    }
    // Dropped here, outside the lock: a job may own things whose
    // destruction takes locks of its own.
    dropped.clear();
}

void WorkPool::work(int niceness) {
    if (niceness > 0) {
        // On Linux the nice value belongs to the thread.
        setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), niceness);
    }
    for (;;) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping) {
                return;
            }
            job = std::move(queue.front());
            queue.pop_front();
        }
        try {
            job();
        } catch (const std::exception& failure) {
            std::cerr << "WorkPool: a job failed: " << failure.what() << std::endl;
        }
    }
}

} // namespace backend

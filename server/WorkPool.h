#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace backend {

// A fixed set of threads for expensive work (password hashing), with a
// bounded queue, so that such work runs at most that many at a time and
// never takes the threads that serve cheap requests.
class WorkPool {
public:
    // threads 0: one per core. niceness > 0 lowers the threads' scheduling
    // priority, so that cheap requests on other threads go first.
    WorkPool(unsigned threads, std::size_t maxQueued, int niceness);
    // Finishes the jobs that are running; queued ones are dropped.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // False (and the job dropped) when the queue is full or the pool is
    // shutting down.
    bool post(std::function<void()> job);

    void shutdown();

    unsigned threadCount() const { return static_cast<unsigned>(workers.size()); }

private:
    void work(int niceness);

    const std::size_t maxQueued;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> queue;
    bool stopping = false;
    std::vector<std::thread> workers;
};

} // namespace backend

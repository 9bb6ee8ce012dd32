#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace backend {

// A fixed set of threads for expensive work (password hashing), with a
// bounded queue, so that such work runs at most that many at a time and
// never takes the threads that serve cheap requests.
//
// The queue is fair between clients: each client's jobs wait in a line of
// their own and the threads take one job from each line in turn, so a client
// with one job waits behind one job of each other client, not behind a
// flood. When the queue is full, a new job takes the place of the newest job
// of the client with the longest line, if that line is longer than the new
// job's own.
class WorkPool {
public:
    struct Job {
        std::function<void()> run;
        // Called instead of run when the job is pushed out of the queue by
        // another client's; may be empty.
        std::function<void()> dropped;
    };

    // threads 0: one per core the process may use. niceness > 0 lowers the
    // threads' scheduling priority, so that cheap requests on other threads
    // go first.
    WorkPool(unsigned threads, std::size_t maxQueued, int niceness);
    // Finishes the jobs that are running; queued ones are dropped without
    // their callback.
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // False (and the job dropped) when the queue is full of shorter lines
    // than this client's, or the pool is shutting down.
    bool post(const std::string& client, Job job);

    void shutdown();

    unsigned threadCount() const { return static_cast<unsigned>(workers.size()); }

private:
    void work(int niceness);

    const std::size_t maxQueued;
    std::mutex mutex;
    std::condition_variable wake;
    std::unordered_map<std::string, std::deque<Job>> lines;
    // Clients with queued jobs, in the order they are served next.
    std::deque<std::string> turns;
    std::size_t queued = 0;
    bool stopping = false;
    std::vector<std::thread> workers;
};

} // namespace backend

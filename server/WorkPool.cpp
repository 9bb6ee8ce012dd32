#include "server/WorkPool.h"

#include "server/CpuSet.h"

#include <algorithm>
#include <iostream>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace backend {

WorkPool::WorkPool(unsigned threads, std::size_t maxQueued, int niceness) : maxQueued(maxQueued) {
    const unsigned count = threads > 0 ? threads : usableCpuCount();
    for (unsigned i = 0; i < count; ++i) {
        workers.emplace_back([this, niceness] { work(niceness); });
    }
}

WorkPool::~WorkPool() {
    shutdown();
}

bool WorkPool::post(const std::string& client, Job job) {
    Job pushedOut;
    {
        std::lock_guard lock(mutex);
        if (stopping || maxQueued == 0) {
            return false;
        }
        auto& own = lines[client];
        if (queued >= maxQueued) {
            auto longest = std::max_element(lines.begin(), lines.end(), [](auto& a, auto& b) {
                return a.second.size() < b.second.size();
            });
            if (longest->second.size() <= own.size() + 1) {
                if (own.empty()) {
                    lines.erase(client);
                }
                return false;
            }
            pushedOut = std::move(longest->second.back());
            longest->second.pop_back();
            --queued;
            if (longest->second.empty()) {
                turns.erase(std::find(turns.begin(), turns.end(), longest->first));
                lines.erase(longest);
            }
        }
        if (own.empty()) {
            turns.push_back(client);
        }
        own.push_back(std::move(job));
        ++queued;
    }
    wake.notify_one();
    if (pushedOut.dropped) {
        pushedOut.dropped();
    }
    return true;
}

void WorkPool::shutdown() {
    std::unordered_map<std::string, std::deque<Job>> dropped;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        dropped.swap(lines);
        turns.clear();
        queued = 0;
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
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || queued > 0; });
            if (stopping) {
                return;
            }
            for (;;) {
                const std::string client = std::move(turns.front());
                turns.pop_front();
                auto line = lines.find(client);
                if (line == lines.end() || line->second.empty()) {
                    if (line != lines.end()) {
                        lines.erase(line);
                    }
                    continue;
                }
                job = std::move(line->second.front());
                line->second.pop_front();
                --queued;
                if (line->second.empty()) {
                    lines.erase(line);
                } else {
                    turns.push_back(client);
                }
                break;
            }
        }
        try {
            job.run();
        } catch (const std::exception& failure) {
            std::cerr << "WorkPool: a job failed: " << failure.what() << std::endl;
        }
    }
}

} // namespace backend

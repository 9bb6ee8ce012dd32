#include "core/ReplayKeeper.h"

#include <utility>

ReplayKeeper::ReplayKeeper() {
    worker = std::thread([this] { work(); });
}

ReplayKeeper::~ReplayKeeper() {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    worker.join();
}

void ReplayKeeper::keep(ReplayShelf shelf, Replay replay, bool won, int score,
                        std::string levelPath) {
    post([shelf = std::move(shelf), replay = std::move(replay), won, score,
          levelPath = std::move(levelPath)](Finished& result) {
        const std::string failure = shelf.keep(replay, won, score, levelPath);
        if (!failure.empty()) {
            result.failures.push_back(failure);
        }
    });
}

void ReplayKeeper::traceBest(ReplayShelf shelf, int levelNumber, std::string levelPath) {
    post([shelf = std::move(shelf), levelNumber,
          levelPath = std::move(levelPath)](Finished& result) {
        GhostPaths paths;
        paths.levelNumber = levelNumber;
        if (const std::optional<Replay> best = shelf.best(levelNumber)) {
            if (std::optional<GhostPaths> traced = GhostPaths::trace(*best, levelPath)) {
                paths = std::move(*traced);
            }
        }
        result.ghost = std::move(paths);
    });
}

void ReplayKeeper::post(std::function<void(Finished&)> job) {
    {
        const std::lock_guard<std::mutex> lock(mutex);
        jobs.push_back(std::move(job));
    }
    wake.notify_one();
}

ReplayKeeper::Finished ReplayKeeper::takeFinished() {
    const std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(finished, Finished{});
}

void ReplayKeeper::waitIdle() {
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait(lock, [this] { return jobs.empty() && !busy; });
}

void ReplayKeeper::work() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !jobs.empty(); });
        // Stopping still finishes what was asked: a kept attempt is never lost.
        if (jobs.empty()) {
            return;
        }
        std::function<void(Finished&)> job = std::move(jobs.front());
        jobs.pop_front();
        busy = true;
        lock.unlock();
        Finished result;
        job(result);
        lock.lock();
        busy = false;
        finished.failures.insert(finished.failures.end(), result.failures.begin(),
                                 result.failures.end());
        if (result.ghost) {
            finished.ghost = std::move(result.ghost);
        }
        if (jobs.empty()) {
            idle.notify_all();
        }
    }
}

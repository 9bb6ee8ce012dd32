#pragma once

#include "core/GhostPaths.h"
#include "core/Replay.h"
#include "core/ReplayShelf.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

// Keeps replays and reads the ghost's flights on a worker thread, so that
// neither a file written to disk (and flushed) nor an attempt played again
// to learn its score ever holds up a frame. Work is done one job at a
// time, in the order asked, so no two writers ever meet on one file and a
// ghost asked for after a keep sees the kept file. What the work gave is
// taken up on the asking thread, between frames. Destroying the keeper
// finishes every job asked for first.
class ReplayKeeper {
public:
    ReplayKeeper();
    ReplayKeeper(const ReplayKeeper&) = delete;
    ReplayKeeper& operator=(const ReplayKeeper&) = delete;
    ~ReplayKeeper();

    // Keeps `replay` on `shelf` as its level's last attempt and maybe its
    // best (see ReplayShelf::keep); the level file at levelPath scores the
    // kept best.
    void keep(ReplayShelf shelf, Replay replay, bool won, int score, std::string levelPath);
    // Reads the flights of the level's best kept on `shelf`, if it has one
    // this build plays.
    void traceBest(ReplayShelf shelf, int levelNumber, std::string levelPath);

    // What finished since the last call.
    struct Finished {
        // What failed to be kept, one reason a keep.
        std::vector<std::string> failures;
        // The flights asked for last, when they are read: empty paths for
        // a level with no best to show.
        std::optional<GhostPaths> ghost;
    };
    Finished takeFinished();
    // Waits until every job asked for so far is done (before reading a
    // file the worker may still be writing).
    void waitIdle();

private:
    void post(std::function<void(Finished&)> job);
    void work();

    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<std::function<void(Finished&)>> jobs;
    bool busy = false;
    bool stopping = false;
    Finished finished;
    std::thread worker;
};

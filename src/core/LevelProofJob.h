#pragma once

#include "core/LevelProof.h"
#include "level/ProofVerdict.h"

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// One level's proof on a worker thread of its own, so the screen that asked
// for it keeps drawing: it needs no window, no sound and no display. The
// asking thread polls progress() and finished() between frames and takes
// the verdict once. Destroying the job cancels a proof still running and
// waits for the worker, which stops within one run of the level.
class LevelProofJob {
public:
    // The worker's nice value: below the frame loop's.
    static constexpr int PROOF_NICENESS = 10;

    // `keepBeside`: the path of the saved level file the bytes are; when
    // given, the verdict of a proof that ran to its end is kept beside it
    // (see OwnLevelList), written by the worker.
    explicit LevelProofJob(std::string levelBytes, LevelProof::Limits limits = {},
                           std::string keepBeside = "");
    LevelProofJob(const LevelProofJob&) = delete;
    LevelProofJob& operator=(const LevelProofJob&) = delete;
    ~LevelProofJob();

    ProofProgress progress() const;
    bool finished() const;
    // The verdict, once finished and not yet taken.
    std::optional<ProofVerdict> take();
    // Asks the proof to stop; it finishes soon, marked cancelled.
    void cancel();

private:
    mutable std::mutex mutex;
    ProofProgress current;
    std::optional<ProofVerdict> verdict;
    std::atomic<bool> done{false};
    std::atomic<bool> cancelling{false};
    std::thread worker;
};

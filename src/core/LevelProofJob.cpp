#include "core/LevelProofJob.h"

#include "assets/Narration.h"
#include "core/OwnLevelList.h"
#include "core/Replay.h"
#include <ostream>

#include <sys/resource.h>
#include <unistd.h>
#include <utility>

LevelProofJob::LevelProofJob(std::string levelBytes, LevelProof::Limits limits,
                             std::string keepBeside) {
    worker = std::thread(
        [this, bytes = std::move(levelBytes), limits, keepBeside = std::move(keepBeside)] {
            // The screen that asked draws on the other threads: on a machine
            // with few cores the proof yields to it rather than the other way
            // round. Linux gives each thread its own nice value; where that
            // fails the proof just runs at the usual priority.
            (void)::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), PROOF_NICENESS);
            ProofVerdict result = LevelProof(limits).run(
                bytes,
                [this](const ProofProgress& progress) {
                    const std::lock_guard<std::mutex> lock(mutex);
                    current = progress;
                },
                &cancelling);
            if (!keepBeside.empty() && !result.cancelled) {
                const std::string failure =
                    OwnLevelList::writeVerdict(keepBeside, Replay::contentHash(bytes), result);
                if (!failure.empty()) {
                    Narration::err() << "Level proof: not kept beside " << keepBeside << " ("
                                     << failure << ")" << std::endl;
                }
            }
            const std::lock_guard<std::mutex> lock(mutex);
            verdict = std::move(result);
            done = true;
        });
}

LevelProofJob::~LevelProofJob() {
    cancel();
    worker.join();
}

ProofProgress LevelProofJob::progress() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return current;
}

bool LevelProofJob::finished() const {
    return done.load();
}

std::optional<ProofVerdict> LevelProofJob::take() {
    const std::lock_guard<std::mutex> lock(mutex);
    return std::exchange(verdict, std::nullopt);
}

void LevelProofJob::cancel() {
    cancelling = true;
}

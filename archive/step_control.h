#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace vantorel {

// What the caller of a long archive step (writing or extracting a whole
// archive) gives it besides its paths: where its progress goes and when it
// should stop.
struct StepControl {
    // Bytes done and bytes in all, from time to time (not for every block).
    // May be called from the step's worker threads, so it must be safe to
    // call from any thread; empty: no progress is reported.
    std::function<void(std::uint64_t done, std::uint64_t total)> progress;
    // Once it is true the step stops soon (within one block of data) and
    // throws ArchiveError(Cancelled); null: the step is never stopped.
    const std::atomic<bool>* cancel = nullptr;
};

} // namespace vantorel

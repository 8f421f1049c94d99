#pragma once

// Entries are compressed on worker threads while they are still being listed
// (on a thread of their own), but written by the calling thread strictly in
// enumeration order, so the archive's bytes never depend
// on the number of threads or on their timing.
//
// Worker w takes the next index not yet taken, but never more than `window`
// indexes ahead of the one being written, nor while the finished entries
// waiting to be written hold more than `heldMemory` bytes in memory: the data
// held stay bounded by heldMemory plus, for each thread, the spill memory of
// the entry it works on. A wide window lets the workers run ahead of a slow
// entry and serve many small ones per wake-up. The first failure (of a
// worker or of the consumer) stops the hand-out of work; every worker is
// joined before it is rethrown on the calling thread, so nothing runs on
// after ZipFolder has returned.

#include "archive/writer/compress.h"

#include <atomic>
#include <cstddef>
#include <functional>

namespace vantorel::archive::writer {

// Lists the work: calls `announce(n)` each time the first n indexes may be
// handed out, n growing; once it returns, the last n is the count. `announce`
// returns false when the run has failed and the listing should stop.
using ListJob = std::function<void(const std::function<bool(std::size_t listed)>& announce)>;
// `worker` (0 to threads - 1) tells which worker runs the job, for what it
// keeps from one job to the next; `cancelled` turns true once the run has
// failed: a long job may give up.
using CompressJob =
    std::function<CompressedEntry(std::size_t index, std::size_t worker, const std::atomic<bool>& cancelled)>;
using ConsumeStep = std::function<void(std::size_t index, CompressedEntry& entry)>;

// Runs list on a thread of its own and job(i) for each index it announces on
// `threads` workers (at least one), and hands each result to consume, in
// index order, on the calling thread.
void RunInOrder(const ListJob& list, std::size_t threads, std::size_t window, std::size_t heldMemory,
                const CompressJob& job, const ConsumeStep& consume);

} // namespace vantorel::archive::writer

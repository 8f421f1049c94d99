#include "archive/writer/pipeline.h"

#include "platform/trace.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace vantorel::archive::writer {

namespace {

class Pipeline {
public:
    Pipeline(std::size_t window, std::size_t heldMemory, const CompressJob& job)
        : window_(std::max<std::size_t>(window, 1)), heldMemory_(heldMemory), job_(job), ring_(window_) {}

    // The lister's side: the first `listed` indexes may be handed out.
    bool Announce(std::size_t listed) {
        std::lock_guard lock(mutex_);
        if (listed / kTraceEvery != count_ / kTraceEvery) {
            trace::Line("pipeline", "listed ", listed, " files, ", next_, " handed to compressors, ", written_,
                        " written");
        }
        count_ = listed;
        // A sleeping worker is woken for a run of work, not for each file:
        // the walk is often slower than the copying of unchanged files.
        if (idleWorkers_ > 0 && count_ >= next_ + kWakeRun && MayHandOut()) {
            workAvailable_.notify_one();
        }
        return !stop_;
    }

    // The lister's side: no index comes after those announced (or the
    // listing failed with `failure`).
    void EndListing(std::exception_ptr failure) {
        std::lock_guard lock(mutex_);
        listed_ = true;
        trace::Line("pipeline", "listing ", failure ? "failed" : "done", " after ", count_, " files");
        if (failure) {
            Fail(failure);
        }
        workAvailable_.notify_all();
        resultReady_.notify_one();
    }

    void Work(std::size_t worker) {
        std::unique_lock lock(mutex_);
        for (;;) {
            ++idleWorkers_;
            workAvailable_.wait(lock, [this] { return stop_ || NoMoreWork() || MayHandOut(); });
            --idleWorkers_;
            if (stop_ || NoMoreWork()) {
                WakeConsumerIfReady();
                return;
            }
            // A worker goes on from one index to the next without sleeping as
            // long as it may: a tree of small files would otherwise cost a
            // wake-up for each of them.
            do {
                const std::size_t index = next_++;
                lock.unlock();
                std::optional<CompressedEntry> result;
                std::exception_ptr failure;
                try {
                    result.emplace(job_(index, worker, cancelled_));
                } catch (...) {
                    failure = std::current_exception(); // handed to the calling thread below
                }
                lock.lock();
                if (failure) {
                    Fail(failure);
                    return;
                }
                held_ += result->data.memoryUsed();
                // A large entry is worth writing while the next ones are compressed.
                const bool large = result->data.size() >= kWakeBytes;
                if (large) {
                    trace::Line("pipeline", "entry ", index, " (", result->data.size(), " bytes) ready for the writer");
                }
                ring_[index % window_] = std::move(result);
                if (large || ReadyRun() >= kWakeRun || held_ > heldMemory_ / 2) {
                    WakeConsumerIfReady();
                }
            } while (!stop_ && MayHandOut());
            if (held_ > heldMemory_ && !stop_) {
                trace::Line("pipeline", "compressors wait: ", held_, " bytes of entries not yet written");
            }
            // About to sleep or leave: whatever is ready must not wait for
            // another worker's wake-up.
            WakeConsumerIfReady();
        }
    }

    void Consume(const ConsumeStep& consume) {
        for (std::size_t index = 0;; ++index) {
            std::optional<CompressedEntry> result;
            {
                std::unique_lock lock(mutex_);
                std::optional<CompressedEntry>& slot = ring_[index % window_];
                const auto ready = [&] { return failure_ || slot.has_value() || (listed_ && index >= count_); };
                if (!ready()) {
                    consumerWaiting_ = true;
                    resultReady_.wait(lock, ready);
                    consumerWaiting_ = false;
                }
                if (failure_ || !slot.has_value()) {
                    return; // failed, or every entry is written
                }
                result = std::move(slot);
                slot.reset();
            }
            consume(index, *result);
            if ((index + 1) % kTraceEvery == 0) {
                trace::Line("pipeline", index + 1, " entries written");
            }
            const std::size_t freed = result->data.memoryUsed();
            result.reset(); // free the data before the next worker may start
            std::lock_guard lock(mutex_);
            ++written_;
            held_ -= freed;
            // Waiting workers are woken once the backlog has halved, not for
            // every entry written: one wake-up then serves many entries.
            if (!MayHandOut() || next_ - written_ > window_ / 2 || held_ > heldMemory_ / 2) {
                continue;
            }
            workAvailable_.notify_all();
        }
    }

    // Stops the hand-out of work; with `cancel`, running jobs are asked to give up too.
    void Stop(bool cancel) {
        std::lock_guard lock(mutex_);
        stop_ = true;
        if (cancel) {
            cancelled_ = true;
        }
        workAvailable_.notify_all();
    }

    std::exception_ptr failure() {
        std::lock_guard lock(mutex_);
        return failure_;
    }

private:
    // Called under the lock: the first failure stops everything.
    void Fail(std::exception_ptr failure) {
        if (!failure_) {
            failure_ = failure;
        }
        stop_ = true;
        cancelled_ = true;
        workAvailable_.notify_all();
        resultReady_.notify_one();
    }

    // Called under the lock: whether the next index may be handed out.
    bool MayHandOut() const { return next_ < count_ && next_ < written_ + window_ && held_ <= heldMemory_; }

    // Called under the lock: every index there will be is handed out.
    bool NoMoreWork() const { return listed_ && next_ >= count_; }

    // Called under the lock: the finished entries the consumer could write
    // one after the other from where it is, counted up to kWakeRun.
    std::size_t ReadyRun() const {
        std::size_t run = 0;
        while (run < kWakeRun && written_ + run < count_ && ring_[(written_ + run) % window_].has_value()) {
            ++run;
        }
        return run;
    }

    // Called under the lock: wakes the consumer when it waits for an entry
    // that is now there.
    void WakeConsumerIfReady() {
        if (consumerWaiting_ && written_ < count_ && ring_[written_ % window_].has_value()) {
            resultReady_.notify_one();
        }
    }

    // The consumer sleeps until this many entries are ready for it, or until
    // no worker will add to them without sleeping first.
    static constexpr std::size_t kWakeRun = 32;
    static constexpr std::uint64_t kWakeBytes = 1 << 20;
    // The trace tells the progress of the walk and the writer every so many files.
    static constexpr std::size_t kTraceEvery = 1000;

    const std::size_t window_;
    const std::size_t heldMemory_;
    const CompressJob& job_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable resultReady_;
    std::vector<std::optional<CompressedEntry>> ring_;
    std::size_t count_ = 0; // indexes listed so far
    bool listed_ = false;   // count_ is final
    std::size_t next_ = 0;
    std::size_t written_ = 0;
    std::size_t held_ = 0; // memory of the finished entries not yet written
    std::size_t idleWorkers_ = 0;
    bool stop_ = false;
    bool consumerWaiting_ = false;
    std::atomic<bool> cancelled_ = false;
    std::exception_ptr failure_;
};

// Joins the lister and every worker when the consumer leaves, by return or
// by exception.
class WorkerGroup {
public:
    WorkerGroup(Pipeline& pipeline, const ListJob& list, std::size_t threads) : pipeline_(pipeline) {
        try {
            threads_.emplace_back([this, &list] {
                std::exception_ptr failure;
                try {
                    list([this](std::size_t listed) { return pipeline_.Announce(listed); });
                } catch (...) {
                    failure = std::current_exception(); // handed to the calling thread through the pipeline
                }
                pipeline_.EndListing(failure);
            });
            for (std::size_t i = 0; i < threads; ++i) {
                threads_.emplace_back([this, i] { pipeline_.Work(i); });
            }
        } catch (...) {
            JoinAll(true);
            throw;
        }
    }
    // Reached without JoinAll only when the consumer failed: cancel the rest.
    ~WorkerGroup() { JoinAll(true); }
    WorkerGroup(const WorkerGroup&) = delete;
    WorkerGroup& operator=(const WorkerGroup&) = delete;

    void JoinAll(bool cancel = false) {
        pipeline_.Stop(cancel);
        for (std::thread& thread : threads_) {
            if (thread.joinable()) {
                thread.join();
            }
        }
    }

private:
    Pipeline& pipeline_;
    std::vector<std::thread> threads_;
};

} // namespace

void RunInOrder(const ListJob& list, std::size_t threads, std::size_t window, std::size_t heldMemory,
                const CompressJob& job, const ConsumeStep& consume) {
    Pipeline pipeline(window, heldMemory, job);
    {
        WorkerGroup workers(pipeline, list, std::max<std::size_t>(threads, 1));
        pipeline.Consume(consume);
        workers.JoinAll();
    }
    if (std::exception_ptr failure = pipeline.failure()) {
        std::rethrow_exception(failure);
    }
}

} // namespace vantorel::archive::writer

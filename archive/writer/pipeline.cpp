#include "archive/writer/pipeline.h"

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
    Pipeline(std::size_t count, std::size_t window, std::size_t heldMemory, const CompressJob& job)
        : count_(count), window_(std::max<std::size_t>(window, 1)), heldMemory_(heldMemory), job_(job), ring_(window_) {
    }

    void Work() {
        for (;;) {
            std::size_t index = 0;
            {
                std::unique_lock lock(mutex_);
                workAvailable_.wait(lock, [this] { return stop_ || next_ >= count_ || MayHandOut(); });
                if (stop_ || next_ >= count_) {
                    return;
                }
                index = next_++;
            }
            std::optional<CompressedEntry> result;
            std::exception_ptr failure;
            try {
                result.emplace(job_(index, cancelled_));
            } catch (...) {
                failure = std::current_exception(); // handed to the calling thread below
            }
            std::lock_guard lock(mutex_);
            if (failure) {
                if (!failure_) {
                    failure_ = failure;
                }
                stop_ = true;
                cancelled_ = true;
                workAvailable_.notify_all();
                resultReady_.notify_one();
            } else {
                held_ += result->data.memoryUsed();
                ring_[index % window_] = std::move(result);
                if (index == written_) {
                    resultReady_.notify_one(); // only the consumer waits, and only for this index
                }
            }
        }
    }

    void Consume(const ConsumeStep& consume) {
        for (std::size_t index = 0; index < count_; ++index) {
            std::optional<CompressedEntry> result;
            {
                std::unique_lock lock(mutex_);
                std::optional<CompressedEntry>& slot = ring_[index % window_];
                resultReady_.wait(lock, [&] { return failure_ || slot.has_value(); });
                if (failure_) {
                    return;
                }
                result = std::move(slot);
                slot.reset();
            }
            consume(index, *result);
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
    // Called under the lock: whether the next index may be handed out.
    bool MayHandOut() const { return next_ < written_ + window_ && held_ <= heldMemory_; }

    const std::size_t count_;
    const std::size_t window_;
    const std::size_t heldMemory_;
    const CompressJob& job_;
    std::mutex mutex_;
    std::condition_variable workAvailable_;
    std::condition_variable resultReady_;
    std::vector<std::optional<CompressedEntry>> ring_;
    std::size_t next_ = 0;
    std::size_t written_ = 0;
    std::size_t held_ = 0; // memory of the finished entries not yet written
    bool stop_ = false;
    std::atomic<bool> cancelled_ = false;
    std::exception_ptr failure_;
};

// Joins every worker when the consumer leaves, by return or by exception.
class WorkerGroup {
public:
    WorkerGroup(Pipeline& pipeline, std::size_t threads) : pipeline_(pipeline) {
        try {
            for (std::size_t i = 0; i < threads; ++i) {
                workers_.emplace_back([this] { pipeline_.Work(); });
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
        for (std::thread& worker : workers_) {
            if (worker.joinable()) {
                worker.join();
            }
        }
    }

private:
    Pipeline& pipeline_;
    std::vector<std::thread> workers_;
};

} // namespace

void RunInOrder(std::size_t count, std::size_t threads, std::size_t window, std::size_t heldMemory,
                const CompressJob& job, const ConsumeStep& consume) {
    if (count == 0) {
        return;
    }
    Pipeline pipeline(count, window, heldMemory, job);
    {
        WorkerGroup workers(pipeline, std::clamp<std::size_t>(threads, 1, count));
        pipeline.Consume(consume);
        workers.JoinAll();
    }
    if (std::exception_ptr failure = pipeline.failure()) {
        std::rethrow_exception(failure);
    }
}

} // namespace vantorel::archive::writer

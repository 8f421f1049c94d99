#pragma once

// One memory budget for the large buffers of a run: a whole small file and
// its deflated bytes, the chunks of a large file in flight, a previous
// entry being checked. A worker takes its share before it allocates and
// gives it back when the unit is done; while the budget is spent, it waits
// for another worker to give some back. Every share is given back at the end
// of its unit, so a wait always ends.

#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace vantorel::archive::writer {

class MemoryBudget {
public:
    explicit MemoryBudget(std::size_t limit) : limit_(limit) {}

    // Waits until `bytes` more fit (a request beyond the whole budget waits
    // until nothing else is held, and is then counted as the whole budget).
    void Acquire(std::size_t bytes);
    void Release(std::size_t bytes);

    std::size_t limit() const { return limit_; }
    // The most ever held at once.
    std::size_t highWater() const;

private:
    const std::size_t limit_;
    mutable std::mutex mutex_;
    std::condition_variable released_;
    std::size_t held_ = 0;
    std::size_t highWater_ = 0;
};

// A share of a budget, given back on scope exit. A null budget counts nothing.
class BudgetShare {
public:
    BudgetShare(MemoryBudget* budget, std::size_t bytes);
    ~BudgetShare();
    BudgetShare(const BudgetShare&) = delete;
    BudgetShare& operator=(const BudgetShare&) = delete;

private:
    MemoryBudget* budget_;
    std::size_t bytes_;
};

} // namespace vantorel::archive::writer

#include "archive/writer/budget.h"

#include <algorithm>

namespace vantorel::archive::writer {

void MemoryBudget::Acquire(std::size_t bytes) {
    bytes = std::min(bytes, limit_);
    std::unique_lock lock(mutex_);
    released_.wait(lock, [&] { return held_ + bytes <= limit_; });
    held_ += bytes;
    highWater_ = std::max(highWater_, held_);
}

void MemoryBudget::Release(std::size_t bytes) {
    bytes = std::min(bytes, limit_);
    {
        std::lock_guard lock(mutex_);
        held_ -= bytes;
    }
    released_.notify_all();
}

std::size_t MemoryBudget::highWater() const {
    std::lock_guard lock(mutex_);
    return highWater_;
}

BudgetShare::BudgetShare(MemoryBudget* budget, std::size_t bytes) : budget_(budget), bytes_(bytes) {
    if (budget_ != nullptr && bytes_ > 0) {
        budget_->Acquire(bytes_);
    }
}

BudgetShare::~BudgetShare() {
    if (budget_ != nullptr && bytes_ > 0) {
        budget_->Release(bytes_);
    }
}

} // namespace vantorel::archive::writer

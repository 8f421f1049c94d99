#include "archive/progress_meter.h"

#include "archive/archive_error.h"

#include <algorithm>
#include <cerrno>

namespace vantorel {

namespace {

// Reports come every hundredth of the whole, but never more often than
// every this many bytes, so a small step does not flood its caller.
constexpr std::uint64_t kMinimumReportStep = 1 << 20;

} // namespace

ProgressMeter::ProgressMeter(const StepControl& control, std::filesystem::path path)
    : control_(control), path_(std::move(path)) {}

void ProgressMeter::Start(std::uint64_t total) {
    total_.store(total, std::memory_order_relaxed);
    // Released after the total: a thread that sees the step sees the total.
    step_.store(std::max<std::uint64_t>(total / 100, kMinimumReportStep), std::memory_order_release);
    if (control_.progress) {
        control_.progress(std::min(done_.load(std::memory_order_relaxed), total), total);
    }
}

void ProgressMeter::Add(std::uint64_t bytes) {
    CheckStop();
    const std::uint64_t before = done_.fetch_add(bytes, std::memory_order_relaxed);
    const std::uint64_t after = before + bytes;
    const std::uint64_t step = step_.load(std::memory_order_acquire);
    // Only the thread whose bytes cross a reporting point reports, so the
    // reports stay few however many threads count.
    if (control_.progress && after / step != before / step) {
        const std::uint64_t total = total_.load(std::memory_order_relaxed);
        // A file that grew since it was counted may take "done" past the total.
        control_.progress(std::min(after, total), total);
    }
}

void ProgressMeter::CheckStop() const {
    if (control_.cancel != nullptr && control_.cancel->load(std::memory_order_relaxed)) {
        throw ArchiveError(ArchiveFailure::Cancelled, path_, ECANCELED);
    }
}

} // namespace vantorel

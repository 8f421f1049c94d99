#pragma once

#include "archive/step_control.h"

#include <atomic>
#include <cstdint>
#include <filesystem>

namespace vantorel {

// Counts the bytes a step has done, passes them on to StepControl::progress
// about every hundredth of the whole (never for every block), and turns a
// stop request into an exception. Safe to use from several threads at once.
class ProgressMeter {
public:
    // `path` names the step's archive in the error a stop throws.
    ProgressMeter(const StepControl& control, std::filesystem::path path);
    ProgressMeter(const ProgressMeter&) = delete;
    ProgressMeter& operator=(const ProgressMeter&) = delete;

    // True when someone wants the progress, so the total is worth counting.
    bool wanted() const { return static_cast<bool>(control_.progress); }
    // Sets the whole and reports what is done of it: reports begin here,
    // while what was counted before (as the files were still being listed)
    // stays counted.
    void Start(std::uint64_t total);
    // Counts `bytes` more done. Throws ArchiveError(Cancelled) once a stop was asked.
    void Add(std::uint64_t bytes);
    // Throws ArchiveError(Cancelled) once a stop was asked.
    void CheckStop() const;

private:
    const StepControl& control_;
    std::filesystem::path path_;
    std::atomic<std::uint64_t> total_{0};
    std::atomic<std::uint64_t> step_{UINT64_MAX}; // no report before Start
    std::atomic<std::uint64_t> done_{0};
};

} // namespace vantorel

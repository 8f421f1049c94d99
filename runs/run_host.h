#pragma once

#include "jobs/questions.h"
#include "runs/run_failure.h"
#include "schedule/date_time.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

// Where a long step reports its progress: bytes done and bytes in all
// (StepControl::progress). Safe to call from any thread.
using StepProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
// The long part of an archive or extract step. It works only on the copies
// it was given, never on the job list, so it runs on a worker thread.
using LongStep = std::function<void(const StepProgress& progress)>;

// One line of the ErrorList: a failed job's designation, and the job it names
// so that its hint can show that job's next run.
struct ErrorEntry {
    std::string designation;
    std::uint64_t jobId = 0;
    // Why the job failed, shown under its line.
    FailureCause cause;
};

// What a restore could not do, for the notice that tells the user.
struct RestoreProblems {
    // Set when the archive could not be used at all: nothing was extracted.
    std::optional<FailureCause> archive;
    // The files that did not come back whole, and the first few of their names.
    std::size_t count = 0;
    std::vector<std::string> firstNames;
};

// What runs need from the main window. The window implements it; tests fake
// it. Every call but Post comes on the window's thread.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The current local wall-clock time.
    virtual DateTime Now() = 0;
    // Runs `task` on the window's thread, after the events already waiting
    // there. Safe to call from any thread: it is how the runner's worker
    // hands the window a step's progress and its end.
    virtual void Post(std::function<void()> task) = 0;
    // Shows or hides LbTraitement ("Traitement en cours"), for the whole of
    // an archive or extract step.
    virtual void ShowProcessing(bool visible) = 0;
    // The step in progress works on `sourceFolder` and has done `done` bytes
    // of `total` (both 0 when it starts).
    virtual void ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) = 0;
    // Shows the error window with these lines, without blocking.
    virtual void ShowErrorList(const std::vector<ErrorEntry>& errors) = 0;
    // Enables or disables TimerLanceSave; enabling restarts its interval.
    virtual void SetDueTimerEnabled(bool enabled) = 0;
    // Asks a yes/no question with the main window as parent.
    virtual bool AskYesNo(Question question) = 0;
    // Tells the user what a restore could not bring back: the whole archive,
    // or some of its files.
    virtual void ShowRestoreProblems(const RestoreProblems& problems) = 0;
    // A request has ended, whatever started it and however it ended: the job
    // list and the ErrorList may have changed.
    virtual void RunFinished() = 0;
};

} // namespace vantorel

#pragma once

#include "jobs/questions.h"
#include "schedule/date_time.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vantorel {

// One line of the ErrorList: a failed job's designation, and the job it names
// so that its hint can show that job's next run.
// Where a long step reports its progress: bytes done and bytes in all
// (StepControl::progress). Safe to call from any thread.
using StepProgress = std::function<void(std::uint64_t done, std::uint64_t total)>;
// The long part of an archive or extract step. It works only on the copies
// it was given, never on the job list, so it can run on another thread.
using LongStep = std::function<void(const StepProgress& progress)>;

struct ErrorEntry {
    std::string designation;
    std::uint64_t jobId = 0;
};

// What runs need from the main window. The window implements it; tests fake it.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The current local wall-clock time.
    virtual DateTime Now() = 0;
    // Shows or hides LbTraitement ("Traitement en cours").
    virtual void ShowProcessing(bool visible) = 0;
    // Lets the pending window events run once.
    virtual void ProcessPendingEvents() = 0;
    // Runs `step` and returns once it has ended, passing its exception on.
    // The window runs it on a worker thread and keeps handling its events
    // meanwhile (the job list may then change under the run), showing the
    // progress beside "Traitement en cours" with the name of `sourceFolder`.
    virtual void RunStep(const std::string& sourceFolder, const LongStep& step) = 0;
    // Shows the error window with these lines, without blocking.
    virtual void ShowErrorList(const std::vector<ErrorEntry>& errors) = 0;
    // Enables or disables TimerLanceSave; enabling restarts its interval.
    virtual void SetDueTimerEnabled(bool enabled) = 0;
    // Asks a yes/no question with the main window as parent.
    virtual bool AskYesNo(Question question) = 0;
    // Tells the user that a restore could not bring back `count` files
    // whole; `firstNames` holds the first few of them.
    virtual void ShowRestoreProblems(std::size_t count, const std::vector<std::string>& firstNames) = 0;
};

} // namespace vantorel

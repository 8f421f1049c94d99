#pragma once

#include "runs/run_host.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace vantorel::test {

// The window as the runs see it: a settable clock, scripted answers, and a log
// of every call so that tests can check what was shown and in which order.
class FakeRunHost : public RunHost {
public:
    DateTime Now() override;
    void ShowProcessing(bool visible) override;
    void ProcessPendingEvents() override;
    // Runs the step inline, as if it had run on a worker thread with
    // `onStep` handled as a window event meanwhile.
    void RunStep(const std::string& sourceFolder, const LongStep& step) override;
    void ShowErrorList(const std::vector<ErrorEntry>& errors) override;
    void SetDueTimerEnabled(bool enabled) override;
    bool AskYesNo(Question question) override;
    void ShowRestoreProblems(const RestoreProblems& problems) override;

    // The clock; Now() returns it, then adds `tick` to it.
    DateTime now;
    DateTime::Duration tick{0};

    // Answers given in turn; once they run out every question gets a no.
    std::deque<bool> answers;
    std::vector<Question> questions;

    // Runs inside ProcessPendingEvents, as a window event would.
    std::function<void()> onEvents;
    // Runs inside RunStep before the step, as an event handled while it runs.
    std::function<void()> onStep;

    // "show", "hide", "events", "step", "timer on", "timer off", "errors", in order.
    std::vector<std::string> log;
    std::vector<std::vector<ErrorEntry>> shownErrors;
    std::vector<RestoreProblems> restoreProblems;
    bool processingVisible = false;
    // The last (done, total) a step reported.
    std::uint64_t progressDone = 0;
    std::uint64_t progressTotal = 0;
    bool timerEnabled = true;

    int Count(const std::string& entry) const;
};

} // namespace vantorel::test

#pragma once

#include "runs/run_host.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace vantorel::test {

// The window as the runs see it: a settable clock, scripted answers, a log
// of every call so that tests can check what was shown and in which order,
// and the window's event queue, which the test's own thread runs.
class FakeRunHost : public RunHost {
public:
    DateTime Now() override;
    void Post(std::function<void()> task) override;
    void ShowProcessing(bool visible) override;
    void ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) override;
    void ShowErrorList(const std::vector<ErrorEntry>& errors) override;
    void SetDueTimerEnabled(bool enabled) override;
    bool AskYesNo(Question question) override;
    void ShowRestoreProblems(const RestoreProblems& problems) override;
    void RunFinished() override;

    // Runs the next posted task, waiting for the worker to post one; first,
    // once per step, `onStep`, as a window event handled while the step
    // runs. False when nothing came within a long while.
    bool RunNextPosted();
    bool HasPosted();

    // The clock; Now() returns it, then adds `tick` to it.
    DateTime now;
    DateTime::Duration tick{0};

    // Answers given in turn; once they run out every question gets a no.
    std::deque<bool> answers;
    std::vector<Question> questions;

    // Runs on the test's thread while a step runs on the worker, once per step.
    std::function<void()> onStep;

    // "show", "step" (the moment onStep runs), "hide", "timer on", "timer off",
    // "errors", "restore problems", in order.
    std::vector<std::string> log;
    std::vector<std::vector<ErrorEntry>> shownErrors;
    std::vector<RestoreProblems> restoreProblems;
    bool processingVisible = false;
    // The last (done, total) a step reported, and the folder it named.
    std::uint64_t progressDone = 0;
    std::uint64_t progressTotal = 0;
    std::string progressFolder;
    bool timerEnabled = true;
    int finished = 0;

    int Count(const std::string& entry) const;

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
    bool stepAwaitingEvents_ = false;
};

} // namespace vantorel::test

#include "tests/core/runs/fake_run_host.h"

#include <algorithm>
#include <chrono>

namespace vantorel::test {

DateTime FakeRunHost::Now() {
    DateTime current = now;
    now = now + tick;
    return current;
}

void FakeRunHost::Post(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    posted_.notify_one();
}

bool FakeRunHost::HasPosted() {
    std::lock_guard<std::mutex> lock(mutex_);
    return !tasks_.empty();
}

bool FakeRunHost::RunNextPosted() {
    if (std::exchange(stepAwaitingEvents_, false)) {
        log.push_back("step");
        if (onStep) {
            onStep();
        }
    }
    std::function<void()> task;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // Long enough for any step of these tests on a slow, thread-checked build.
        if (!posted_.wait_for(lock, std::chrono::seconds(60), [this] { return !tasks_.empty(); })) {
            return false;
        }
        task = std::move(tasks_.front());
        tasks_.pop_front();
    }
    task();
    return true;
}

void FakeRunHost::ShowProcessing(bool visible) {
    processingVisible = visible;
    stepAwaitingEvents_ = visible;
    log.push_back(visible ? "show" : "hide");
}

void FakeRunHost::ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) {
    progressFolder = sourceFolder;
    progressDone = done;
    progressTotal = total;
}

void FakeRunHost::ShowErrorList(const std::vector<ErrorEntry>& errors) {
    log.push_back("errors");
    shownErrors.push_back(errors);
}

void FakeRunHost::SetDueTimerEnabled(bool enabled) {
    timerEnabled = enabled;
    log.push_back(enabled ? "timer on" : "timer off");
}

void FakeRunHost::ShowRestoreProblems(const RestoreProblems& problems) {
    log.push_back("restore problems");
    restoreProblems.push_back(problems);
}

void FakeRunHost::RunFinished() {
    ++finished;
}

bool FakeRunHost::AskYesNo(Question question) {
    questions.push_back(question);
    if (answers.empty()) {
        return false;
    }
    bool answer = answers.front();
    answers.pop_front();
    return answer;
}

int FakeRunHost::Count(const std::string& entry) const {
    return static_cast<int>(std::count(log.begin(), log.end(), entry));
}

} // namespace vantorel::test

#include "tests/core/runs/fake_run_host.h"

#include <algorithm>

namespace vantorel::test {

DateTime FakeRunHost::Now() {
    DateTime current = now;
    now = now + tick;
    return current;
}

void FakeRunHost::ShowProcessing(bool visible) {
    processingVisible = visible;
    log.push_back(visible ? "show" : "hide");
}

void FakeRunHost::ProcessPendingEvents() {
    log.push_back("events");
    if (onEvents) {
        onEvents();
    }
}

void FakeRunHost::RunStep(const std::string&, const LongStep& step) {
    log.push_back("step");
    if (onStep) {
        onStep();
    }
    step([this](std::uint64_t done, std::uint64_t total) {
        progressDone = done;
        progressTotal = total;
    });
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

#pragma once

#include "jobs/job_store.h"
#include "runs/backup_runner.h"
#include "tests/core/runs/fake_run_host.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace vantorel::test {

namespace fs = std::filesystem;

// A date-time that must exist.
DateTime At(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0, unsigned second = 0);

// A folder's path as the job store holds it: with its final separator.
std::string FolderText(const fs::path& folder);

// The names of the files in a folder; empty when it does not exist.
std::set<std::string> FileNames(const fs::path& folder);

// Runs `body` in a child process and returns its exit code, or nullopt when
// the child did not exit normally. The child ends with _exit, so nothing of the
// test framework runs twice.
std::optional<int> RunInChild(const std::function<int()>& body);

// The runner as the tests drive it: each request is made, then the window's
// events (the tasks the runner posts) run on the test's thread until no
// request is left, so that a test reads the results right after the call.
// Requests made from inside those events, as window events during a step,
// are only queued: the outermost call runs them.
class TestRunner {
public:
    TestRunner(JobStore& store, FakeRunHost& host) : host_(host), runner_(store, host) {}

    void DuePass();
    void RunSelected(std::optional<std::size_t> selectedRow);
    void RunNewJob(std::size_t row);
    void RunAll();
    void Restore(std::optional<std::size_t> selectedRow);
    bool Quit() { return runner_.Quit(); }
    void RecoverAll() { runner_.RecoverAll(); }
    void SetRunLog(RunLog* log) { runner_.SetRunLog(log); }
    bool busy() const { return runner_.busy(); }
    const std::vector<ErrorEntry>& errorList() const { return runner_.errorList(); }

    // Runs the window's events until no request is left.
    void Settle();

private:
    FakeRunHost& host_;
    BackupRunner runner_;
    bool settling_ = false;
};

// A program folder with its job store, a fake window and the runner, in a
// fresh temporary folder.
class RunsTest : public ::testing::Test {
protected:
    RunsTest();

    // A job over these two folders, stored with the given texts.
    std::size_t AddJob(const fs::path& source, const fs::path& destination, const std::string& code = "0",
                       const std::string& nextRun = "01/12/2026 10:00:00",
                       const std::string& lastRun = "01/12/2026 09:00:00");

    // Row `row` as ListeSave.ini holds it, read by a fresh store.
    BackupJob Stored(std::size_t row) const;
    std::size_t StoredCount() const;

    fs::path ArchiveOf(std::size_t row, int generation) const;
    fs::path ArchiveFolderOf(std::size_t row) const;

    TempDir tmp;
    fs::path settingsFolder;
    JobStore store;
    FakeRunHost host;
    TestRunner runner;
};

} // namespace vantorel::test

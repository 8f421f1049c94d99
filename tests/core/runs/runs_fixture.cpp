#include "tests/core/runs/runs_fixture.h"
#include "tests/support/new_job.h"

#include "jobs/archive_paths.h"

#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace vantorel::test {

DateTime At(int year, unsigned month, unsigned day, unsigned hour, unsigned minute, unsigned second) {
    std::optional<DateTime> value = DateTime::FromParts(year, month, day, hour, minute, second);
    if (!value) {
        throw std::invalid_argument("no such date-time");
    }
    return *value;
}

std::string FolderText(const fs::path& folder) {
    std::string text = folder.string();
    if (text.empty() || text.back() != '/') {
        text += '/';
    }
    return text;
}

std::set<std::string> FileNames(const fs::path& folder) {
    std::set<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.insert(it->path().filename().string());
    }
    return names;
}

std::optional<int> RunInChild(const std::function<int()>& body) {
    pid_t child = fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        int code = 100;
        try {
            code = body();
        } catch (...) {
            code = 101;
        }
        _exit(code);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
        return std::nullopt;
    }
    return WEXITSTATUS(status);
}

void TestRunner::DuePass() {
    runner_.DuePass();
    Settle();
}

void TestRunner::RunSelected(std::optional<std::size_t> selectedRow) {
    runner_.RunSelected(selectedRow);
    Settle();
}

void TestRunner::RunNewJob(std::size_t row) {
    runner_.RunNewJob(row);
    Settle();
}

void TestRunner::RunAll() {
    runner_.RunAll();
    Settle();
}

void TestRunner::Restore(std::optional<std::size_t> selectedRow) {
    runner_.Restore(selectedRow);
    Settle();
}

void TestRunner::Settle() {
    if (settling_) {
        return;
    }
    struct Settling {
        bool& flag;
        explicit Settling(bool& f) : flag(f) { flag = true; }
        ~Settling() { flag = false; }
    } settling(settling_);
    while (runner_.busy() || host_.HasPosted()) {
        if (!host_.RunNextPosted()) {
            ADD_FAILURE() << "a step never ended";
            return;
        }
    }
}

namespace {

fs::path MadeFolder(const fs::path& folder) {
    fs::create_directories(folder);
    return folder;
}

} // namespace

RunsTest::RunsTest() : settingsFolder(MadeFolder(tmp / "program")), store(settingsFolder), runner(store, host) {
    host.now = At(2026, 12, 7, 14, 5, 33);
}

std::size_t RunsTest::AddJob(const fs::path& source, const fs::path& destination, const std::string& code,
                             const std::string& nextRun, const std::string& lastRun) {
    std::string sourceText = FolderText(source);
    std::string destinationText = FolderText(destination);
    std::string designation = BuildDesignation(sourceText, destinationText, {code, "0", "0", "0"});
    return store.AppendJob(
        test::NewJob(designation, sourceText, destinationText, {code, "0", "0", "0"}, lastRun, nextRun));
}

BackupJob RunsTest::Stored(std::size_t row) const {
    JobStore fresh(settingsFolder);
    fresh.LoadJobList();
    return fresh.at(row);
}

std::size_t RunsTest::StoredCount() const {
    JobStore fresh(settingsFolder);
    fresh.LoadJobList();
    return fresh.size();
}

fs::path RunsTest::ArchiveOf(std::size_t row, int generation) const {
    return ArchivePath(store.at(row).destination, store.at(row).reference, generation);
}

fs::path RunsTest::ArchiveFolderOf(std::size_t row) const {
    return ArchiveFolder(store.at(row).destination);
}

} // namespace vantorel::test

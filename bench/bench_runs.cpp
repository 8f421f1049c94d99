// What a run costs beyond writing its archive: the folder check (with the
// empty-source guard), the rotation and the reschedule, and a due pass over
// many jobs that are not due. Usage: bench_runs [files] [jobs]

#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"
#include "jobs/job_store.h"
#include "runs/backup_runner.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>

namespace {

// An hourly job, as the add operation hands it to the store.
vantorel::BackupJob Job(const std::string& source, const std::string& destination, std::string lastRun,
                        std::string nextRun) {
    vantorel::BackupJob job;
    job.designation = "bench";
    job.source = source;
    job.destination = destination;
    job.lastRun = std::move(lastRun);
    job.nextRun = std::move(nextRun);
    return job;
}

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using vantorel::DateTime;

// A window that shows nothing, with a clock that stands still; its event
// queue runs on the bench's thread.
class QuietHost : public vantorel::RunHost {
public:
    DateTime Now() override { return *DateTime::FromParts(2026, 12, 7, 14, 5, 33); }
    void Post(std::function<void()> task) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        posted_.notify_one();
    }
    void ShowProcessing(bool) override {}
    void ShowStepProgress(const std::string&, std::uint64_t, std::uint64_t) override {}
    void ShowErrorList(const std::vector<vantorel::ErrorEntry>&) override {}
    void SetDueTimerEnabled(bool) override {}
    bool AskYesNo(vantorel::Question) override { return true; }
    void ShowRestoreProblems(const vantorel::RestoreProblems&) override {}
    void RunFinished() override {}

    // Runs the posted tasks until the runner has no request left.
    void Finish(const vantorel::BackupRunner& runner) {
        while (runner.busy()) {
            std::function<void()> task;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                posted_.wait(lock, [this] { return !tasks_.empty(); });
                task = std::move(tasks_.front());
                tasks_.pop_front();
            }
            task();
        }
    }

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void MakeTree(const fs::path& root, int files) {
    const std::string content(4096, 'x');
    for (int i = 0; i < files; ++i) {
        fs::path folder = root / ("d" + std::to_string(i / 100));
        fs::create_directories(folder);
        std::ofstream(folder / ("f" + std::to_string(i) + ".txt")) << content << i;
    }
}

} // namespace

int main(int argc, char** argv) {
    const int files = argc > 1 ? std::atoi(argv[1]) : 2000;
    const int jobs = argc > 2 ? std::atoi(argv[2]) : 200;
    std::string pattern = (fs::temp_directory_path() / "vantorel-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path root = pattern;
    const fs::path source = root / "source";
    MakeTree(source, files);

    vantorel::JobStore store(root);
    QuietHost host;
    vantorel::BackupRunner runner(store, host);
    const std::string folder = source.string() + "/";
    const std::string destination = (root / "backups").string() + "/";
    store.AppendJob(Job(folder, destination, "01/12/2026 09:00:00", "01/12/2026 10:00:00"));

    // The first run also warms the file cache for the ones measured after it.
    for (int run = 1; run <= 3; ++run) {
        auto start = Clock::now();
        runner.RunSelected(0);
        host.Finish(runner);
        std::printf("run %d of the job, %d files:          %8.1f ms\n", run, files, MillisecondsSince(start));
    }
    auto start = Clock::now();
    vantorel::ZipFolder(root / "plain.zip", source);
    std::printf("ZipFolder alone, same files:           %8.1f ms\n", MillisecondsSince(start));
    start = Clock::now();
    const bool any = vantorel::HasArchivableFile(source);
    std::printf("empty-source guard, full source:       %8.3f ms (%s)\n", MillisecondsSince(start),
                any ? "files" : "none");
    start = Clock::now();
    const auto entries = vantorel::CountArchiveEntries(root / "plain.zip");
    std::printf("entries of the newest archive:         %8.3f ms (%zu)\n", MillisecondsSince(start),
                entries.value_or(0));

    for (int i = 1; i < jobs; ++i) {
        store.AppendJob(Job(folder, destination, "", "31/12/2099 10:00:00"));
    }
    start = Clock::now();
    runner.DuePass();
    host.Finish(runner);
    std::printf("due pass over %d jobs, none due:     %8.3f ms\n", jobs, MillisecondsSince(start));

    std::error_code ec;
    fs::remove_all(root, ec); // best effort: a leftover temporary folder harms nothing
    return runner.errorList().empty() ? 0 : 1;
}

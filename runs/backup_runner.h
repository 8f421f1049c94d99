#pragma once

#include "archive/reader/extract_archive.h"
#include "jobs/job_store.h"
#include "runs/run_host.h"
#include "runs/run_task.h"

#include <atomic>
#include <coroutine>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace vantorel {

class DestinationDisks;
class Generations;
class RunLog;
struct ZipSummary;

// The backup runs and the restore, one request at a time.
//
// Every request (a due pass, run selected, run all, a new job's first run, a
// restore) goes into one queue and starts, in an event of the window's
// thread, once the request before it has ended. A request's job-list work
// (reading the job, rescheduling, listing failures) runs on the window's
// thread; only its long archive or extract steps run on a worker thread, and
// their progress and end come back as events posted through RunHost::Post.
// So the window keeps handling its events during a step, and the job list may
// change meanwhile: a request finds its jobs again by id after each step.
class BackupRunner {
public:
    BackupRunner(JobStore& store, RunHost& host);
    // Stops a step in progress at its next stop point and waits for its
    // worker; what the request would have done after the step is not done.
    ~BackupRunner();
    BackupRunner(const BackupRunner&) = delete;
    BackupRunner& operator=(const BackupRunner&) = delete;

    // The requests; see Enqueue for what one arriving during a run becomes.
    // Runs every due job (TimerLanceSaveTimer, and at each show).
    void DuePass();
    // LancerSauvegardeClick: runs the selected row's job; nothing when none is selected.
    void RunSelected(std::optional<std::size_t> selectedRow);
    // The first run of a job just added (AJOUTER), so that no new job waits
    // for its first scheduled time. Its failure is added to the ErrorList,
    // which it does not empty: a pass's failures stay listed.
    void RunNewJob(std::size_t row);
    // LancerToutesSauvegardesClick: runs every job, due or not.
    void RunAll();
    // RestaurerSauvegardeSelectionneClick: asks for confirmation at once,
    // then queues the extraction of the selected job's newest archive into
    // its source folder.
    void Restore(std::optional<std::size_t> selectedRow);
    // The program is ending: the step in progress stops at its next stop
    // point (its temporary archive removed, the generations as they were),
    // the requests waiting are dropped and none starts any more. True when a
    // request is still in progress: RunHost::RunFinished follows once it has
    // ended.
    bool Quit();

    // At the program's start: finishes, for every job, what a run killed
    // earlier left beside its archives, so that a newest archive waiting for
    // its name has it before anyone looks for it. Nothing while busy.
    void RecoverAll();

    // True while a request is in progress or waiting.
    bool busy() const { return current_.has_value() || !waiting_.empty(); }
    // The failures of the most recent pass, run selected or run all, and of
    // the first runs since.
    const std::vector<ErrorEntry>& errorList() const { return errors_; }
    // Where each run writes its line; null: nowhere. The log outlives the runner.
    void SetRunLog(RunLog* log) { runLog_ = log; }

private:
    // How a run was started; they differ only when the folder check fails.
    enum class RunPath { Due, Selected, All };
    enum class RequestKind { DuePass, Selected, All, FirstRun, Restore };
    struct Request {
        RequestKind kind;
        std::uint64_t jobId = 0; // the job named when the request was made
        bool operator==(const Request&) const = default;
    };
    // Awaited by a request: runs a long step on the worker thread, and
    // resumes the request on the window's thread once the step has ended,
    // passing on what it threw. (Awaited objects hold nothing to destroy:
    // the compiler this is built with mishandles such temporaries across a
    // pause, so tasks are awaited as named locals too.)
    struct OnWorker {
        BackupRunner& runner;
        const LongStep* step;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> paused) { runner.StartStep(paused, *step); }
        void await_resume() const;
    };

    void Enqueue(Request request);
    void StartNext();
    RunTask TaskFor(Request request);
    // The request's name in the field trace.
    static std::string KindName(Request request);
    // After a request was started or resumed: when it has ended, the window
    // hears of it and the next request is started.
    void AfterResume();
    void StartStep(std::coroutine_handle<> paused, const LongStep& step);
    void ReportProgress(std::uint64_t done, std::uint64_t total);
    void EndStep();

    // The requests' work, on the window's thread.
    RunTask PassOfDueJobs();
    RunTask RunOneJob(std::uint64_t id);
    RunTask FirstRun(std::uint64_t id);
    RunTask RunEveryJob();
    RunTask RestoreJob(std::uint64_t id);

    // One run of the job with this id: folder check, archive step under the
    // archives' lock, rotation, reschedule. Failures are listed, never thrown.
    RunTask RunJob(std::uint64_t id, RunPath path);
    // Where a run reads and writes.
    struct RunPlaces {
        std::filesystem::path source;
        std::filesystem::path archiveFolder;
        std::filesystem::path newest;
        std::filesystem::path previous;
    };
    static RunPlaces PlacesOf(const BackupJob& job);
    // The folder check, making the archive folder when its disk is there:
    // why the run cannot start, or nothing when it can.
    static std::optional<FailureCause> CheckFolders(const BackupJob& job, const RunPlaces& places,
                                                    const DestinationDisks& disks);
    void FailAtFolderCheck(std::uint64_t id, RunPath path, const FailureCause& cause);
    // Writes the new archive under `written`, the generations locked; the
    // references must outlive the step.
    LongStep ArchiveStep(const RunPlaces& places, Generations& generations, const std::filesystem::path& written,
                         ZipSummary& summary);
    // Rotates the written archive in as the newest; on failure it is
    // removed and the generations are as they were.
    static void KeepNewArchive(Generations& generations, const std::filesystem::path& written);
    // Runs a long step with "Traitement en cours" shown over `sourceFolder`;
    // the label is hidden however the step ends.
    RunTask WithProcessingLabel(std::string sourceFolder, LongStep step);
    // Writes the last run (now) and the next run of the job with this id, to
    // whatever row holds it now; nothing when it was deleted meanwhile.
    void Reschedule(std::uint64_t id);
    // Adds the job's designation and the cause of its failure to the
    // ErrorList, unless it was deleted meanwhile.
    void ListFailure(std::uint64_t id, const FailureCause& cause);
    // The ids of every job, in list order, when a pass starts.
    std::vector<std::uint64_t> JobIds() const;
    void ShowErrorsIfAny();
    void ReportRestoreProblems(const ExtractReport& report, const std::filesystem::path& archive,
                               const std::filesystem::path& target);

    JobStore& store_;
    RunHost& host_;
    std::vector<ErrorEntry> errors_;
    std::deque<Request> waiting_;
    std::optional<RunTask> current_;
    // Read by the step's worker threads.
    std::atomic<bool> stop_{false};
    RunLog* runLog_ = nullptr;

    // The step in progress: the request paused on it, the folder it works on,
    // the last share done posted to the window, and what it threw (written
    // by the worker, read once it has been joined).
    std::coroutine_handle<> pausedAtStep_;
    std::string stepFolder_;
    std::atomic<int> stepPercent_{-1};
    std::exception_ptr stepFailure_;
    std::thread worker_;
};

} // namespace vantorel

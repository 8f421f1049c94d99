#pragma once

#include "archive/reader/extract_archive.h"
#include "jobs/job_store.h"
#include "runs/run_host.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vantorel {

class RunLog;

// The backup runs and the restore, on the window's thread; only their long
// archive and extract steps go through RunHost::RunStep. Runs never overlap:
// a pass, a run or a restore requested while one is in progress (from the
// events handled during a step) does nothing.
class BackupRunner {
public:
    BackupRunner(JobStore& store, RunHost& host);

    // Runs every due job (TimerLanceSaveTimer, and once at each show).
    void DuePass();
    // LancerSauvegardeClick: runs the selected row; nothing when none is selected.
    void RunSelected(std::optional<std::size_t> selectedRow);
    // The first run of a job just added (AJOUTER): at once, or, when a run is
    // in progress (the add came from its event processing), as soon as that
    // run ends, so that no new job waits for its first scheduled time.
    void RunNewJob(std::size_t row);
    // LancerToutesSauvegardesClick: runs every job, due or not.
    void RunAll();
    // RestaurerSauvegardeSelectionneClick: after confirmation, extracts the
    // selected job's newest archive into its source folder.
    void Restore(std::optional<std::size_t> selectedRow);

    // At the program's start: finishes, for every job, what a run killed
    // earlier left beside its archives, so that a newest archive waiting for
    // its name has it before anyone looks for it. Nothing while busy.
    void RecoverAll();

    // True while a pass, a run or a restore is in progress.
    bool busy() const { return busy_; }
    // The program is ending: the step in progress stops soon (its temporary
    // archive removed, the newest archive put back as after any failed
    // step), no further job of the pass runs, and no run starts any more.
    void RequestStop() { stop_ = true; }
    // The failures of the most recent pass.
    const std::vector<ErrorEntry>& errorList() const { return errors_; }
    // Where each run writes its line; null: nowhere. The log outlives the runner.
    void SetRunLog(RunLog* log) { runLog_ = log; }

private:
    // How a run was started; they differ only when the folder check fails.
    enum class RunPath { Due, Selected, All };

    // One run of the job with this id: folder check, rotation, archive step,
    // reschedule. Failures are listed, never thrown.
    void RunJob(std::uint64_t id, RunPath path);
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
    // Runs the first runs queued while a run was in progress.
    void RunQueuedFirstRuns();

    JobStore& store_;
    RunHost& host_;
    std::vector<ErrorEntry> errors_;
    bool busy_ = false;
    // Read by the step's worker threads.
    std::atomic<bool> stop_{false};
    std::vector<std::uint64_t> queuedFirstRuns_;
    RunLog* runLog_ = nullptr;
};

} // namespace vantorel

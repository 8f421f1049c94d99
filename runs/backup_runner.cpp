#include "runs/backup_runner.h"

#include "archive/archive_error.h"
#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"
#include "jobs/archive_paths.h"
#include "platform/trace.h"
#include "runs/archive_recovery.h"
#include "runs/destination_disk.h"
#include "runs/generations.h"
#include "runs/run_failure.h"
#include "runs/run_log.h"
#include "runs/run_steps.h"
#include "schedule/next_run.h"

#include <algorithm>
#include <exception>
#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

// How many names of files that did not come back a restore shows.
constexpr std::size_t kRestoreProblemNames = 5;

// A job whose stored frequency or indexes give no next run.
class NoNextRun : public std::runtime_error {
public:
    explicit NoNextRun(const std::string& code) : std::runtime_error("no next run for frequency " + code) {}
};

// The folder check: the source and the archive folder exist. A source that
// holds nothing to archive while the newest archive holds entries counts as
// missing too: it is far more likely an unmounted disk or files moved away
// than a wish to replace good backups by empty ones, and two such runs would
// rotate both generations out. A brand-new job with an empty source still
// gets its (empty) first archive.
bool FoldersReady(const fs::path& source, const fs::path& archiveFolder, const fs::path& newest) {
    if (!IsUsableFolder(source) || !IsUsableFolder(archiveFolder)) {
        return false;
    }
    return HasArchivableFile(source) || CountArchiveEntries(newest).value_or(0) == 0;
}

// The cause of a job whose stored path was too long to be read back whole.
FailureCause OverlongPathCause(const BackupJob& job) {
    return {FailureKind::PathTooLong, job.sourceOverlong ? job.source : job.destination, {}};
}

} // namespace

BackupRunner::BackupRunner(JobStore& store, RunHost& host) : store_(store), host_(host) {}

BackupRunner::~BackupRunner() {
    stop_ = true;
    if (worker_.joinable()) {
        worker_.join();
    }
    // The request paused on the step ends there; its end, posted by the
    // worker, finds no runner and is never run.
    current_.reset();
}

void BackupRunner::DuePass() {
    Enqueue({RequestKind::DuePass});
}

void BackupRunner::RunSelected(std::optional<std::size_t> selectedRow) {
    if (!selectedRow || *selectedRow >= store_.size()) {
        return;
    }
    Enqueue({RequestKind::Selected, store_.at(*selectedRow).id});
}

void BackupRunner::RunNewJob(std::size_t row) {
    if (row >= store_.size()) {
        return;
    }
    Enqueue({RequestKind::FirstRun, store_.at(row).id});
}

void BackupRunner::RunAll() {
    Enqueue({RequestKind::All});
}

void BackupRunner::Restore(std::optional<std::size_t> selectedRow) {
    if (stop_ || !selectedRow || *selectedRow >= store_.size()) {
        return;
    }
    // The job the user chose; the question runs a modal loop, in which a
    // run may end and change the rows.
    const std::uint64_t id = store_.at(*selectedRow).id;
    try {
        if (!host_.AskYesNo(Question::RestoreJob)) {
            return;
        }
    } catch (const std::exception&) {
        return; // no answer, no restore
    }
    Enqueue({RequestKind::Restore, id});
}

bool BackupRunner::Quit() {
    stop_ = true;
    waiting_.clear();
    return current_.has_value();
}

// What a request arriving while another one runs becomes, in one place:
//  - during a quit: nothing, the program is ending;
//  - the same request already waiting (a second click, a tick during a long
//    run): it counts once, since the one waiting will do the same work;
//  - anything else waits its turn, in the order asked: a due pass, run
//    selected, run all, a restore (its question already answered) and a new
//    job's first run alike. Nothing is refused, so no click is lost.
void BackupRunner::Enqueue(Request request) {
    if (stop_) {
        return;
    }
    if (std::find(waiting_.begin(), waiting_.end(), request) != waiting_.end()) {
        return;
    }
    waiting_.push_back(request);
    if (trace::Enabled()) {
        trace::Line("runs", KindName(request), " queued behind ", waiting_.size() - 1 + (current_ ? 1 : 0));
    }
    if (!current_) {
        // Never inside the caller's own handler: the request starts in an
        // event of its own, after the ones already waiting (a show's paint).
        host_.Post([this] { StartNext(); });
    }
}

void BackupRunner::StartNext() {
    if (current_ || waiting_.empty() || stop_) {
        return;
    }
    const Request request = waiting_.front();
    waiting_.pop_front();
    if (trace::Enabled()) {
        trace::Line("runs", KindName(request), " starts");
    }
    current_.emplace(TaskFor(request));
    current_->Start();
    AfterResume();
}

std::string BackupRunner::KindName(Request request) {
    const std::string job = " of job " + std::to_string(request.jobId);
    switch (request.kind) {
    case RequestKind::DuePass:
        return "due pass";
    case RequestKind::Selected:
        return "run selected" + job;
    case RequestKind::All:
        return "run all";
    case RequestKind::FirstRun:
        return "first run" + job;
    case RequestKind::Restore:
        return "restore" + job;
    }
    return "request";
}

RunTask BackupRunner::TaskFor(Request request) {
    switch (request.kind) {
    case RequestKind::DuePass:
        return PassOfDueJobs();
    case RequestKind::Selected:
        return RunOneJob(request.jobId);
    case RequestKind::All:
        return RunEveryJob();
    case RequestKind::FirstRun:
        return FirstRun(request.jobId);
    case RequestKind::Restore:
        return RestoreJob(request.jobId);
    }
    throw std::logic_error("unknown run request");
}

void BackupRunner::AfterResume() {
    if (!current_ || !current_->done()) {
        return; // paused on its next step
    }
    const std::exception_ptr failure = current_->failure();
    current_.reset();
    if (!waiting_.empty()) {
        host_.Post([this] { StartNext(); });
    }
    host_.RunFinished();
    if (failure) {
        // To the window's event handling, which shows it; the next request
        // starts all the same.
        std::rethrow_exception(failure);
    }
}

void BackupRunner::StartStep(std::coroutine_handle<> paused, const LongStep& step) {
    stepPercent_.store(-1, std::memory_order_relaxed);
    stepFailure_ = nullptr;
    worker_ = std::thread([this, step] {
        try {
            step([this](std::uint64_t done, std::uint64_t total) { ReportProgress(done, total); });
        } catch (...) {
            stepFailure_ = std::current_exception();
        }
        host_.Post([this] { EndStep(); });
    });
    pausedAtStep_ = paused;
}

void BackupRunner::ReportProgress(std::uint64_t done, std::uint64_t total) {
    // One event per percent at most: the window shows no finer share.
    const int percent =
        total == 0 ? 0
                   : static_cast<int>(static_cast<double>(std::min(done, total)) * 100.0 / static_cast<double>(total));
    if (stepPercent_.exchange(percent, std::memory_order_relaxed) == percent) {
        return;
    }
    host_.Post([this, done, total] {
        if (pausedAtStep_) {
            host_.ShowStepProgress(stepFolder_, done, total);
        }
    });
}

void BackupRunner::EndStep() {
    worker_.join();
    std::exchange(pausedAtStep_, {}).resume();
    AfterResume();
}

void BackupRunner::OnWorker::await_resume() const {
    if (std::exception_ptr failure = std::exchange(runner.stepFailure_, nullptr)) {
        std::rethrow_exception(failure);
    }
}

RunTask BackupRunner::WithProcessingLabel(std::string sourceFolder, LongStep step) {
    stepFolder_ = std::move(sourceFolder);
    host_.ShowStepProgress(stepFolder_, 0, 0);
    host_.ShowProcessing(true);
    std::exception_ptr failure;
    try {
        co_await OnWorker{*this, &step};
    } catch (...) {
        failure = std::current_exception();
    }
    host_.ShowProcessing(false);
    if (failure) {
        std::rethrow_exception(failure);
    }
}

RunTask BackupRunner::PassOfDueJobs() {
    host_.SetDueTimerEnabled(false);
    std::exception_ptr failure;
    try {
        errors_.clear();
        for (std::uint64_t id : JobIds()) {
            if (stop_) {
                break;
            }
            std::optional<std::size_t> row = store_.RowOf(id);
            if (!row || !IsDue(store_.at(*row).nextRun, host_.Now())) {
                continue; // deleted meanwhile, not due, or an unreadable next run: skipped silently
            }
            RunTask run = RunJob(id, RunPath::Due);
            co_await run;
        }
        ShowErrorsIfAny();
    } catch (...) {
        // Without the timer no later pass would ever come.
        failure = std::current_exception();
    }
    // Enabling restarts the interval, so the next pass comes a full period
    // after this one ended, however long it took.
    host_.SetDueTimerEnabled(true);
    if (failure) {
        std::rethrow_exception(failure);
    }
}

RunTask BackupRunner::RunOneJob(std::uint64_t id) {
    if (!store_.RowOf(id)) {
        co_return; // deleted while the request waited
    }
    errors_.clear();
    RunTask run = RunJob(id, RunPath::Selected);
    co_await run;
    ShowErrorsIfAny();
}

RunTask BackupRunner::FirstRun(std::uint64_t id) {
    const std::size_t listed = errors_.size();
    RunTask run = RunJob(id, RunPath::Selected);
    co_await run;
    if (errors_.size() > listed) {
        ShowErrorsIfAny();
    }
}

RunTask BackupRunner::RunEveryJob() {
    errors_.clear();
    for (std::uint64_t id : JobIds()) {
        if (stop_) {
            break;
        }
        RunTask run = RunJob(id, RunPath::All);
        co_await run;
    }
    ShowErrorsIfAny();
}

void BackupRunner::RecoverAll() {
    if (busy()) {
        return; // the requests recover their own jobs' archives as they run
    }
    for (const BackupJob& job : store_.jobs()) {
        RecoverJobArchives(job, store_.filePath().parent_path());
    }
}

RunTask BackupRunner::RestoreJob(std::uint64_t id) {
    try {
        // The job may sit in another row or be gone since the question.
        std::optional<std::size_t> row = store_.RowOf(id);
        if (!row) {
            co_return;
        }
        const BackupJob job = store_.at(*row);
        const fs::path target(job.source);
        const fs::path archive = ArchivePath(job.destination, job.reference, 1);
        if (job.HasOverlongPath()) {
            // A cut path names another folder: nothing is restored, and the user is told why.
            host_.ShowRestoreProblems(RestoreProblems{OverlongPathCause(job), 0, {}});
            co_return;
        }
        if (!target.is_absolute() || !archive.is_absolute()) {
            co_return; // a hand-edited relative path: never restore into the working folder
        }
        // A run killed before its newest archive got its name left it waiting.
        RecoverJobArchives(job, store_.filePath().parent_path());
        std::error_code ec;
        fs::create_directories(target, ec); // a failure shows as an extraction that writes nothing
        ExtractReport report;
        RunTask extract = WithProcessingLabel(job.source, [&](const StepProgress& progress) {
            report = ExtractArchive(target, archive, StepControl{progress, &stop_});
        });
        co_await extract;
        ReportRestoreProblems(report, archive, target);
    } catch (const std::exception&) {
        // What was extracted stays, the job is unchanged.
    }
}

void BackupRunner::ReportRestoreProblems(const ExtractReport& report, const fs::path& archive, const fs::path& target) {
    if (stop_) {
        return; // a stopped restore ends with the program
    }
    // An archive that is missing or unreadable restored nothing: the user
    // must not take the silence for a restore.
    if (std::optional<FailureCause> cause = RestoreArchiveCause(archive, target, report)) {
        host_.ShowRestoreProblems(RestoreProblems{std::move(cause), 0, {}});
        return;
    }
    // Files that did not come back whole: damaged ones written where nothing
    // was, and entries skipped. Folder entries of other tools are no file.
    std::vector<std::string> names = report.damaged;
    for (const SkippedEntry& skipped : report.skipped) {
        if (skipped.reason != SkipReason::FolderEntry) {
            names.push_back(skipped.name);
        }
    }
    if (names.empty() || stop_) {
        return; // a clean restore stays silent; a stopped one ends with the program
    }
    const std::size_t count = names.size();
    names.resize(std::min(names.size(), kRestoreProblemNames));
    host_.ShowRestoreProblems(RestoreProblems{std::nullopt, count, std::move(names)});
}

RunTask BackupRunner::RunJob(std::uint64_t id, RunPath path) {
    std::optional<std::size_t> row = store_.RowOf(id);
    if (!row) {
        co_return;
    }
    // A copy: the rows may change while the archive step lets events run.
    const BackupJob job = store_.at(*row);
    // One line in the run log, however the run ends.
    RunLogScope logged(runLog_, host_, job);
    const RunPlaces places = PlacesOf(job);
    const DestinationDisks disks(store_.filePath().parent_path());
    trace::Line("runs", "job ", id, " (archives ", job.reference, ") started: ", places.source, " -> ", places.newest);
    if (std::optional<FailureCause> notReady = CheckFolders(job, places, disks)) {
        FailAtFolderCheck(id, path, logged.Fail(*notReady));
        co_return;
    }
    try {
        // One writer per archive: another run on these archives (another
        // program on another job list with the same destination and
        // reference) makes this one fail before it touches anything.
        std::optional<Generations> generations = Generations::Lock(places.newest, places.previous);
        if (!generations) {
            ListFailure(id, logged.Fail(LockCause(places.archiveFolder)));
            co_return;
        }
        generations->RecoverLeftovers();
        const fs::path written = generations->NewArchiveName();
        ZipSummary summary;
        RunTask archiveStep = WithProcessingLabel(job.source, ArchiveStep(places, *generations, written, summary));
        co_await archiveStep;
        // The events handled during the archive step may have deleted the job;
        // its archives went with it, and keeping the new one would leave an orphan.
        if (!store_.RowOf(id)) {
            trace::Line("runs", "job ", id, " deleted during its run: new archive dropped");
            std::error_code ignored;
            fs::remove(written, ignored); // may not exist; the next run of these archives tidies otherwise
            co_return;
        }
        KeepNewArchive(*generations, written);
        // The disk the archives are on now is the one the next run expects.
        disks.Record(job.reference, places.archiveFolder, store_.jobs());
        // Should this fail (a stored index outside its list, a ListeSave.ini
        // that cannot be written), the archive just written is good and
        // stays: only the job is listed.
        Reschedule(id);
        std::error_code sizeUnknown;
        const std::uintmax_t bytes = fs::file_size(places.newest, sizeUnknown);
        logged.Succeed(summary.entries, sizeUnknown ? 0 : bytes);
        trace::Line("runs", "job ", id, " done: ", summary.entries, " entries, ", bytes, " bytes");
    } catch (const std::exception& error) {
        // Nothing was rotated before the new archive was complete: a failed
        // run leaves both generations as they were.
        ListFailure(id, logged.Fail(CauseOf(error, places.archiveFolder)));
    }
}

BackupRunner::RunPlaces BackupRunner::PlacesOf(const BackupJob& job) {
    return {fs::path(job.source), ArchiveFolder(job.destination), ArchivePath(job.destination, job.reference, 1),
            ArchivePath(job.destination, job.reference, 2)};
}

std::optional<FailureCause> BackupRunner::CheckFolders(const BackupJob& job, const RunPlaces& places,
                                                       const DestinationDisks& disks) {
    // A path cut when it was read names another folder: it is never created,
    // backed up or written to.
    if (job.HasOverlongPath()) {
        return OverlongPathCause(job);
    }
    // A destination whose disk or share is absent is missing, even when its
    // path could be made on the disk underneath.
    if (!disks.IsPresent(job.reference, places.archiveFolder)) {
        return FailureCause{FailureKind::DestinationMissing, places.archiveFolder.string(), {}};
    }
    std::error_code createError;
    if (places.archiveFolder.is_absolute()) {
        fs::create_directories(places.archiveFolder, createError); // the check below reports a failure
    }
    bool ready = false;
    try {
        ready = FoldersReady(places.source, places.archiveFolder, places.newest);
    } catch (const std::exception&) {
        ready = false; // a folder that cannot even be looked at is as good as missing
    }
    if (ready) {
        return std::nullopt;
    }
    return FolderCheckCause(places.source, places.archiveFolder, createError);
}

void BackupRunner::FailAtFolderCheck(std::uint64_t id, RunPath path, const FailureCause& cause) {
    ListFailure(id, cause);
    if (path == RunPath::Due) {
        // A timer-started job with a missing folder waits for its next
        // time instead of being reported at every pass.
        try {
            Reschedule(id);
        } catch (const std::exception&) {
            // Already listed; nothing was rotated, so no archive needs putting back.
        }
    }
}

LongStep BackupRunner::ArchiveStep(const RunPlaces& places, Generations& generations, const fs::path& written,
                                   ZipSummary& summary) {
    return [this, &places, &generations, &written, &summary](const StepProgress& progress) {
        ZipOptions options;
        options.control = StepControl{progress, &stop_};
        // The newest generation is still the last run's archive: the files
        // unchanged since that run are copied from it, once its data check out.
        options.previousArchive = places.newest;
        // A destination inside the source: no archive holds the generations.
        WriteMakingRoom(generations, [&] {
            summary = ZipFolder(written, places.source, options, {places.newest, places.previous});
        });
    };
}

void BackupRunner::KeepNewArchive(Generations& generations, const fs::path& written) {
    try {
        generations.Rotate(written);
    } catch (...) {
        std::error_code ignored;
        fs::remove(written, ignored); // the generations are as they were; the next run tidies otherwise
        throw;
    }
}

void BackupRunner::Reschedule(std::uint64_t id) {
    // The time is taken after the archive step: the next run counts from the
    // end of this run, and missed runs are not repeated.
    const DateTime now = host_.Now();
    std::optional<std::size_t> row = store_.RowOf(id);
    if (!row) {
        return; // deleted during the archive step: it gets no results
    }
    // The job's current settings: an edit during the archive step counts.
    const BackupJob& job = store_.at(*row);
    std::optional<DateTime> next = ComputeNextRun(job.schedule, now);
    if (!next) {
        throw NoNextRun(job.schedule.code);
    }
    store_.RecordRun(*row, FormatDateTimeText(now), FormatDateTimeText(*next));
}

void BackupRunner::ListFailure(std::uint64_t id, const FailureCause& cause) {
    trace::Line("runs", "job ", id, " failed: ", FailureKindName(cause.kind), " ", cause.path, " ", cause.systemText);
    std::optional<std::size_t> row = store_.RowOf(id);
    if (!row) {
        return; // deleted meanwhile: there is nothing left to check
    }
    // The designation as the main list shows it now, which an edit during the
    // archive step may have changed.
    errors_.push_back({store_.at(*row).designation, id, cause});
}

std::vector<std::uint64_t> BackupRunner::JobIds() const {
    std::vector<std::uint64_t> ids;
    ids.reserve(store_.size());
    for (const BackupJob& job : store_.jobs()) {
        ids.push_back(job.id);
    }
    return ids;
}

void BackupRunner::ShowErrorsIfAny() {
    // A stopped run is the program ending: no window is shown any more.
    if (!errors_.empty() && !stop_) {
        host_.ShowErrorList(errors_);
    }
}

} // namespace vantorel

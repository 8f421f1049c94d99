#include "jobs/job_operations.h"

#include "jobs/archive_paths.h"
#include "jobs/job_error.h"
#include "platform/decimal_text.h"
#include "schedule/frequency.h"
#include "schedule/next_run.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace vantorel {

namespace {

bool InList(int position, std::size_t listSize) {
    return position >= 0 && static_cast<std::size_t>(position) < listSize;
}

// The windows only ever pass positions of their own lists; anything else is a
// caller's fault, refused before a job is built from it. Positions the
// frequency does not use are stored as they are, whatever they hold.
void CheckPositions(const Schedule& schedule) {
    const std::optional<SchedulePositions> positions = schedule.positions();
    if (!positions) {
        throw std::out_of_range("schedule positions " + schedule.code);
    }
    const std::optional<Frequency> frequency = FrequencyAt(positions->frequency);
    if (!frequency || frequency->code != schedule.code) {
        throw std::out_of_range("frequency position " + schedule.code);
    }
    if (UsesHour(frequency->kind) && !InList(positions->hour, kHourLabels.size())) {
        throw std::out_of_range("hour position " + schedule.hour);
    }
    if (UsesWeekday(frequency->kind) && !InList(positions->weekday, kWeekdayLabels.size())) {
        throw std::out_of_range("weekday position " + schedule.weekday);
    }
    if (UsesDay(frequency->kind) && !InList(positions->day, kDayLabels.size())) {
        throw std::out_of_range("day position " + schedule.day);
    }
}

std::string NextRunText(const Schedule& schedule, const DateTime& base) {
    std::optional<DateTime> next = ComputeNextRun(schedule, base);
    if (!next) {
        // CheckPositions let only computable settings through.
        throw std::logic_error("no next run for frequency " + schedule.code);
    }
    return FormatDateTimeText(*next);
}

// The repeated-source questions: one per other row holding exactly this
// source (letter case kept), stopping at the first answer that is not yes.
bool ConfirmRepeatedSource(const JobStore& store, const std::string& source, std::optional<std::size_t> ownRow,
                           const AskYesNoFunction& ask) {
    // The size is read again at every step: a question runs a nested event
    // loop, and nothing there may make this loop read past the list.
    for (std::size_t row = 0; row < store.size(); ++row) {
        if (row == ownRow || store.at(row).source != source) {
            continue;
        }
        if (!ask(Question::RepeatedSource)) {
            return false;
        }
    }
    return true;
}

// A folder path that ListeSave.ini cannot hold whole, or the cut text of one
// the list holds (the edit window and the new-job panel show those), would
// give the job another folder: refused before anything is asked or written.
void CheckPathsFit(const JobStore& store, const JobSettings& settings) {
    for (const std::string* path : {&settings.source, &settings.destination}) {
        const bool cutText = std::any_of(store.jobs().begin(), store.jobs().end(), [path](const BackupJob& job) {
            return (job.sourceOverlong && job.source == *path) || (job.destinationOverlong && job.destination == *path);
        });
        if (cutText || IsOverlongPath(*path)) {
            throw JobError(JobFailure::PathTooLong, *path);
        }
    }
}

// Deletes one archive of a job being deleted. A failure leaves the file in
// place without a word: the job goes anyway, as the user asked.
void RemoveArchive(const std::filesystem::path& archive) {
    std::error_code ec;
    std::filesystem::remove(archive, ec); // missing or undeletable: nothing to report
}

} // namespace

std::optional<std::size_t> AddJob(JobStore& store, const JobSettings& settings, const DateTime& now,
                                  const AskYesNoFunction& ask) {
    CheckPathsFit(store, settings);
    if (!ConfirmRepeatedSource(store, settings.source, std::nullopt, ask)) {
        return std::nullopt;
    }
    if (settings.source.empty() || settings.destination.empty()) {
        return std::nullopt;
    }
    CheckPositions(settings.schedule);
    BackupJob job;
    job.designation = BuildDesignation(settings.source, settings.destination, settings.schedule);
    job.source = settings.source;
    job.destination = settings.destination;
    job.schedule = settings.schedule;
    job.lastRun = FormatDateTimeText(now);
    job.nextRun = NextRunText(settings.schedule, now);
    return store.AppendJob(std::move(job));
}

JobSettings SettingsOfJob(const BackupJob& job) {
    // The first text that is not a number, in the order the lists are read.
    for (const std::string* text : {&job.schedule.code, &job.schedule.weekday, &job.schedule.day, &job.schedule.hour}) {
        if (!ParseDecimal(*text)) {
            throw JobError(JobFailure::NotAnInteger, *text);
        }
    }
    return JobSettings{job.source, job.destination, job.schedule};
}

bool ValidateEdit(JobStore& store, std::size_t row, const JobSettings& settings, const AskYesNoFunction& ask) {
    if (row >= store.size()) {
        throw std::out_of_range("no job in row " + std::to_string(row));
    }
    CheckPathsFit(store, settings);
    if (!ConfirmRepeatedSource(store, settings.source, row, ask)) {
        return false;
    }
    if (row >= store.size()) {
        throw std::out_of_range("no job in row " + std::to_string(row));
    }
    // The base is read only now: a due pass during the questions may have
    // moved this job's last run, and the latest value is the one to use.
    const std::string& lastRun = store.at(row).lastRun;
    std::optional<DateTime> base = ParseDateTimeText(lastRun);
    if (!base) {
        throw JobError(JobFailure::NotADateTime, lastRun);
    }
    CheckPositions(settings.schedule);
    std::string designation = BuildDesignation(settings.source, settings.destination, settings.schedule);
    std::string nextRun = NextRunText(settings.schedule, *base);
    store.UpdateJob(row, std::move(designation), settings.source, settings.destination, settings.schedule,
                    std::move(nextRun));
    return true;
}

bool DeleteJob(JobStore& store, std::size_t row, const AskYesNoFunction& ask) {
    if (row >= store.size()) {
        return false;
    }
    const std::uint64_t id = store.at(row).id;
    if (!ask(Question::DeleteJob)) {
        return false;
    }
    // The row is found again by its id: the question ran a nested event loop.
    std::optional<std::size_t> current = store.RowOf(id);
    if (!current) {
        return false;
    }
    const BackupJob& job = store.at(*current);
    // A relative destination (a hand-edited file) would name files under
    // whatever folder the program happens to run in, and a cut one another
    // folder: leave those alone.
    if (!job.destinationOverlong && ArchiveFolder(job.destination).is_absolute()) {
        RemoveArchive(ArchivePath(job.destination, job.reference, 1));
        RemoveArchive(ArchivePath(job.destination, job.reference, 2));
    }
    store.RemoveRow(*current);
    // RewriteJobList keeps its own safety copy and puts the old file back
    // itself when the rewrite fails, so nothing here can fail after it.
    store.RewriteJobList();
    return true;
}

} // namespace vantorel

#include "jobs/job_operations.h"

#include "jobs/archive_paths.h"
#include "platform/decimal_text.h"
#include "platform/errors.h"
#include "schedule/frequency.h"
#include "schedule/next_run.h"

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string_view>
#include <system_error>

namespace vantorel {

namespace {

// The list positions as the decimal texts the job store holds.
struct SettingsTexts {
    std::string code;
    std::string weekday;
    std::string day;
    std::string hour;
};

SettingsTexts TextsOf(const JobSettings& settings) {
    return {std::to_string(settings.frequency), std::to_string(settings.weekday), std::to_string(settings.day),
            std::to_string(settings.hour)};
}

bool InList(int position, std::size_t listSize) {
    return position >= 0 && static_cast<std::size_t>(position) < listSize;
}

// The windows only ever pass positions of their own lists; anything else is a
// caller's fault, refused before a job is built from it. Positions the
// frequency does not use are stored as they are, whatever they hold.
void CheckPositions(const JobSettings& settings) {
    if (!InList(settings.frequency, kFrequencyLabels.size())) {
        throw std::out_of_range("frequency position " + std::to_string(settings.frequency));
    }
    const bool usesHour = settings.frequency >= 4;
    if (usesHour && !InList(settings.hour, kHourLabels.size())) {
        throw std::out_of_range("hour position " + std::to_string(settings.hour));
    }
    if (settings.frequency == 5 && !InList(settings.weekday, kWeekdayLabels.size())) {
        throw std::out_of_range("weekday position " + std::to_string(settings.weekday));
    }
    if (settings.frequency == 6 && !InList(settings.day, kDayLabels.size())) {
        throw std::out_of_range("day position " + std::to_string(settings.day));
    }
}

std::string DesignationOf(const JobSettings& settings, const SettingsTexts& texts) {
    return BuildDesignation(settings.source, settings.destination, texts.code, texts.hour, texts.weekday, texts.day);
}

std::string NextRunText(const SettingsTexts& texts, const DateTime& base) {
    std::optional<DateTime> next = ComputeNextRun(texts.code, base, texts.hour, texts.weekday, texts.day);
    if (!next) {
        // CheckPositions let only computable settings through.
        throw std::logic_error("no next run for frequency " + texts.code);
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

// A stored position read as the job store reads its numbers.
int ParsePosition(const std::string& text) {
    std::optional<std::int32_t> value = ParseDecimal(text);
    if (!value) {
        throw Error(Failure::NotAnInteger, text);
    }
    return *value;
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
    if (!ConfirmRepeatedSource(store, settings.source, std::nullopt, ask)) {
        return std::nullopt;
    }
    if (settings.source.empty() || settings.destination.empty()) {
        return std::nullopt;
    }
    CheckPositions(settings);
    const SettingsTexts texts = TextsOf(settings);
    std::string designation = DesignationOf(settings, texts);
    std::string nextRun = NextRunText(texts, now);
    return store.AppendJob(std::move(designation), settings.source, settings.destination, texts.code, texts.weekday,
                           texts.day, texts.hour, FormatDateTimeText(now), std::move(nextRun));
}

JobSettings SettingsOfJob(const BackupJob& job) {
    JobSettings settings;
    settings.source = job.source;
    settings.destination = job.destination;
    settings.frequency = ParsePosition(job.frequencyCode);
    settings.weekday = ParsePosition(job.weekdayIndex);
    settings.day = ParsePosition(job.dayIndex);
    settings.hour = ParsePosition(job.hourIndex);
    return settings;
}

bool ValidateEdit(JobStore& store, std::size_t row, const JobSettings& settings, const AskYesNoFunction& ask) {
    if (row >= store.size()) {
        throw std::out_of_range("no job in row " + std::to_string(row));
    }
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
        throw Error(Failure::NotADateTime, lastRun);
    }
    CheckPositions(settings);
    const SettingsTexts texts = TextsOf(settings);
    std::string designation = DesignationOf(settings, texts);
    std::string nextRun = NextRunText(texts, *base);
    store.UpdateJob(row, std::move(designation), settings.source, settings.destination, texts.code, texts.weekday,
                    texts.day, texts.hour, std::move(nextRun));
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
    // whatever folder the program happens to run in: leave those alone.
    if (ArchiveFolder(job.destination).is_absolute()) {
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

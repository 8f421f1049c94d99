#include "jobs/job_store.h"

#include "platform/atomic_file.h"
#include "platform/decimal_text.h"
#include "platform/errors.h"
#include "platform/profile_ini.h"
#include "schedule/frequency.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <limits>
#include <stdexcept>
#include <utility>

namespace vantorel {

namespace {

constexpr std::string_view kFileName = "ListeSave.ini";
constexpr std::string_view kSafetySuffix = ".sav";
constexpr std::string_view kReferenceSection = "Reference";
constexpr std::string_view kCounterKey = "DerniereRef";
constexpr std::string_view kMissing = "0"; // what every read gives for a missing key

struct StoredField {
    std::string_view key;
    std::string& (*text)(BackupJob&);
};

// A key's text in a job, for reading and writing alike.
template <std::string BackupJob::*Field> std::string& JobText(BackupJob& job) {
    return job.*Field;
}
template <std::string Schedule::*Field> std::string& ScheduleText(BackupJob& job) {
    return job.schedule.*Field;
}

// The nine keys of a job's section in the order a whole section is written
// (and read).
constexpr std::array<StoredField, 9> kSectionKeys = {{
    {"EdSource", JobText<&BackupJob::source>},
    {"EdDestination", JobText<&BackupJob::destination>},
    {"CbDelaiSave", ScheduleText<&Schedule::code>},
    {"CbDateMois", ScheduleText<&Schedule::day>},
    {"CbJoursSemaine", ScheduleText<&Schedule::weekday>},
    {"CbHeures", ScheduleText<&Schedule::hour>},
    {"Reference", JobText<&BackupJob::reference>},
    {"CbDerniereDateMaj", JobText<&BackupJob::lastRun>},
    {"CbProchaineDateMaj", JobText<&BackupJob::nextRun>},
}};

// The keys an edit writes, in order: the whole section but the reference and the last run.
constexpr std::array<StoredField, 7> kEditedKeys = {{
    kSectionKeys[0],
    kSectionKeys[1],
    kSectionKeys[2],
    kSectionKeys[3],
    kSectionKeys[4],
    kSectionKeys[5],
    kSectionKeys[8],
}};

constexpr std::array<StoredField, 2> kRunKeys = {{kSectionKeys[7], kSectionKeys[8]}};

std::string LowerAscii(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

template <std::size_t N>
void WriteKeys(const std::filesystem::path& file, const std::string& section, BackupJob job,
               const std::array<StoredField, N>& keys) {
    for (const StoredField& stored : keys) {
        WriteProfileString(file, section, stored.key, stored.text(job));
    }
}

} // namespace

namespace {

// The designation, or nullopt with `culprit` set to the first text that does
// not fit its list.
std::optional<std::string> ComposeDesignation(std::string_view source, std::string_view destination,
                                              const Schedule& schedule, std::string_view& culprit) {
    auto need = [&culprit](std::optional<std::string_view> label, std::string_view text) {
        if (!label) {
            culprit = text;
        }
        return label;
    };
    // The label goes by the code read as a number, the suffix by the code as text.
    const std::optional<std::string_view> frequencyLabel = need(schedule.frequencyLabel(), schedule.code);
    if (!frequencyLabel) {
        return std::nullopt;
    }
    std::string line = "Sauvegarder (";
    line.append(source).append(") sur (").append(destination).append(") ").append(LowerAscii(*frequencyLabel));

    const std::optional<Frequency> frequency = schedule.frequency();
    if (!frequency || !UsesHour(frequency->kind)) {
        return line; // hourly steps: the other indexes are not looked at
    }
    const std::optional<std::string_view> hour = need(schedule.hourLabel(), schedule.hour);
    if (!hour) {
        return std::nullopt;
    }
    if (UsesWeekday(frequency->kind)) {
        const std::optional<std::string_view> weekday = need(schedule.weekdayLabel(), schedule.weekday);
        if (!weekday) {
            return std::nullopt;
        }
        line.append(" le ").append(*weekday);
    } else if (UsesDay(frequency->kind)) {
        const std::optional<std::string_view> day = need(schedule.dayLabel(), schedule.day);
        if (!day) {
            return std::nullopt;
        }
        line.append(" le ").append(*day);
    }
    line.append(" à ").append(*hour);
    return line;
}

} // namespace

std::optional<std::string> TryBuildDesignation(std::string_view source, std::string_view destination,
                                               const Schedule& schedule) {
    std::string_view culprit;
    return ComposeDesignation(source, destination, schedule, culprit);
}

std::string BuildDesignation(std::string_view source, std::string_view destination, const Schedule& schedule) {
    std::string_view culprit;
    std::optional<std::string> line = ComposeDesignation(source, destination, schedule, culprit);
    if (!line) {
        throw Error(Failure::NotAnInteger, std::string(culprit));
    }
    return std::move(*line);
}

JobStore::JobStore(std::filesystem::path programFolder) : filePath_(std::move(programFolder) / kFileName) {}

std::optional<std::size_t> JobStore::RowOf(std::uint64_t id) const {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(), [id](const BackupJob& job) { return job.id == id; });
    if (it == jobs_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - jobs_.begin());
}

void JobStore::LoadJobList() {
    // One read of the file: a load never writes, and a file that cannot be
    // read gives an empty list, as a missing one does.
    const IniDocument doc = ReadProfileFile(filePath_);
    referenceCounter_ = ReadProfileValue(doc, kReferenceSection, kCounterKey, kMissing);
    // A job keeps its id across loads, found by its reference (what names its
    // archives), so that what refers to it (an error line's hint) still does.
    std::vector<BackupJob> previous = std::move(jobs_);
    jobs_.clear();
    const auto idFor = [this, &previous](const std::string& reference) {
        const auto it = std::find_if(previous.begin(), previous.end(), [&reference](const BackupJob& old) {
            return old.id != 0 && old.reference == reference;
        });
        if (it == previous.end()) {
            return nextId_++;
        }
        return std::exchange(it->id, 0); // a reference repeated by hand: the next one gets a fresh id
    };

    for (std::size_t i = 0;; ++i) {
        const std::string section = std::to_string(i);
        BackupJob job;
        for (const StoredField& stored : kSectionKeys) {
            stored.text(job) = ReadProfileValue(doc, section, stored.key, kMissing);
        }
        // The counter follows the highest reference, the final section's included.
        const std::optional<std::int32_t> counter = ParseDecimal(referenceCounter_);
        const std::optional<std::int32_t> reference = ParseDecimal(job.reference);
        if (!counter || !reference) {
            return;
        }
        if (*counter < *reference) {
            referenceCounter_ = job.reference;
        }
        if (job.source == kMissing) {
            return; // the end of the list
        }
        std::optional<std::string> designation = TryBuildDesignation(job.source, job.destination, job.schedule);
        if (!designation) {
            return; // an unreadable section ends the list, silently
        }
        job.designation = std::move(*designation);
        job.id = idFor(job.reference);
        jobs_.push_back(std::move(job));
    }
}

std::size_t JobStore::AppendJob(BackupJob job) {
    const std::optional<std::int32_t> counter = ParseDecimal(referenceCounter_);
    if (!counter || *counter == std::numeric_limits<std::int32_t>::max()) {
        throw Error(Failure::NotAnInteger, referenceCounter_);
    }
    referenceCounter_ = std::to_string(*counter + 1);
    job.reference = referenceCounter_;
    job.id = nextId_++;
    jobs_.push_back(std::move(job));

    // The row is in the list before the first write, so a refused write leaves it there.
    const std::size_t row = jobs_.size() - 1;
    WriteProfileString(filePath_, kReferenceSection, kCounterKey, referenceCounter_);
    WriteKeys(filePath_, std::to_string(row), jobs_[row], kSectionKeys);
    return row;
}

void JobStore::UpdateJob(std::size_t row, std::string designation, std::string source, std::string destination,
                         Schedule schedule, std::string nextRun) {
    BackupJob edited = jobs_.at(row);
    edited.designation = std::move(designation);
    edited.source = std::move(source);
    edited.destination = std::move(destination);
    edited.schedule = std::move(schedule);
    edited.nextRun = std::move(nextRun);
    // The file first: a refused write leaves the row as it was.
    WriteKeys(filePath_, std::to_string(row), edited, kEditedKeys);
    jobs_[row] = std::move(edited);
}

void JobStore::RecordRun(std::size_t row, std::string lastRun, std::string nextRun) {
    BackupJob& ran = jobs_.at(row);
    ran.lastRun = std::move(lastRun);
    ran.nextRun = std::move(nextRun);
    // The list in memory moves on even when the file refuses the write: a job
    // whose schedule cannot be saved then runs again at its next time (or at
    // the next start, from the file), not at every pass, each run rotating a
    // generation out. The failure still reaches the caller.
    WriteKeys(filePath_, std::to_string(row), ran, kRunKeys);
}

void JobStore::RemoveRow(std::size_t row) {
    if (row >= jobs_.size()) {
        throw std::out_of_range("JobStore::RemoveRow");
    }
    jobs_.erase(jobs_.begin() + static_cast<std::ptrdiff_t>(row));
}

void JobStore::RewriteJobList() {
    std::filesystem::path safetyCopy = filePath_;
    safetyCopy += kSafetySuffix;

    bool copied = false;
    try {
        CopyFileReplacing(filePath_, safetyCopy);
        copied = true;
    } catch (const Error&) {
        // No safety copy (no file yet, or a read-only copy): the rewrite goes
        // on, since the replace below never damages the file on its own.
    }

    try {
        if (jobs_.empty()) {
            if (std::remove(filePath_.c_str()) != 0 && errno != ENOENT) {
                throw Error(Failure::WriteRefused, filePath_.string(), errno);
            }
            return;
        }
        // The whole new file is built first and replaces the old one in one step.
        IniDocument doc;
        for (std::size_t row = 0; row < jobs_.size(); ++row) {
            const std::string section = std::to_string(row);
            for (const StoredField& stored : kSectionKeys) {
                doc.Set(section, stored.key, stored.text(jobs_[row]));
            }
        }
        WriteProfileFile(filePath_, doc);
    } catch (const std::exception&) {
        // The file was not replaced. Putting back the copy made just now keeps
        // the old list whatever went wrong; a copy from an earlier delete is
        // never put back, it would bring back an older list.
        if (copied) {
            try {
                CopyFileReplacing(safetyCopy, filePath_);
                std::filesystem::remove(safetyCopy);
            } catch (const std::exception&) {
                // Nothing more can be done, and a failed rewrite is silent by design.
            }
        }
    }
}

} // namespace vantorel

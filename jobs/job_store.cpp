#include "jobs/job_store.h"

#include "jobs/job_error.h"
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
#include <set>
#include <stdexcept>
#include <utility>

namespace vantorel {

namespace {

constexpr std::string_view kFileName = "ListeSave.ini";
constexpr std::string_view kSafetySuffix = ".sav";
constexpr std::string_view kReferenceSection = "Reference";
constexpr std::string_view kCounterKey = "DerniereRef";
constexpr std::string_view kReferenceKey = "Reference";
constexpr std::string_view kSourceKey = "EdSource";
constexpr std::string_view kDestinationKey = "EdDestination";
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
    {kSourceKey, JobText<&BackupJob::source>},
    {kDestinationKey, JobText<&BackupJob::destination>},
    {"CbDelaiSave", ScheduleText<&Schedule::code>},
    {"CbDateMois", ScheduleText<&Schedule::day>},
    {"CbJoursSemaine", ScheduleText<&Schedule::weekday>},
    {"CbHeures", ScheduleText<&Schedule::hour>},
    {kReferenceKey, JobText<&BackupJob::reference>},
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

// A reference as a new job gets one: the decimal text of a number of 1 or
// more, without sign or leading zeros. Anything else (a missing key reads
// "0") is no reference of the job's own.
std::optional<std::int32_t> OwnReference(std::string_view text) {
    const std::optional<std::int32_t> value = ParseDecimal(text);
    if (!value || *value < 1 || std::to_string(*value) != text) {
        return std::nullopt;
    }
    return value;
}

// The row number a section name stands for: the decimal text of 0 or more,
// as rows are written. A section named otherwise is never a row.
std::optional<std::size_t> SectionRow(std::string_view name) {
    const std::optional<std::int32_t> value = ParseDecimal(name);
    if (!value || *value < 0 || std::to_string(*value) != name) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(*value);
}

// The highest reference the sections that could hold a row give, `floor` when
// none is higher.
std::int32_t HighestReference(const IniDocument& doc, std::int32_t floor) {
    std::int32_t highest = floor;
    for (const std::string& name : doc.SectionNames()) {
        if (!SectionRow(name)) {
            continue;
        }
        const std::optional<std::int32_t> reference =
            OwnReference(ReadProfileValue(doc, name, kReferenceKey, kMissing));
        if (reference && *reference > highest) {
            highest = *reference;
        }
    }
    return highest;
}

// Whether the folder path stored under `key` cannot be used: the read cut it,
// or it is long enough that it may have been cut when it was stored.
bool OverlongPathAt(const IniDocument& doc, const std::string& section, std::string_view key) {
    const ProfileRead read = ReadProfileValueChecked(doc, section, key, kMissing);
    return read.cut || IsOverlongPath(read.value);
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
        throw JobError(JobFailure::NotAnInteger, std::string(culprit));
    }
    return std::move(*line);
}

bool IsOverlongPath(std::string_view path) {
    return path.size() >= kMaxProfileValue;
}

JobStore::JobStore(std::filesystem::path settingsFolder) : filePath_(std::move(settingsFolder) / kFileName) {}

std::optional<std::size_t> JobStore::RowOf(std::uint64_t id) const {
    const auto it = std::find_if(jobs_.begin(), jobs_.end(), [id](const BackupJob& job) { return job.id == id; });
    if (it == jobs_.end()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(it - jobs_.begin());
}

void JobStore::LoadJobList() {
    // One read of the file, so that the list is one state of it. A file that
    // cannot be read gives an empty list, as a missing one does.
    const IniDocument doc = ReadProfileFile(filePath_);
    referenceCounter_ = ReadProfileValue(doc, kReferenceSection, kCounterKey, kMissing);
    // A job keeps its id across loads, found by its reference (what names its
    // archives), so that what refers to it (an error line's hint) still does.
    std::vector<BackupJob> previous = std::move(jobs_);
    jobs_.clear();
    fileRows_ = 0;
    const auto idFor = [this, &previous](const std::string& reference) {
        const auto it = std::find_if(previous.begin(), previous.end(), [&reference](const BackupJob& old) {
            return old.id != 0 && old.reference == reference;
        });
        if (it == previous.end()) {
            return nextId_++;
        }
        return std::exchange(it->id, 0); // each id goes to one job only
    };

    const std::optional<std::int32_t> storedCounter = ParseDecimal(referenceCounter_);
    if (!storedCounter) {
        return; // a guessed counter could give a new job another job's archives: no job loads
    }
    // The counter covers every reference in the file, those of the sections
    // behind the end of the list too, so that a reference given below or by a
    // later add names no archive that another job, shown or not, writes.
    std::int32_t counter = HighestReference(doc, *storedCounter);

    // References given at this load are written back at once.
    IniDocument renumbered = doc;
    bool referencesGiven = false;
    std::set<std::string> taken;
    for (std::size_t i = 0;; ++i) {
        const std::string section = std::to_string(i);
        BackupJob job;
        for (const StoredField& stored : kSectionKeys) {
            stored.text(job) = ReadProfileValue(doc, section, stored.key, kMissing);
        }
        job.sourceOverlong = OverlongPathAt(doc, section, kSourceKey);
        job.destinationOverlong = OverlongPathAt(doc, section, kDestinationKey);
        if (job.source == kMissing) {
            break; // the end of the list
        }
        std::optional<std::string> designation = TryBuildDesignation(job.source, job.destination, job.schedule);
        if (!designation) {
            break; // an unreadable section ends the list, silently
        }
        // Two jobs with one reference would write, rotate and restore each
        // other's archives: a job without a reference of its own, or with one
        // an earlier job holds, gets the next free one. The first holder keeps
        // its number and its archives.
        if (!OwnReference(job.reference) || taken.contains(job.reference)) {
            if (counter == std::numeric_limits<std::int32_t>::max()) {
                break; // no reference left to give: the list ends here
            }
            job.reference = std::to_string(++counter);
            renumbered.Set(section, kReferenceKey, job.reference);
            referencesGiven = true;
        }
        taken.insert(job.reference);
        job.designation = std::move(*designation);
        job.id = idFor(job.reference);
        jobs_.push_back(std::move(job));
    }
    fileRows_ = jobs_.size();
    if (counter != *storedCounter) {
        referenceCounter_ = std::to_string(counter);
    }
    if (referencesGiven) {
        renumbered.Set(kReferenceSection, kCounterKey, referenceCounter_);
        try {
            WriteProfileFile(filePath_, renumbered);
        } catch (const std::exception&) {
            // The file stays as it was, so every load gives these same
            // references again; the first write that succeeds stores them.
        }
    }
}

std::size_t JobStore::AppendJob(BackupJob job) {
    const std::optional<std::int32_t> counter = ParseDecimal(referenceCounter_);
    if (!counter || *counter == std::numeric_limits<std::int32_t>::max()) {
        throw JobError(JobFailure::NotAnInteger, referenceCounter_);
    }
    referenceCounter_ = std::to_string(*counter + 1);
    job.reference = referenceCounter_;
    job.id = nextId_++;
    job.sourceOverlong = IsOverlongPath(job.source);
    job.destinationOverlong = IsOverlongPath(job.destination);
    jobs_.push_back(std::move(job));
    const std::size_t row = jobs_.size() - 1;
    const bool behindTheList = row >= fileRows_;
    fileRows_ = std::max(fileRows_, jobs_.size());

    // The row is in the list before the first write, so a refused write leaves it there.
    if (behindTheList) {
        MakeRoomForRow(row);
    }
    WriteProfileString(filePath_, kReferenceSection, kCounterKey, referenceCounter_);
    WriteKeys(filePath_, std::to_string(row), jobs_[row], kSectionKeys);
    return row;
}

void JobStore::MakeRoomForRow(std::size_t row) {
    // A section standing where the new row goes is a job the list could not
    // load (unreadable, or with the source "0"): writing the row's keys into
    // it would lose it. It moves down by one with the sections behind it, so
    // it still ends the list, after the new row. A missing section (a gap)
    // needs no room: the row fills it, and what lies behind loads again.
    int readFailure = 0;
    const std::optional<std::string> content = ReadFileContent(filePath_, &readFailure);
    if (!content) {
        if (readFailure != ENOENT) {
            throw PlatformError(PlatformFailure::WriteRefused, filePath_.string(), readFailure);
        }
        return;
    }
    IniDocument doc = IniDocument::Parse(*content);
    const std::string section = std::to_string(row);
    const std::vector<std::string> names = doc.SectionNames();
    if (std::find(names.begin(), names.end(), section) == names.end()) {
        return;
    }
    doc.RenameSections([row](std::string_view name) -> std::optional<std::string> {
        const std::optional<std::size_t> index = SectionRow(name);
        if (!index || *index < row) {
            return std::nullopt;
        }
        return std::to_string(*index + 1);
    });
    WriteProfileFile(filePath_, doc);
}

void JobStore::UpdateJob(std::size_t row, std::string designation, std::string source, std::string destination,
                         Schedule schedule, std::string nextRun) {
    BackupJob edited = jobs_.at(row);
    edited.designation = std::move(designation);
    edited.source = std::move(source);
    edited.destination = std::move(destination);
    edited.schedule = std::move(schedule);
    edited.nextRun = std::move(nextRun);
    edited.sourceOverlong = IsOverlongPath(edited.source);
    edited.destinationOverlong = IsOverlongPath(edited.destination);
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
        // The sections the list never loaded (those behind its end, and any
        // whose name is no row number) stay, as they stand. Those behind the
        // end move down by the rows removed, so that they stay behind the end
        // with the same gap or unreadable section before them, and an add
        // fills the gap as it did. A file that cannot be read is not
        // replaced: those sections would be lost.
        int readFailure = 0;
        const std::optional<std::string> content = ReadFileContent(filePath_, &readFailure);
        if (!content && readFailure != ENOENT) {
            throw PlatformError(PlatformFailure::WriteRefused, filePath_.string(), readFailure);
        }
        const IniDocument current = content ? IniDocument::Parse(*content) : IniDocument{};
        const std::size_t removed = fileRows_ - std::min(fileRows_, jobs_.size());
        const auto unseen = [this, removed](std::string_view name) -> std::optional<std::string> {
            if (LowerAscii(name) == LowerAscii(kReferenceSection)) {
                return std::nullopt; // the counter: the next add writes it again
            }
            const std::optional<std::size_t> row = SectionRow(name);
            if (!row) {
                return std::string(name);
            }
            if (*row < fileRows_) {
                return std::nullopt; // a row of the list, rewritten below (or a repeat of one, never read)
            }
            return std::to_string(*row - removed);
        };

        // The whole new file is built first and replaces the old one in one step.
        IniDocument doc;
        for (std::size_t row = 0; row < jobs_.size(); ++row) {
            const std::string section = std::to_string(row);
            for (const StoredField& stored : kSectionKeys) {
                doc.Set(section, stored.key, stored.text(jobs_[row]));
            }
        }
        doc.AppendSections(current, unseen);
        if (doc.empty()) {
            if (std::remove(filePath_.c_str()) != 0 && errno != ENOENT) {
                throw PlatformError(PlatformFailure::WriteRefused, filePath_.string(), errno);
            }
        } else {
            WriteProfileFile(filePath_, doc);
        }
        fileRows_ = jobs_.size();
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

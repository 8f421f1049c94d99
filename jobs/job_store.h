#pragma once

#include "schedule/date_time.h"
#include "schedule/schedule.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantorel {

// One job. Every field but the designation and the id is the very text that
// ListeSave.ini stores; it is converted only where it is used.
struct BackupJob {
    std::string designation; // BuildDesignation, rebuilt at every load
    std::string source;      // EdSource: a folder path ending in the separator
    std::string destination; // EdDestination: a folder path ending in the separator
    Schedule schedule;       // CbDelaiSave, CbJoursSemaine, CbDateMois, CbHeures
    std::string reference;   // Reference: names the job's archives
    std::string lastRun;     // CbDerniereDateMaj: DateTimeText
    std::string nextRun;     // CbProchaineDateMaj: DateTimeText

    // Set at load for a folder path too long to be read whole (see
    // IsOverlongPath): the text above is then only its first part, which
    // names another folder. Such a job is never run or restored; it fails at
    // the folder check until an edit gives it paths that can be stored.
    bool sourceOverlong = false;
    bool destinationOverlong = false;
    bool HasOverlongPath() const { return sourceOverlong || destinationOverlong; }

    // Not stored: a number unique within this run of the program, given at
    // append and at the first load that finds the job's reference, so that a
    // run writes its results to the job it ran even when rows moved
    // meanwhile, and an error line still names its job after a reload.
    std::uint64_t id = 0;
};

// Whether a folder path is too long for ListeSave.ini: a read returns at most
// kMaxProfileValue bytes, and a path that fills the whole read may have been
// cut there. A job is never given such a path.
bool IsOverlongPath(std::string_view path);

// The job's line in the main list. Throws JobError(NotAnInteger) with the
// offending text when the code, or an index the code uses, is not a number or
// lies outside its list.
std::string BuildDesignation(std::string_view source, std::string_view destination, const Schedule& schedule);

// BuildDesignation, with nullopt where it would throw.
std::optional<std::string> TryBuildDesignation(std::string_view source, std::string_view destination,
                                               const Schedule& schedule);

// The job list and its stored form, ListeSave.ini in the settings folder.
// Row r of the list is section r of the file. Every settings write replaces
// the whole file atomically, so a crash never leaves it damaged. Operations
// on a row that does not exist throw std::out_of_range.
class JobStore {
public:
    // settingsFolder: where the settings files live (beside a portable
    // program, else in the user's configuration folder); the file is
    // settingsFolder/ListeSave.ini.
    explicit JobStore(std::filesystem::path settingsFolder);

    const std::filesystem::path& filePath() const { return filePath_; }
    const std::vector<BackupJob>& jobs() const { return jobs_; }
    std::size_t size() const { return jobs_.size(); }
    const BackupJob& at(std::size_t row) const { return jobs_.at(row); }
    // The row that now holds the job with this id, if it is still in the list.
    std::optional<std::size_t> RowOf(std::uint64_t id) const;

    // ReferenceCounter: the highest reference given out so far, as decimal text.
    const std::string& referenceCounter() const { return referenceCounter_; }

    // Rebuilds the list and the counter from the file; stops silently at the
    // first section that cannot be loaded. A missing file gives an empty list.
    // The counter is at least the highest reference of any section. A job
    // whose reference is missing, not the text of a number of 1 or more, or
    // held by an earlier job gets the next reference from the counter; those
    // references and the counter are written back at once (a refused write is
    // silent: the same ones are given again at the next load). Otherwise a
    // load never writes.
    void LoadJobList();

    // Gives the job the next reference and an id, appends its row, then
    // writes DerniereRef and the job's section (a section the list could not
    // load that stands there first moves down by one, with those behind it,
    // so it is not overwritten). Returns the new row. Throws
    // PlatformError(WriteRefused) with the row already in the list. Throws
    // JobError(NotAnInteger) before anything changes when the counter read from
    // the file is not a number (or cannot grow): a guessed reference could
    // name another job's archives.
    std::size_t AppendJob(BackupJob job);

    // Writes the seven edited keys of section `row`, then replaces the row's
    // fields (reference and last run stay). Throws PlatformError(WriteRefused) with the
    // row unchanged.
    void UpdateJob(std::size_t row, std::string designation, std::string source, std::string destination,
                   Schedule schedule, std::string nextRun);

    // The run update: sets the row's two texts, then writes CbDerniereDateMaj
    // and CbProchaineDateMaj in the section of row `row`. Throws
    // PlatformError(WriteRefused) when the file refuses; the row keeps its new texts.
    void RecordRun(std::size_t row, std::string lastRun, std::string nextRun);

    // Removes a row from the list only; RewriteJobList stores the change.
    void RemoveRow(std::size_t row);

    // Replaces the file with the current rows behind the safety copy
    // ListeSave.ini.sav. The sections the list never loaded stay with every
    // line they hold: those behind the end of the list are numbered down by
    // the rows removed, so they stay behind its end; those whose name is no
    // row number keep it. The counter's section is left out (the next add
    // writes it). Never throws: on failure the file comes back from the
    // safety copy. With no row and no such section left, no ListeSave.ini
    // remains.
    void RewriteJobList();

private:
    // Moves a section that stands where row `row` is about to be written
    // down by one, with the sections behind it. Throws PlatformError(WriteRefused).
    void MakeRoomForRow(std::size_t row);

    std::filesystem::path filePath_;
    std::vector<BackupJob> jobs_;
    std::string referenceCounter_ = "0";
    std::uint64_t nextId_ = 1;
    // How many sections at the head of the file hold rows of the list: the
    // rows loaded or appended, before the removals RewriteJobList stores.
    std::size_t fileRows_ = 0;
};

} // namespace vantorel

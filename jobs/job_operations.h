#pragma once

#include "jobs/job_store.h"
#include "jobs/questions.h"
#include "schedule/date_time.h"
#include "schedule/schedule.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace vantorel {

// What the new-job panel or the edit window shows: the two folder fields and
// the schedule of the four lists' selected positions.
struct JobSettings {
    std::string source;
    std::string destination;
    Schedule schedule = Schedule::FromPositions({});
};

// Asks the user a yes/no question; true for yes.
using AskYesNoFunction = std::function<bool(Question)>;

// Adding a job (ImageAjouterClick up to the append). Returns the new row, which
// the caller selects and runs at once, or nullopt when nothing was added (a no
// to a repeated-source question, an empty field). Throws PlatformError(WriteRefused)
// with the new row already in the list, and std::out_of_range, before any
// change, for a frequency or a position it uses that lies outside its list.
// Throws JobError(PathTooLong) with the path, before anything is asked, for a
// path that IsOverlongPath refuses or that is the cut text of a job's path.
std::optional<std::size_t> AddJob(JobStore& store, const JobSettings& settings, const DateTime& now,
                                  const AskYesNoFunction& ask);

// The settings a job's row preloads into the edit window. Throws
// JobError(NotAnInteger) for a stored code or index that is not an integer;
// an integer outside its list is kept, and the list shows no selection.
JobSettings SettingsOfJob(const BackupJob& job);

// Validating an edit of row `row`. Returns true when the job was saved, false
// when a repeated-source question was answered no (the window stays open).
// Throws JobError(NotADateTime) for an unreadable last run and PlatformError(WriteRefused);
// std::out_of_range for a row that does not exist or a position outside its
// list, and JobError(PathTooLong), as AddJob, before anything is written.
bool ValidateEdit(JobStore& store, std::size_t row, const JobSettings& settings, const AskYesNoFunction& ask);

// Deleting row `row` after confirmation, with its two archives. Returns true
// when the job was removed; false for a row that does not exist or a no.
bool DeleteJob(JobStore& store, std::size_t row, const AskYesNoFunction& ask);

} // namespace vantorel

#pragma once

// The file system each job's archives were last written to; private to runs/.
//
// A USB disk that is unplugged takes its folder under /media with it, and a
// share that is not mounted leaves its mount folder empty: either way the
// destination path may be recreated on the disk underneath, which would then
// silently receive the backups. After each good run the folder the archive
// folder's file system is mounted on is remembered, in "Destinations.ini" in
// the settings folder (ListeSave.ini keeps its form). A later run of the job
// whose archive folder (or its nearest existing parent) no longer lies on a
// file system mounted there fails as a missing destination, and creates
// nothing.

#include "jobs/job_store.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace vantorel {

class DestinationDisks {
public:
    explicit DestinationDisks(const std::filesystem::path& settingsFolder);

    // False when the job's archives were last written to a file system
    // mounted on a folder that its archive folder (or, when that is missing,
    // its nearest existing parent) does not lie on now. True when it is, and when there is nothing to
    // compare: a job never run yet, or one whose destination was changed
    // since its last good run, which makes moving a job to a new disk a
    // matter of editing its destination. Only reads; never throws.
    bool IsPresent(std::string_view reference, const std::filesystem::path& archiveFolder) const;

    // Remembers where the file system `archiveFolder` lies on is mounted, after a good run of
    // the job with this reference; the records of references that no job of
    // `jobs` holds any more are dropped. Never throws: a record that cannot be
    // written leaves the job as one never recorded.
    void Record(std::string_view reference, const std::filesystem::path& archiveFolder,
                const std::vector<BackupJob>& jobs) const;

private:
    std::filesystem::path file_;
};

} // namespace vantorel

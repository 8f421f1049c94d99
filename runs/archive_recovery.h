#pragma once

// Tidying a job's archives outside its runs; private to runs/.

#include "jobs/job_store.h"

#include <filesystem>

namespace vantorel {

// Finishes what a killed run left beside the job's archives (a newest archive
// waiting for its name, see Generations::RecoverLeftovers), when its archive
// folder is there, on the disk its archives were last written to, and no
// other writer holds them (that one recovers them itself). Creates nothing
// but the writers' short-lived lock file; never throws.
void RecoverJobArchives(const BackupJob& job, const std::filesystem::path& settingsFolder);

} // namespace vantorel

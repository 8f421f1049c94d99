#include "runs/archive_recovery.h"

#include "jobs/archive_paths.h"
#include "runs/destination_disk.h"
#include "runs/generations.h"
#include "runs/run_steps.h"

#include <exception>
#include <optional>

namespace vantorel {

namespace fs = std::filesystem;

void RecoverJobArchives(const BackupJob& job, const fs::path& settingsFolder) {
    if (job.HasOverlongPath()) {
        return; // a cut destination names another folder, whose files are none of this job's
    }
    try {
        const fs::path folder = ArchiveFolder(job.destination);
        if (!IsUsableFolder(folder) || !DestinationDisks(settingsFolder).IsPresent(job.reference, folder)) {
            return; // nothing of this job's to tidy here
        }
        std::optional<Generations> generations = Generations::Lock(ArchivePath(job.destination, job.reference, 1),
                                                                   ArchivePath(job.destination, job.reference, 2));
        if (generations) {
            generations->RecoverLeftovers();
        }
    } catch (const std::exception&) {
        // Left as it is: the job's next run or restore recovers it.
    }
}

} // namespace vantorel

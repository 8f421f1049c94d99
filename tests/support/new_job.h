#pragma once

#include "jobs/job_store.h"

#include <string>

namespace vantorel::test {

// A job as the add operation hands it to the store, before it has a reference.
inline BackupJob NewJob(std::string designation, std::string source, std::string destination, Schedule schedule,
                        std::string lastRun, std::string nextRun) {
    BackupJob job;
    job.designation = std::move(designation);
    job.source = std::move(source);
    job.destination = std::move(destination);
    job.schedule = std::move(schedule);
    job.lastRun = std::move(lastRun);
    job.nextRun = std::move(nextRun);
    return job;
}

} // namespace vantorel::test

// Measures the job store on lists larger than anyone keeps: loading, adding
// (ten atomic key writes each), recording a run and rewriting after a delete.
// Usage: job_store_bench [jobs] [folder]   (default 500 jobs, a fresh folder in /tmp)

#include "jobs/job_store.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

// A job as the add operation hands it to the store.
vantorel::BackupJob Job(const std::string& source, const std::string& destination, vantorel::Schedule schedule,
                        std::string lastRun, std::string nextRun) {
    vantorel::BackupJob job;
    job.designation = vantorel::BuildDesignation(source, destination, schedule);
    job.source = source;
    job.destination = destination;
    job.schedule = std::move(schedule);
    job.lastRun = std::move(lastRun);
    job.nextRun = std::move(nextRun);
    return job;
}

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv) {
    const int jobs = argc > 1 ? std::atoi(argv[1]) : 500;
    std::string pattern = argc > 2 ? std::string(argv[2]) : "/tmp/vantorel-bench-XXXXXX";
    if (argc <= 2 && mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path folder = pattern;
    vantorel::JobStore store(folder);

    Clock::time_point start = Clock::now();
    for (int i = 0; i < jobs; ++i) {
        const std::string source = "/home/utilisateur/dossier " + std::to_string(i) + "/";
        store.AppendJob(
            Job(source, "/media/sauvegardes/", {"4", "0", "0", "20"}, "07/12/2026 14:05:33", "08/12/2026 21:00:00"));
    }
    const double append = MillisecondsSince(start);

    start = Clock::now();
    store.LoadJobList();
    const double load = MillisecondsSince(start);

    start = Clock::now();
    store.RecordRun(store.size() - 1, "08/12/2026 21:00:04", "09/12/2026 21:00:00");
    const double record = MillisecondsSince(start);

    start = Clock::now();
    store.RemoveRow(0);
    store.RewriteJobList();
    const double rewrite = MillisecondsSince(start);

    std::printf("%d jobs: append %.2f ms each, load %.1f ms, run update %.2f ms, rewrite %.1f ms\n", jobs,
                append / jobs, load, record, rewrite);
    std::error_code ec;
    if (argc <= 2) {
        std::filesystem::remove_all(folder, ec); // best effort: a leftover bench folder in /tmp harms nothing
    }
    return 0;
}

#pragma once

// The run log: one line per backup run, in a folder the program is given
// (the user's state folder), kept small by rotation; and the time of each
// job's last successful run, which ListeSave.ini does not keep apart (its
// last-run key also moves when a due job's folder is missing).

#include "jobs/job_store.h"
#include "runs/run_failure.h"
#include "runs/run_host.h"
#include "schedule/date_time.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vantorel {

// One backup run as the log keeps it.
struct RunRecord {
    DateTime start;
    DateTime end;
    std::string reference;
    std::string source;
    std::string destination;
    std::optional<FailureCause> failure; // nullopt: the run succeeded
    std::uint64_t files = 0;
    std::uint64_t bytesWritten = 0;
};

// The log line of a record, without its line break: start time, reference,
// source, result, files, bytes written, seconds, cause; tab-separated.
std::string RunLogLine(const RunRecord& record);

class RunLog {
public:
    // The size past which the log starts again, its lines kept as one older file.
    static constexpr std::uintmax_t kDefaultMaxBytes = 1024 * 1024;

    // `folder` holds runs.log (and runs.log.1, the lines before it) and
    // last-success; it is created at the first write. An empty folder keeps
    // nothing.
    explicit RunLog(std::filesystem::path folder, std::uintmax_t maxBytes = kDefaultMaxBytes);

    const std::filesystem::path& logPath() const { return logPath_; }

    // Appends the record's line and, for a success, remembers its end as the
    // last success of the job's archives. Never throws: a log that cannot be
    // written must not fail the backup it describes.
    void Append(const RunRecord& record) noexcept;

    // The end of the last successful run that wrote these archives (the
    // destination and reference of a job); nullopt when none is known.
    std::optional<DateTime> LastSuccess(const std::string& destination, const std::string& reference) const;

private:
    void WriteLine(const std::string& line);
    void RecordSuccess(const RunRecord& record);
    void LoadSuccesses() const;

    std::filesystem::path folder_;
    std::filesystem::path logPath_;
    std::filesystem::path successPath_;
    std::uintmax_t maxBytes_;
    // The archive's newest path → the last success, read once from successPath_.
    mutable std::map<std::string, DateTime> successes_;
    mutable bool successesLoaded_ = false;
};

// Writes one line to the run log for one run of a job, however the run ends:
// a failure when Fail was called, a success when Succeed was, and nothing
// when neither was (the job was deleted before anything ran).
class RunLogScope {
public:
    RunLogScope(RunLog* log, RunHost& host, const BackupJob& job);
    ~RunLogScope();
    RunLogScope(const RunLogScope&) = delete;
    RunLogScope& operator=(const RunLogScope&) = delete;

    // Notes the failure and gives its cause back, for the error list.
    const FailureCause& Fail(FailureCause cause);
    void Succeed(std::uint64_t files, std::uint64_t bytesWritten);

private:
    RunLog* log_;
    RunHost& host_;
    RunRecord record_;
    bool ended_ = false;
};

} // namespace vantorel

#include "runs/run_log.h"

#include "jobs/archive_paths.h"
#include "platform/atomic_file.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kLogName = "runs.log";
constexpr std::string_view kOlderSuffix = ".1";
constexpr std::string_view kSuccessName = "last-success";
// Every full date-time text is this long: DD/MM/YYYY HH:MM:SS.
constexpr std::size_t kTimeTextLength = 19;

// DD/MM/YYYY HH:MM:SS, the time always written, so that the log's columns line up.
std::string FullTimeText(const DateTime& value) {
    const auto time = value.timeOfDay();
    char clock[16];
    std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
    return FormatDateText(value) + clock;
}

// A field of a tab-separated line: tabs and line breaks (possible in a
// hand-edited path) become spaces.
std::string Field(std::string_view text) {
    std::string field(text);
    for (char& c : field) {
        if (c == '\t' || c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return field;
}

std::string SuccessKey(const std::string& destination, const std::string& reference) {
    return ArchivePath(destination, reference, 1).string();
}

} // namespace

std::string RunLogLine(const RunRecord& record) {
    const auto elapsed = std::chrono::duration<double>(record.end.timePoint() - record.start.timePoint()).count();
    char seconds[32];
    // A clock set back during the run gives no negative length.
    std::snprintf(seconds, sizeof seconds, "%.1f", elapsed > 0 ? elapsed : 0.0);
    std::string line = FullTimeText(record.start);
    line += '\t' + Field(record.reference);
    line += '\t' + Field(record.source);
    line += record.failure ? "\tfailed" : "\tok";
    line += '\t' + std::to_string(record.files);
    line += '\t' + std::to_string(record.bytesWritten);
    line += '\t';
    line += seconds;
    line += '\t';
    if (record.failure) {
        const FailureCause& cause = *record.failure;
        line += FailureKindName(cause.kind);
        if (!cause.path.empty()) {
            line += ' ' + Field(cause.path);
        }
        if (!cause.systemText.empty()) {
            line += ": " + Field(cause.systemText);
        }
    }
    return line;
}

RunLog::RunLog(fs::path folder, std::uintmax_t maxBytes) : folder_(std::move(folder)), maxBytes_(maxBytes) {
    if (!folder_.empty()) {
        logPath_ = folder_ / kLogName;
        successPath_ = folder_ / kSuccessName;
    }
}

void RunLog::Append(const RunRecord& record) noexcept {
    if (folder_.empty()) {
        return;
    }
    try {
        WriteLine(RunLogLine(record) + '\n');
        if (!record.failure) {
            RecordSuccess(record);
        }
    } catch (const std::exception&) {
        // The log is a record for the curious; the run it describes already
        // reported its outcome where the user sees it.
    }
}

void RunLog::WriteLine(const std::string& line) {
    std::error_code ec;
    fs::create_directories(folder_, ec); // a failure shows as the open below failing
    const std::uintmax_t size = fs::file_size(logPath_, ec);
    if (!ec && size + line.size() > maxBytes_) {
        // The older lines go to one older file, whose own lines are dropped.
        fs::path older = logPath_;
        older += kOlderSuffix;
        fs::rename(logPath_, older, ec);
    }
    const int fd = ::open(logPath_.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return; // see Append
    }
    // One write with O_APPEND: the line lands whole at the end of the file.
    static_cast<void>(::write(fd, line.data(), line.size())); // see Append
    ::close(fd);
}

void RunLog::RecordSuccess(const RunRecord& record) {
    // Read afresh: another program on another job list may share this
    // folder, and its successes stay.
    successes_.clear();
    successesLoaded_ = false;
    LoadSuccesses();
    successes_[SuccessKey(record.destination, record.reference)] = record.end;
    std::string content;
    for (const auto& [key, when] : successes_) {
        content += FullTimeText(when) + '\t' + key + '\n';
    }
    ReplaceFileContent(successPath_, content);
}

void RunLog::LoadSuccesses() const {
    if (successesLoaded_) {
        return;
    }
    successesLoaded_ = true;
    const std::optional<std::string> content = ReadFileContent(successPath_);
    if (!content) {
        return; // no success recorded yet
    }
    std::string_view rest(*content);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.size() <= kTimeTextLength || line[kTimeTextLength] != '\t') {
            continue; // a damaged line tells nothing
        }
        if (const std::optional<DateTime> when = ParseDateTimeText(line.substr(0, kTimeTextLength))) {
            successes_[std::string(line.substr(kTimeTextLength + 1))] = *when;
        }
    }
}

std::optional<DateTime> RunLog::LastSuccess(const std::string& destination, const std::string& reference) const {
    if (folder_.empty()) {
        return std::nullopt;
    }
    LoadSuccesses();
    const auto found = successes_.find(SuccessKey(destination, reference));
    if (found == successes_.end()) {
        return std::nullopt;
    }
    return found->second;
}

RunLogScope::RunLogScope(RunLog* log, RunHost& host, const BackupJob& job) : log_(log), host_(host) {
    if (log_ == nullptr) {
        return;
    }
    record_.start = host_.Now();
    record_.reference = job.reference;
    record_.source = job.source;
    record_.destination = job.destination;
}

RunLogScope::~RunLogScope() {
    if (log_ == nullptr || !ended_) {
        return;
    }
    try {
        record_.end = host_.Now();
    } catch (...) {
        record_.end = record_.start; // a clock that fails gives the run no length
    }
    log_->Append(record_);
}

const FailureCause& RunLogScope::Fail(FailureCause cause) {
    ended_ = true;
    record_.failure = std::move(cause);
    return *record_.failure;
}

void RunLogScope::Succeed(std::uint64_t files, std::uint64_t bytesWritten) {
    ended_ = true;
    record_.failure.reset();
    record_.files = files;
    record_.bytesWritten = bytesWritten;
}

} // namespace vantorel

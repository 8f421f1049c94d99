// The cause each failure keeps, and the run log with the last successes.

#include "tests/core/runs/runs_fixture.h"

#include "archive/archive_error.h"
#include "platform/errors.h"
#include "platform/trace.h"
#include "runs/run_log.h"

#include <cerrno>
#include <sstream>
#include <system_error>

namespace vantorel::test {
namespace {

std::vector<std::string> Lines(const fs::path& file) {
    std::vector<std::string> lines;
    std::istringstream in(ReadFile(file));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(FailureCauses, TheSystemsReasonWinsOverTheStepThatMetIt) {
    const fs::path archive = "/media/stick/Vantorel/.save_1_1.zip.new";
    const struct {
        const char* name;
        std::exception_ptr error;
        FailureKind kind;
        std::string path;
    } rows[] = {
        {"disk full", std::make_exception_ptr(ArchiveError(ArchiveFailure::WriteFailed, archive, ENOSPC)),
         FailureKind::NoRoom, "/media/stick/Vantorel/"},
        {"quota", std::make_exception_ptr(ArchiveError(ArchiveFailure::WriteFailed, archive, EDQUOT)),
         FailureKind::NoRoom, "/media/stick/Vantorel/"},
        {"FAT file size", std::make_exception_ptr(ArchiveError(ArchiveFailure::WriteFailed, archive, EFBIG)),
         FailureKind::TooLarge, "/media/stick/Vantorel/"},
        {"read-only disk", std::make_exception_ptr(ArchiveError(ArchiveFailure::WriteFailed, archive, EROFS)),
         FailureKind::AccessRefused, "/media/stick/Vantorel/"},
        {"share gone", std::make_exception_ptr(ArchiveError(ArchiveFailure::WriteFailed, archive, ENOTCONN)),
         FailureKind::DestinationMissing, "/media/stick/Vantorel/"},
        {"refused file", std::make_exception_ptr(ArchiveError(ArchiveFailure::ReadFailed, "/home/u/a.doc", EACCES)),
         FailureKind::AccessRefused, "/home/u/a.doc"},
        {"bad sector", std::make_exception_ptr(ArchiveError(ArchiveFailure::ReadFailed, "/home/u/a.doc", EIO)),
         FailureKind::FileUnreadable, "/home/u/a.doc"},
        {"job list", std::make_exception_ptr(PlatformError(PlatformFailure::WriteRefused, "/p/ListeSave.ini", EIO)),
         FailureKind::JobListNotWritten, "/p/ListeSave.ini"},
        {"job list full",
         std::make_exception_ptr(PlatformError(PlatformFailure::WriteRefused, "/p/ListeSave.ini", ENOSPC)),
         FailureKind::NoRoom, "/p/ListeSave.ini"},
        {"rename", std::make_exception_ptr(std::system_error(EXDEV, std::generic_category(), "rename")),
         FailureKind::WriteFailed, "/media/stick/Vantorel/"},
    };
    for (const auto& row : rows) {
        try {
            std::rethrow_exception(row.error);
        } catch (const std::exception& error) {
            const FailureCause cause = CauseOf(error, "/media/stick/Vantorel/");
            EXPECT_EQ(cause.kind, row.kind) << row.name;
            EXPECT_EQ(cause.path, row.path) << row.name;
            EXPECT_FALSE(cause.systemText.empty()) << row.name;
        }
    }
}

TEST_F(RunsTest, EachRunWritesOneLogLineAndASuccessIsRemembered) {
    // The field trace, when on, tells the same story line by line.
    std::string trace;
    trace::SetSink([&trace](std::string_view room, std::string_view line) {
        ((trace += room) += ": ") += line;
        trace += '\n';
    });
    WriteFile(tmp / "docs" / "a.txt", "abc");
    AddJob(tmp / "docs", tmp / "backups");
    AddJob(tmp / "gone", tmp / "backups");
    RunLog log(tmp / "state" / "Vantorel");
    runner.SetRunLog(&log);
    host.tick = std::chrono::seconds(2);

    runner.RunAll();
    trace::SetSink({});

    EXPECT_NE(trace.find("runs: job 1 done: 1 entries"), std::string::npos) << trace;
    EXPECT_NE(trace.find("runs: job 2 failed: source-missing"), std::string::npos) << trace;
    const std::vector<std::string> lines = Lines(log.logPath());
    ASSERT_EQ(lines.size(), 2u);
    const std::string size = std::to_string(fs::file_size(ArchiveOf(0, 1)));
    // The first run started at 14:05:33, took two clock readings of 2 s each.
    EXPECT_EQ(lines[0], "07/12/2026 14:05:33\t1\t" + FolderText(tmp / "docs") + "\tok\t1\t" + size + "\t4.0\t");
    EXPECT_EQ(lines[1], "07/12/2026 14:05:39\t2\t" + FolderText(tmp / "gone") + "\tfailed\t0\t0\t2.0\tsource-missing " +
                            FolderText(tmp / "gone") + ": " + SystemText(ENOENT));

    // The success is the end of the run, kept for a later start of the program.
    const RunLog later(tmp / "state" / "Vantorel");
    EXPECT_EQ(later.LastSuccess(store.at(0).destination, "1"), At(2026, 12, 7, 14, 5, 37));
    EXPECT_EQ(later.LastSuccess(store.at(1).destination, "2"), std::nullopt);
}

TEST(RunLogSize, StartsAgainPastItsBoundKeepingOneOlderFile) {
    TempDir tmp;
    RunLog log(tmp / "state", 300);
    RunRecord failed;
    failed.reference = "7";
    failed.source = "/home/u/docs/";
    failed.failure = FailureCause{FailureKind::DestinationMissing, "/media/stick/Vantorel/", "No such device"};
    for (int run = 0; run < 20; ++run) {
        log.Append(failed);
    }
    EXPECT_EQ(FileNames(tmp / "state"), (std::set<std::string>{"runs.log", "runs.log.1"}));
    EXPECT_LE(fs::file_size(tmp / "state" / "runs.log"), 300u);
    EXPECT_LE(fs::file_size(tmp / "state" / "runs.log.1"), 300u);
    EXPECT_EQ(Lines(tmp / "state" / "runs.log.1").size(), 2u) << "whole lines only";
}

} // namespace
} // namespace vantorel::test

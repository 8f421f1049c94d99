// A run killed at each system call, one after the other, through strace's
// fault injection: after every kill save_N_1.zip is a complete archive, the
// old newest archive still exists somewhere, and only the generation the
// rotation drops may be gone; the next run leaves no leftover. The run is
// this test program itself, started again on a disabled test.

#include "tests/core/runs/runs_fixture.h"

#include "archive/reader/extract_archive.h"
#include "jobs/archive_paths.h"
#include "runs/generations.h"

#include <cstdlib>
#include <sys/wait.h>

namespace vantorel::test {
namespace {

constexpr const char* kProgramVariable = "VANTOREL_KILL_TEST_PROGRAM";

TEST(RunChild, DISABLED_RunsTheFirstJobOnce) {
    const char* program = std::getenv(kProgramVariable);
    ASSERT_NE(program, nullptr);
    JobStore store(program);
    store.LoadJobList();
    ASSERT_EQ(store.size(), 1u);
    FakeRunHost host;
    host.now = At(2026, 12, 7, 16);
    TestRunner runner(store, host);
    runner.RunSelected(0);
    ASSERT_TRUE(runner.errorList().empty());
}

// Runs the child with a SIGKILL at the Nth call of `syscall` (none for n = 0);
// true when it ran to its end.
bool RunKilledAt(const fs::path& program, const std::string& syscall, int n) {
    const std::string inject =
        n == 0 ? std::string() : " -e inject=" + syscall + ":signal=KILL:when=" + std::to_string(n);
    const std::string command = std::string(kProgramVariable) + "='" + program.string() +
                                "' ASAN_OPTIONS=detect_leaks=0 strace -f -qq -o /dev/null -e trace=" + syscall +
                                inject + " " + fs::read_symlink("/proc/self/exe").string() +
                                " --gtest_filter=RunChild.DISABLED_RunsTheFirstJobOnce"
                                " --gtest_also_run_disabled_tests >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The content of "a.txt" in a complete archive; nullopt when the archive is
// missing or anything in it does not come back whole.
std::optional<std::string> ArchivedText(const fs::path& archive, const fs::path& scratch) {
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const ExtractReport report = ExtractArchive(scratch, archive);
    if (report.archiveRejected || !report.skipped.empty() || report.crcMismatches != 0 || report.extracted != 1) {
        return std::nullopt;
    }
    return ReadFile(scratch / "a.txt");
}

TEST_F(RunsTest, KilledAtEverySystemCallLosesOnlyTheDroppedGeneration) {
    if (std::system("strace -qq -o /dev/null true >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    const fs::path source = tmp / "docs";
    const std::size_t row = AddJob(source, tmp / "backups");
    for (const char* text : {"older", "newest"}) {
        WriteFile(source / "a.txt", text);
        runner.RunSelected(row);
    }
    ASSERT_TRUE(runner.errorList().empty());
    WriteFile(source / "a.txt", "new");
    const fs::path folder = ArchiveFolderOf(row);
    const std::string newest = ReadFile(ArchiveOf(row, 1));
    const std::string older = ReadFile(ArchiveOf(row, 2));
    const std::string list = ReadFile(store.filePath());
    auto reset = [&] {
        fs::remove_all(folder);
        WriteFile(ArchiveOf(row, 1), newest);
        WriteFile(ArchiveOf(row, 2), older);
        WriteFile(store.filePath(), list);
    };
    reset();
    if (!RunKilledAt(programFolder, "renameat2", 0)) {
        GTEST_SKIP() << "the run does not run under strace here";
    }
    for (const std::string syscall : {"openat", "write", "fsync", "rename", "renameat2", "unlink", "flock"}) {
        bool finished = false;
        int n = 1;
        for (; !finished && n < 400; ++n) {
            reset();
            finished = RunKilledAt(programFolder, syscall, n);
            const std::string at = syscall + " #" + std::to_string(n);

            const std::optional<std::string> first = ArchivedText(ArchiveOf(row, 1), tmp / "check");
            ASSERT_TRUE(first == "newest" || first == "new") << "killed at " << at << ": no complete newest archive";
            bool newestKept = false;
            bool olderKept = false;
            for (const std::string& name : FileNames(folder)) {
                const std::string bytes = ReadFile(folder / name);
                newestKept = newestKept || bytes == newest;
                olderKept = olderKept || bytes == older;
            }
            EXPECT_TRUE(newestKept) << "killed at " << at << ": the newest generation is lost";
            EXPECT_TRUE(olderKept || first == "new") << "killed at " << at << ": dropped before the new one was in";

            // The next run first finishes or removes what the killed one left:
            // the old newest archive is the previous one once the new one is in.
            {
                std::optional<Generations> generations = Generations::Lock(ArchiveOf(row, 1), ArchiveOf(row, 2));
                ASSERT_TRUE(generations);
                generations->RecoverLeftovers();
            }
            EXPECT_EQ(FileNames(folder), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}))
                << "after a kill at " << at;
            EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), first == "new" ? newest : older) << "after a kill at " << at;

            JobStore reloaded(programFolder);
            reloaded.LoadJobList();
            FakeRunHost nextHost;
            nextHost.now = At(2026, 12, 7, 17);
            TestRunner next(reloaded, nextHost);
            next.RunSelected(row);
            ASSERT_TRUE(next.errorList().empty()) << "after a kill at " << at;
            EXPECT_EQ(FileNames(folder), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}))
                << "after a kill at " << at;
            EXPECT_EQ(ArchivedText(ArchiveOf(row, 1), tmp / "check"), "new") << "after a kill at " << at;
            if (finished) {
                EXPECT_EQ(first, "new") << "a run that got to its end left the old newest archive";
            }
        }
        EXPECT_TRUE(finished) << syscall << ": the run never got to its end";
    }
}

} // namespace
} // namespace vantorel::test

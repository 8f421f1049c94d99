// A run killed at each system call, one after the other, through strace's
// fault injection, then its files moved to new inode numbers as a remount of
// a stick or a share does: the old newest archive still exists somewhere,
// the program's start leaves both generations under their names (only the
// one the rotation drops may be gone), and a failed then a good run go on
// from there. The run is this test program itself, started again on a
// disabled test.

#include "tests/core/runs/runs_fixture.h"

#include "archive/reader/extract_archive.h"
#include "jobs/archive_paths.h"
#include "tests/core/runs/test_mounts.h"

#include <cstdlib>
#include <functional>
#include <sys/wait.h>
#include <vector>

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

bool StraceWorks() {
    return std::system("strace -qq -o /dev/null true >/dev/null 2>&1") == 0;
}

class KilledRun : public RunsTest {
protected:
    // Kills a run of a job writing to `destination` at each call of each of
    // `syscalls` in turn, has `remount` give its archive folder new inode
    // numbers, and checks what the program's start, a failed run and a good
    // run then make of what the kill left.
    void KillAtEveryCall(const fs::path& destination, const std::vector<std::string>& syscalls,
                         const std::function<void(const fs::path& folder)>& remount);
};

// A remount as the test sees it: every file gets a new inode number.
void MoveToNewInodes(const fs::path& folder) {
    for (const std::string& name : FileNames(folder)) {
        const std::string bytes = ReadFile(folder / name);
        WriteFile(folder / "copy", bytes);
        fs::rename(folder / "copy", folder / name);
    }
}

void KilledRun::KillAtEveryCall(const fs::path& destination, const std::vector<std::string>& syscalls,
                                const std::function<void(const fs::path& folder)>& remount) {
    const fs::path source = tmp / "docs";
    const std::size_t row = AddJob(source, destination);
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
    ASSERT_TRUE(RunKilledAt(settingsFolder, "renameat2", 0)) << "the run does not run under strace";
    for (const std::string& syscall : syscalls) {
        bool finished = false;
        int n = 1;
        for (; !finished && n < 400; ++n) {
            reset();
            finished = RunKilledAt(settingsFolder, syscall, n);
            const std::string at = syscall + " #" + std::to_string(n);

            bool newestKept = false;
            for (const std::string& name : FileNames(folder)) {
                newestKept = newestKept || ReadFile(folder / name) == newest;
            }
            EXPECT_TRUE(newestKept) << "killed at " << at << ": the newest generation is lost";

            remount(folder);
            // The program's start finishes what the killed run left: either
            // it never decided its rotation, or the rotation is complete.
            JobStore reloaded(settingsFolder);
            reloaded.LoadJobList();
            FakeRunHost nextHost;
            nextHost.now = At(2026, 12, 7, 17);
            TestRunner(reloaded, nextHost).RecoverAll();
            EXPECT_EQ(FileNames(folder), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}))
                << "after a kill at " << at;
            const std::optional<std::string> first = ArchivedText(ArchiveOf(row, 1), tmp / "check");
            ASSERT_TRUE(first == "newest" || first == "new") << "after a kill at " << at;
            EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), first == "new" ? newest : older) << "after a kill at " << at;
            const std::string recovered = ReadFile(ArchiveOf(row, 1));

            // A failed run then changes nothing, and a good one rotates once.
            TestRunner failing(reloaded, nextHost);
            nextHost.onStep = [&] { failing.Quit(); };
            failing.RunSelected(row);
            nextHost.onStep = nullptr;
            EXPECT_EQ(ReadFile(ArchiveOf(row, 1)), recovered) << "failed run after a kill at " << at;
            EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), first == "new" ? newest : older)
                << "failed run after a kill at " << at;
            TestRunner next(reloaded, nextHost);
            next.RunSelected(row);
            ASSERT_TRUE(next.errorList().empty()) << "after a kill at " << at;
            EXPECT_EQ(FileNames(folder), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}))
                << "after a kill at " << at;
            EXPECT_EQ(ArchivedText(ArchiveOf(row, 1), tmp / "check"), "new") << "after a kill at " << at;
            EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), recovered) << "after a kill at " << at;
            if (finished) {
                EXPECT_EQ(first, "new") << "a run that got to its end left the old newest archive";
            }
        }
        EXPECT_TRUE(finished) << syscall << ": the run never got to its end";
    }
}

TEST_F(KilledRun, AtEverySystemCallLosesOnlyTheDroppedGeneration) {
    if (!StraceWorks()) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    KillAtEveryCall(tmp / "backups", {"openat", "write", "fsync", "rename", "renameat2", "unlink", "flock"},
                    MoveToNewInodes);
}

// A stick has no swap of two names, and a remount numbers its files anew.
TEST_F(KilledRun, OnARemountedExFatStickLosesOnlyTheDroppedGeneration) {
    if (!StraceWorks()) {
        GTEST_SKIP() << "strace cannot trace here";
    }
    fs::create_directories(tmp / "stick");
    std::string why;
    std::optional<TestMount> stick = TestMount::ExFat(tmp / "stick.img", tmp / "stick", 16 << 20, why);
    if (!stick) {
        GTEST_SKIP() << why;
    }
    KillAtEveryCall(tmp / "stick" / "backups", {"rename", "fsync"}, [&](const fs::path&) {
        stick->Unmount();
        ASSERT_TRUE(stick->Mount());
    });
}

} // namespace
} // namespace vantorel::test

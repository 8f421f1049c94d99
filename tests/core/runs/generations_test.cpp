// Which archives a job's folder holds after each run, and what a failed
// archive step leaves there.

#include "tests/core/runs/runs_fixture.h"

#include "archive/reader/extract_archive.h"
#include "tests/core/runs/test_mounts.h"
#include "tests/support/new_job.h"
#include "tests/support/unprivileged.h"

#include <csignal>
#include <sys/resource.h>

namespace vantorel::test {
namespace {

using Names = std::set<std::string>;

// `size` bytes that do not compress, different for each seed.
std::string Noise(std::size_t size, unsigned seed) {
    std::string noise(size, '\0');
    unsigned state = seed;
    for (char& c : noise) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return noise;
}

TEST_F(RunsTest, EachRunKeepsTheNewestAndThePreviousArchive) {
    const fs::path source = tmp / "docs";
    // A destination that does not exist yet, nor its parent, inside the
    // source: no archive may hold the generations.
    const std::size_t row = AddJob(source, source / "new" / "backups");
    const fs::path folder = ArchiveFolderOf(row);

    std::vector<std::string> archives; // the newest archive after each run
    for (int run = 1; run <= 3; ++run) {
        WriteFile(source / ("run" + std::to_string(run) + ".txt"), "written before run " + std::to_string(run));
        runner.RunSelected(row);
        ASSERT_TRUE(runner.errorList().empty()) << "run " << run;
        archives.push_back(ReadFile(ArchiveOf(row, 1)));
        EXPECT_EQ(CountArchiveEntries(ArchiveOf(row, 1)), static_cast<std::size_t>(run));
        if (run == 1) {
            EXPECT_EQ(FileNames(folder), Names{"save_1_1.zip"});
        }
    }
    // After the third run only the second and third archives are left.
    EXPECT_EQ(FileNames(folder), (Names{"save_1_1.zip", "save_1_2.zip"}));
    EXPECT_EQ(ReadFile(ArchiveOf(row, 1)), archives[2]);
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), archives[1]);
    EXPECT_NE(archives[1], archives[2]);
}

TEST_F(RunsTest, NewJobWithAnEmptySourceGetsAnEmptyArchive) {
    const fs::path source = tmp / "empty";
    fs::create_directories(source / "only" / "folders");
    const std::size_t row = AddJob(source, tmp / "backups");

    runner.RunSelected(row);
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_EQ(CountArchiveEntries(ArchiveOf(row, 1)), 0u);

    // An empty newest archive protects nothing: the next empty run rotates it.
    runner.RunSelected(row);
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (Names{"save_1_1.zip", "save_1_2.zip"}));
}

// Real faults for the archive step. Each is set up in a child process, so the
// test process keeps its privileges and its limits.
enum class ArchiveFault {
    UnreadableFile, // a source file the run may not read
    ArchiveTooBig,  // the destination refuses a file that large
};

const char* NameOf(ArchiveFault fault) {
    return fault == ArchiveFault::UnreadableFile ? "UnreadableFile" : "ArchiveTooBig";
}
void PrintTo(ArchiveFault fault, std::ostream* out) {
    *out << NameOf(fault);
}

class FailingArchiveStep : public RunsTest, public ::testing::WithParamInterface<ArchiveFault> {
protected:
    // The file that makes the archive step fail in the child.
    void MakeFault(const fs::path& source) {
        if (GetParam() == ArchiveFault::ArchiveTooBig) {
            // Incompressible data, far over the limit set in the child.
            WriteFile(source / "big.bin", Noise(256 * 1024, 12345));
            return;
        }
        WriteFile(source / "secret.txt", "not for everyone");
        fs::permissions(source / "secret.txt", fs::perms::none);
    }

    // Runs a due pass in a child process, under the limit or without the
    // privileges that make the fault bite, and returns how many jobs it listed.
    std::optional<int> DuePassWithFault() {
        auto pass = [this] {
            runner.DuePass();
            return static_cast<int>(runner.errorList().size());
        };
        if (GetParam() == ArchiveFault::UnreadableFile) {
            return RunUnprivileged(pass);
        }
        return RunInChild([&] {
            std::signal(SIGXFSZ, SIG_IGN); // a refused write, not a killed process
            rlimit limit{64 * 1024, 64 * 1024};
            return setrlimit(RLIMIT_FSIZE, &limit) == 0 ? pass() : 77;
        });
    }
};

TEST_P(FailingArchiveStep, LeavesBothGenerationsAsTheyWereAndTriesAgainAtTheNextPass) {
    const fs::path source = tmp / "docs";
    WriteFile(source / "a.txt", "first");
    const std::size_t row = AddJob(source, tmp / "backups", "0", "01/12/2026 10:00:00");
    runner.RunSelected(row); // the first generation
    WriteFile(source / "a.txt", "second");
    host.now = At(2026, 12, 7, 15);
    runner.RunSelected(row); // the last good archive
    ASSERT_TRUE(runner.errorList().empty());
    const std::string good = ReadFile(ArchiveOf(row, 1));
    const std::string older = ReadFile(ArchiveOf(row, 2));
    const BackupJob before = Stored(row);
    store.RecordRun(row, before.lastRun, "01/12/2026 10:00:00"); // due again
    MakeFault(source);
    // The unprivileged child must reach everything but the fault.
    for (const fs::path& folder : {tmp.path(), source, tmp / "backups", tmp / "backups" / "Vantorel"}) {
        fs::permissions(folder, fs::perms::all);
    }
    fs::permissions(store.filePath(), fs::perms::all);

    std::optional<int> listed = DuePassWithFault();
    if (!listed || *listed == 77) {
        GTEST_SKIP() << "the fault cannot be made real here";
    }
    EXPECT_EQ(*listed, 1);
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (Names{"save_1_1.zip", "save_1_2.zip"}));
    EXPECT_EQ(ReadFile(ArchiveOf(row, 1)), good);
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), older) << "a failed run dropped the older generation";
    EXPECT_EQ(Stored(row).lastRun, before.lastRun);
    EXPECT_EQ(Stored(row).nextRun, "01/12/2026 10:00:00");

    // Once the fault is gone the job, still due, runs at the next pass.
    fs::remove(source / "secret.txt");
    fs::remove(source / "big.bin");
    host.now = At(2026, 12, 7, 16);
    runner.DuePass();
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_EQ(Stored(row).lastRun, "07/12/2026 16:00:00");
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), good);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailingArchiveStep,
                         ::testing::Values(ArchiveFault::UnreadableFile, ArchiveFault::ArchiveTooBig),
                         [](const auto& row) { return std::string(NameOf(row.param)); });

TEST_F(RunsTest, DestinationWithRoomForTwoArchivesDropsThePreviousOneToWriteTheNext) {
    fs::create_directories(tmp / "stick");
    std::string why;
    // Room for two archives of the data below, not for three.
    std::optional<TestMount> stick = TestMount::Tmpfs(tmp / "stick", 112 * 1024, why);
    if (!stick) {
        GTEST_SKIP() << why;
    }
    const fs::path source = tmp / "docs";
    const std::size_t row = AddJob(source, tmp / "stick");
    std::vector<std::string> archives;
    for (unsigned run = 1; run <= 4; ++run) {
        WriteFile(source / "data.bin", Noise(40 * 1024, run));
        runner.RunSelected(row);
        ASSERT_TRUE(runner.errorList().empty()) << "run " << run;
        archives.push_back(ReadFile(ArchiveOf(row, 1)));
        if (run > 1) {
            EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), archives[run - 2]) << "run " << run;
        }
    }
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (Names{"save_1_1.zip", "save_1_2.zip"}));

    // A new archive that does not fit even alone: the newest one stays.
    WriteFile(source / "data.bin", Noise(80 * 1024, 5));
    runner.RunSelected(row);
    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_EQ(ReadFile(ArchiveOf(row, 1)), archives.back());
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), Names{"save_1_1.zip"});
}

// A run killed between its last two renames leaves no file under the newest
// name; a restore gives the waiting archive its name before it reads it.
TEST_F(RunsTest, RestoreFindsTheNewestArchiveAKilledRunLeftWaiting) {
    const fs::path source = tmp / "docs";
    const std::size_t row = AddJob(source, tmp / "backups");
    for (const char* text : {"older", "newest"}) {
        WriteFile(source / "a.txt", text);
        runner.RunSelected(row);
    }
    fs::rename(ArchiveOf(row, 1), ArchiveFolderOf(row) / ".save_1_1.zip.complete");
    WriteFile(source / "a.txt", "changed since");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_EQ(ReadFile(source / "a.txt"), "newest");
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (Names{"save_1_1.zip", "save_1_2.zip"}));
}

TEST_F(RunsTest, FailedRescheduleKeepsTheArchiveJustWritten) {
    const fs::path source = tmp / "docs";
    WriteFile(source / "a.txt", "first");
    // A daily job whose stored hour lies outside its list: no next run exists.
    const std::size_t row =
        store.AppendJob(test::NewJob("daily at no hour", FolderText(source), FolderText(tmp / "backups"),
                                     {"4", "0", "0", "30"}, "01/12/2026 09:00:00", "01/12/2026 10:00:00"));
    runner.RunSelected(row);
    ASSERT_EQ(runner.errorList().size(), 1u);
    const std::string first = ReadFile(ArchiveOf(row, 1));
    const std::string list = ReadFile(store.filePath());
    WriteFile(source / "a.txt", "second");

    runner.RunSelected(row);

    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), first);
    EXPECT_NE(ReadFile(ArchiveOf(row, 1)), first) << "the good new archive was replaced";
    EXPECT_EQ(store.at(row).lastRun, "01/12/2026 09:00:00");
    EXPECT_EQ(ReadFile(store.filePath()), list);
}

} // namespace
} // namespace vantorel::test

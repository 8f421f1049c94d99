// Runs never overlap: requests made during a run wait their turn, and jobs
// edited or deleted while a step runs get exactly their own results.

#include "tests/core/runs/runs_fixture.h"

#include "jobs/job_operations.h"
#include "tests/support/new_job.h"

#include <utility>

namespace vantorel::test {
namespace {

// Runs `action` once, while the n-th step of the test runs.
void DuringStep(FakeRunHost& host, int n, std::function<void()> action) {
    host.onStep = [n, action = std::move(action), seen = 0]() mutable {
        if (++seen == n) {
            action();
        }
    };
}

// Every command the window offers, arriving while a pass runs: each waits its
// turn, in the order asked, and a request already waiting counts once.
TEST_F(RunsTest, RequestsDuringARunWaitTheirTurn) {
    WriteFile(tmp / "one" / "a.txt", "a");
    WriteFile(tmp / "two" / "b.txt", "b");
    AddJob(tmp / "one", tmp / "backups");
    AddJob(tmp / "two", tmp / "backups");
    runner.RunAll();
    store.RecordRun(0, "", "01/12/2026 10:00:00"); // both due again
    store.RecordRun(1, "", "01/12/2026 10:00:00");
    host.log.clear();
    host.finished = 0;
    std::vector<std::string> seenAtRequests;
    DuringStep(host, 1, [&] {
        EXPECT_TRUE(runner.busy());
        runner.DuePass();
        runner.RunSelected(0);
        runner.RunAll();
        runner.RunAll();
        host.answers = {true};
        runner.Restore(1); // asked at once, run in its turn
        EXPECT_EQ(host.questions.size(), 1u);
        seenAtRequests = host.log;
    });

    runner.DuePass();

    EXPECT_EQ(seenAtRequests, (std::vector<std::string>{"timer off", "show", "step"})) << "a request ran at once";
    // The pass (2 jobs), a second pass (nothing due any more), the selected
    // job, all jobs once, then the restore.
    EXPECT_EQ(host.Count("show"), 2 + 0 + 1 + 2 + 1);
    EXPECT_EQ(host.Count("timer off"), 2);
    EXPECT_EQ(host.finished, 5);
    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_FALSE(runner.busy());
    EXPECT_TRUE(runner.errorList().empty());
}

AskYesNoFunction Yes() {
    return [](Question) { return true; };
}

TEST_F(RunsTest, DeletingAnEarlierRowDuringARunSendsTheResultsToTheJobThatRan) {
    const std::string notDue = "31/12/2099 10:00:00";
    WriteFile(tmp / "docs" / "a.txt", "a");
    AddJob(tmp / "docs", tmp / "x", "0", notDue);
    const std::uint64_t ran = store.at(AddJob(tmp / "docs", tmp / "a")).id;
    const std::uint64_t after = store.at(AddJob(tmp / "docs", tmp / "b", "0", notDue)).id;
    DuringStep(host, 1, [&] { ASSERT_TRUE(DeleteJob(store, 0, Yes())); });

    runner.DuePass();

    ASSERT_EQ(store.size(), 2u);
    EXPECT_EQ(store.at(0).id, ran);
    EXPECT_EQ(store.at(0).lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(store.at(1).id, after);
    EXPECT_EQ(store.at(1).nextRun, notDue) << "the row that took the old position got results";
    EXPECT_EQ(Stored(0).lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(Stored(1).nextRun, notDue);
    EXPECT_EQ(Stored(1).lastRun, "01/12/2026 09:00:00");
}

TEST_F(RunsTest, JobAddedDuringAPassGetsItsFirstRunAfterItAndKeepsItsFailuresListed) {
    WriteFile(tmp / "one" / "a.txt", "a");
    WriteFile(tmp / "new" / "b.txt", "b");
    const std::uint64_t failed = store.at(AddJob(tmp / "gone", tmp / "a")).id;
    AddJob(tmp / "one", tmp / "a");
    DuringStep(host, 1, [&] { runner.RunNewJob(AddJob(tmp / "new", tmp / "b")); });

    runner.DuePass();

    EXPECT_EQ(FileNames(ArchiveFolderOf(2)), std::set<std::string>{"save_3_1.zip"}) << "the new job's first run";
    EXPECT_EQ(host.Count("show"), 2);
    ASSERT_EQ(runner.errorList().size(), 1u);
    EXPECT_EQ(runner.errorList()[0].jobId, failed);
    ASSERT_EQ(host.shownErrors.size(), 1u) << "a good first run shows no window";
    EXPECT_EQ(host.finished, 2);

    // A first run that fails adds its job to the list the pass left.
    const std::uint64_t added = store.at(AddJob(tmp / "gone too", tmp / "b")).id;
    runner.RunNewJob(3);
    ASSERT_EQ(runner.errorList().size(), 2u);
    EXPECT_EQ(runner.errorList()[1].jobId, added);
    ASSERT_EQ(host.shownErrors.size(), 2u);
    EXPECT_EQ(host.shownErrors[1].size(), 2u);
}

TEST_F(RunsTest, SecondWriterOfTheSameArchivesFailsAndTouchesNothing) {
    // Another program, on another job list, with a job that names the same
    // archives: same destination, and reference 1 in its own list too.
    WriteFile(tmp / "docs" / "a.txt", "a");
    WriteFile(tmp / "theirs" / "b.txt", "b");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups");
    runner.RunSelected(row);
    runner.RunSelected(row);
    const std::string newest = ReadFile(ArchiveOf(row, 1));
    fs::create_directories(tmp / "other program");
    JobStore otherStore(tmp / "other program");
    FakeRunHost otherHost;
    otherHost.now = host.now;
    TestRunner other(otherStore, otherHost);
    otherStore.AppendJob(test::NewJob("theirs", FolderText(tmp / "theirs"), FolderText(tmp / "backups"),
                                      {"0", "0", "0", "0"}, "", "01/12/2026 10:00:00"));
    DuringStep(host, 1, [&] { other.RunSelected(0); });

    runner.RunSelected(row);

    EXPECT_EQ(other.errorList().size(), 1u);
    EXPECT_EQ(otherHost.Count("show"), 0) << "the second writer started an archive step";
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), newest);
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}));
}

// The job deleted while its archive is written: the new archive goes with it.
TEST_F(RunsTest, JobDeletedDuringItsRunLeavesNoArchiveAndNoResults) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    WriteFile(tmp / "other" / "b.txt", "b");
    const std::size_t row = AddJob(tmp / "docs", tmp / "a");
    runner.RunSelected(row);                         // a first generation to rotate
    store.RecordRun(row, "", "01/12/2026 10:00:00"); // due again
    const fs::path folder = ArchiveFolderOf(row);
    const std::uint64_t other = store.at(AddJob(tmp / "other", tmp / "b")).id;
    DuringStep(host, 1, [&] { ASSERT_TRUE(DeleteJob(store, 0, Yes())); });

    runner.DuePass();

    EXPECT_EQ(FileNames(folder), std::set<std::string>{}) << "an archive outlived its job";
    EXPECT_TRUE(runner.errorList().empty());
    ASSERT_EQ(StoredCount(), 1u);
    EXPECT_EQ(store.at(0).id, other);
    EXPECT_EQ(Stored(0).lastRun, "07/12/2026 14:05:33") << "the next job still ran";
}

// The program ending during a pass: the archive being written is given up,
// the newest archive is the last good one again, and no other job runs.
TEST_F(RunsTest, AStopDuringAPassEndsItWithTheLastGoodArchive) {
    WriteFile(tmp / "one" / "a.txt", "first run");
    WriteFile(tmp / "two" / "b.txt", "b");
    const std::size_t first = AddJob(tmp / "one", tmp / "backups");
    runner.RunSelected(first);
    const std::string lastGood = ReadFile(ArchiveOf(first, 1));
    store.RecordRun(first, "", "01/12/2026 10:00:00"); // due again
    const std::size_t second = AddJob(tmp / "two", tmp / "backups");
    WriteFile(tmp / "one" / "a.txt", "second run");
    host.onStep = [&] {
        runner.RunAll(); // waiting, and dropped by the quit
        EXPECT_TRUE(runner.Quit()) << "the pass is still in progress";
    };
    host.log.clear();
    host.finished = 0;

    runner.DuePass();

    EXPECT_EQ(ReadFile(ArchiveOf(first, 1)), lastGood);
    for (const std::string& name : FileNames(ArchiveFolderOf(first))) {
        EXPECT_TRUE(name == "save_1_1.zip" || name == "save_1_2.zip") << name << ": a temporary archive was left";
    }
    EXPECT_EQ(Stored(first).nextRun, "01/12/2026 10:00:00");
    EXPECT_FALSE(fs::exists(ArchiveOf(second, 1)));
    EXPECT_EQ(host.Count("step"), 1);
    EXPECT_EQ(host.Count("errors"), 0) << "no window for a program that is ending";
    EXPECT_TRUE(host.timerEnabled);
    EXPECT_EQ(host.finished, 1);
    runner.RunAll();
    EXPECT_EQ(host.Count("step"), 1) << "no run starts once stopped";
    EXPECT_FALSE(runner.busy());
}

TEST_F(RunsTest, JobEditedDuringItsRunKeepsItsResultsUnderItsNewSettings) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "a");
    DuringStep(host, 1, [&] {
        JobSettings settings = SettingsOfJob(store.at(row));
        settings.schedule.code = "3"; // every 12 hours
        ASSERT_TRUE(ValidateEdit(store, row, settings, Yes()));
    });

    runner.DuePass();

    const BackupJob job = Stored(row);
    EXPECT_EQ(job.schedule.code, "3");
    EXPECT_EQ(job.lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(job.nextRun, "08/12/2026 02:05:33");
    EXPECT_NE(job.designation.find("toutes les 12 heures"), std::string::npos);
    EXPECT_TRUE(fs::exists(ArchiveOf(row, 1)));
}

} // namespace
} // namespace vantorel::test

// Runs never overlap, and jobs edited or deleted while a pass lets window
// events run get exactly their own results.

#include "tests/core/runs/runs_fixture.h"

#include "jobs/job_operations.h"
#include "tests/support/new_job.h"

#include <utility>

namespace vantorel::test {
namespace {

enum class Outer { DuePass, Selected, All, Restore };

struct OverlapRow {
    const char* name;
    Outer outer;
    int archiveSteps; // label shown once per job run, or once for the restore
    int timerStops;
    int questions;
};

void PrintTo(const OverlapRow& row, std::ostream* out) {
    *out << row.name;
}

class NestedRequest : public RunsTest, public ::testing::WithParamInterface<OverlapRow> {};

TEST_P(NestedRequest, FromInsideARunDoesNothing) {
    const OverlapRow& c = GetParam();
    WriteFile(tmp / "one" / "a.txt", "a");
    WriteFile(tmp / "two" / "b.txt", "b");
    AddJob(tmp / "one", tmp / "backups");
    AddJob(tmp / "two", tmp / "backups");
    if (c.outer == Outer::Restore) {
        runner.RunAll();
        host.log.clear();
        host.answers = {true};
    }
    // Every command the window offers, arriving as events during the run.
    host.onEvents = [&] {
        EXPECT_TRUE(runner.busy());
        host.answers.push_back(true);
        runner.DuePass();
        runner.RunSelected(0);
        runner.RunAll();
        runner.Restore(1);
        host.answers.pop_back();
    };

    switch (c.outer) {
    case Outer::DuePass:
        runner.DuePass();
        break;
    case Outer::Selected:
        runner.RunSelected(1);
        break;
    case Outer::All:
        runner.RunAll();
        break;
    case Outer::Restore:
        runner.Restore(0);
        break;
    }

    EXPECT_EQ(host.Count("show"), c.archiveSteps);
    EXPECT_EQ(host.Count("timer off"), c.timerStops);
    EXPECT_EQ(static_cast<int>(host.questions.size()), c.questions);
    EXPECT_FALSE(runner.busy());
    EXPECT_TRUE(runner.errorList().empty());
}

INSTANTIATE_TEST_SUITE_P(Runs, NestedRequest,
                         ::testing::Values(OverlapRow{"DuePass", Outer::DuePass, 2, 1, 0},
                                           OverlapRow{"Selected", Outer::Selected, 1, 0, 0},
                                           OverlapRow{"All", Outer::All, 2, 0, 0},
                                           OverlapRow{"Restore", Outer::Restore, 1, 0, 1}),
                         [](const auto& row) { return std::string(row.param.name); });

// Runs `action` once, at the n-th event processing of the pass.
void AtEvents(FakeRunHost& host, int n, std::function<void()> action) {
    host.onEvents = [&host, n, action = std::move(action), seen = 0]() mutable {
        if (++seen == n) {
            action();
        }
    };
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
    AtEvents(host, 1, [&] { ASSERT_TRUE(DeleteJob(store, 0, Yes())); });

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

TEST_F(RunsTest, JobAddedDuringARunGetsItsFirstRunWhenThatRunEnds) {
    WriteFile(tmp / "one" / "a.txt", "a");
    WriteFile(tmp / "two" / "b.txt", "b");
    AddJob(tmp / "one", tmp / "a");
    AtEvents(host, 1, [&] { runner.RunNewJob(AddJob(tmp / "two", tmp / "b")); });

    runner.RunSelected(0);

    EXPECT_EQ(host.Count("show"), 2);
    EXPECT_EQ(FileNames(ArchiveFolderOf(1)), std::set<std::string>{"save_2_1.zip"});
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
    BackupRunner other(otherStore, otherHost);
    otherStore.AppendJob(test::NewJob("theirs", FolderText(tmp / "theirs"), FolderText(tmp / "backups"),
                                      {"0", "0", "0", "0"}, "", "01/12/2026 10:00:00"));
    AtEvents(host, 1, [&] { other.RunSelected(0); });

    runner.RunSelected(row);

    EXPECT_EQ(other.errorList().size(), 1u);
    EXPECT_EQ(otherHost.Count("show"), 0) << "the second writer started an archive step";
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_EQ(ReadFile(ArchiveOf(row, 2)), newest);
    EXPECT_EQ(FileNames(ArchiveFolderOf(row)), (std::set<std::string>{"save_1_1.zip", "save_1_2.zip"}));
}

// When the job is deleted: 1 and 2, at the first (before the archive is
// written) or second event processing (after it); 0, while it is written.
class DeletedDuringItsRun : public RunsTest, public ::testing::WithParamInterface<int> {};

TEST_P(DeletedDuringItsRun, LeavesNoArchiveAndNoResults) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    WriteFile(tmp / "other" / "b.txt", "b");
    const std::size_t row = AddJob(tmp / "docs", tmp / "a");
    runner.RunSelected(row);                         // a first generation to rotate
    store.RecordRun(row, "", "01/12/2026 10:00:00"); // due again
    const fs::path folder = ArchiveFolderOf(row);
    const std::uint64_t other = store.at(AddJob(tmp / "other", tmp / "b")).id;
    const auto deleteIt = [&] { ASSERT_TRUE(DeleteJob(store, 0, Yes())); };
    if (GetParam() == 0) {
        host.onStep = [&, done = false]() mutable {
            if (!std::exchange(done, true)) {
                deleteIt();
            }
        };
    } else {
        AtEvents(host, GetParam(), deleteIt);
    }

    runner.DuePass();

    EXPECT_EQ(FileNames(folder), std::set<std::string>{}) << "an archive outlived its job";
    EXPECT_TRUE(runner.errorList().empty());
    ASSERT_EQ(StoredCount(), 1u);
    EXPECT_EQ(store.at(0).id, other);
    EXPECT_EQ(Stored(0).lastRun, "07/12/2026 14:05:33") << "the next job still ran";
}

INSTANTIATE_TEST_SUITE_P(Moments, DeletedDuringItsRun, ::testing::Values(0, 1, 2));

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
    host.onStep = [&] { runner.RequestStop(); };
    host.log.clear();

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
    runner.RunAll();
    EXPECT_EQ(host.Count("step"), 1) << "no run starts once stopped";
}

TEST_F(RunsTest, JobEditedDuringItsRunKeepsItsResultsUnderItsNewSettings) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "a");
    AtEvents(host, 1, [&] {
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

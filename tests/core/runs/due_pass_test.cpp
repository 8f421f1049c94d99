// The three ways a run starts, and what each does with the schedule, the
// error list, the timer and the processing label.

#include "tests/core/runs/runs_fixture.h"
#include "tests/support/unprivileged.h"

#include <cerrno>

namespace vantorel::test {
namespace {

enum class Start { DuePass, Selected, All };

void StartRun(TestRunner& runner, Start start, std::size_t row) {
    switch (start) {
    case Start::DuePass:
        runner.DuePass();
        break;
    case Start::Selected:
        runner.RunSelected(row);
        break;
    case Start::All:
        runner.RunAll();
        break;
    }
}

// Source: never there; Emptied: emptied after a first run (an unmounted disk
// leaves its mount folder behind, empty); Destination: cannot be made.
enum class Missing { Source, Emptied, Destination };

struct FolderCheckRow {
    const char* name;
    Start start;
    Missing missing;
    bool scheduleMoves; // only a due pass moves a failed folder check's schedule on
};

void PrintTo(const FolderCheckRow& row, std::ostream* out) {
    *out << row.name;
}

class FolderCheck : public RunsTest, public ::testing::WithParamInterface<FolderCheckRow> {};

TEST_P(FolderCheck, ListsTheJobAndMovesTheScheduleOnlyInADuePass) {
    const FolderCheckRow& c = GetParam();
    fs::path source = tmp / "docs";
    fs::path destination = tmp / "backups";
    if (c.missing == Missing::Source) {
        source = tmp / "gone";
    } else if (c.missing == Missing::Destination) {
        // A destination below a plain file can never be created.
        WriteFile(tmp / "not-a-drive", "");
        destination = tmp / "not-a-drive" / "backups";
    }
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(source, destination, "1", "01/12/2026 10:00:00", "01/12/2026 06:00:00");
    std::string newest;
    if (c.missing == Missing::Emptied) {
        runner.RunSelected(row);
        runner.RunSelected(row);
        newest = ReadFile(ArchiveOf(row, 1));
        fs::remove(tmp / "docs" / "a.txt");
        store.RecordRun(row, "01/12/2026 06:00:00", "01/12/2026 10:00:00"); // due again
        host.log.clear();
    }

    StartRun(runner, c.start, row);

    ASSERT_EQ(runner.errorList().size(), 1u);
    EXPECT_EQ(runner.errorList()[0].designation, store.at(row).designation);
    EXPECT_EQ(runner.errorList()[0].jobId, store.at(row).id);
    // The cause names what is missing.
    const FailureCause& cause = runner.errorList()[0].cause;
    if (c.missing == Missing::Source) {
        EXPECT_EQ(cause.kind, FailureKind::SourceMissing);
        EXPECT_EQ(cause.path, FolderText(tmp / "gone"));
        EXPECT_EQ(cause.systemText, SystemText(ENOENT));
    } else if (c.missing == Missing::Emptied) {
        // Both generations stay as they were: two such runs would rotate them out.
        EXPECT_EQ(cause.kind, FailureKind::SourceEmpty);
        EXPECT_EQ(ReadFile(ArchiveOf(row, 1)), newest);
        EXPECT_TRUE(fs::exists(ArchiveOf(row, 2)));
    } else {
        EXPECT_EQ(cause.kind, FailureKind::DestinationMissing);
        EXPECT_EQ(cause.path, FolderText(tmp / "not-a-drive" / "backups" / "Vantorel"));
        EXPECT_EQ(cause.systemText, SystemText(ENOTDIR));
    }
    ASSERT_EQ(host.shownErrors.size(), 1u);
    EXPECT_EQ(host.shownErrors[0].size(), 1u);
    EXPECT_EQ(host.Count("show"), 0) << "no archive step after a failed folder check";
    if (c.scheduleMoves) {
        EXPECT_EQ(Stored(row).lastRun, "07/12/2026 14:05:33");
        EXPECT_EQ(Stored(row).nextRun, "07/12/2026 18:05:33");
        EXPECT_EQ(store.at(row).nextRun, "07/12/2026 18:05:33");
    } else {
        EXPECT_EQ(Stored(row).lastRun, "01/12/2026 06:00:00");
        EXPECT_EQ(Stored(row).nextRun, "01/12/2026 10:00:00");
        EXPECT_EQ(store.at(row).nextRun, "01/12/2026 10:00:00");
    }
    EXPECT_FALSE(fs::exists(tmp / "gone")) << "a missing source is never created by a run";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderCheck,
    ::testing::Values(FolderCheckRow{"DuePassSource", Start::DuePass, Missing::Source, true},
                      FolderCheckRow{"DuePassDestination", Start::DuePass, Missing::Destination, true},
                      FolderCheckRow{"SelectedSource", Start::Selected, Missing::Source, false},
                      FolderCheckRow{"SelectedDestination", Start::Selected, Missing::Destination, false},
                      FolderCheckRow{"DuePassEmptied", Start::DuePass, Missing::Emptied, true},
                      FolderCheckRow{"SelectedEmptied", Start::Selected, Missing::Emptied, false},
                      FolderCheckRow{"AllSource", Start::All, Missing::Source, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(RunsTest, AFailedJobDoesNotStopTheOthers) {
    WriteFile(tmp / "second" / "b.txt", "b");
    WriteFile(tmp / "third" / "c.txt", "c");
    AddJob(tmp / "gone", tmp / "backups");
    AddJob(tmp / "second", tmp / "backups");
    AddJob(tmp / "third", tmp / "backups", "0", "31/12/2099 10:00:00"); // not due

    runner.DuePass();

    ASSERT_EQ(runner.errorList().size(), 1u);
    EXPECT_EQ(runner.errorList()[0].designation, store.at(0).designation);
    EXPECT_TRUE(fs::exists(ArchiveOf(1, 1)));
    EXPECT_FALSE(fs::exists(ArchiveOf(2, 1))) << "a job not due is left alone by a due pass";

    // Run all runs it anyway, due or not, and empties the list first.
    runner.RunAll();
    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_TRUE(fs::exists(ArchiveOf(2, 1)));
    EXPECT_EQ(Stored(2).lastRun, "07/12/2026 14:05:33");
}

TEST_F(RunsTest, LongOverdueJobRunsOnceAndCountsFromTheEndOfItsRun) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups", "0", "02/11/2026 10:00:00");
    // The archive step takes twenty minutes by this clock.
    host.onStep = [&] { host.now = host.now + std::chrono::minutes(20); };

    runner.DuePass();
    runner.DuePass(); // not due any more

    EXPECT_EQ(host.Count("show"), 1);
    EXPECT_EQ(Stored(row).lastRun, "07/12/2026 14:25:33");
    EXPECT_EQ(Stored(row).nextRun, "07/12/2026 15:25:33");
    EXPECT_EQ(store.at(row).lastRun, "07/12/2026 14:25:33");
}

TEST_F(RunsTest, DueMeansStrictlyLaterThanTheNextRun) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups", "0", "07/12/2026 14:05:33");
    AddJob(tmp / "docs", tmp / "backups", "0", ""); // unreadable next run: never due, never listed

    runner.DuePass();
    EXPECT_FALSE(fs::exists(ArchiveOf(row, 1)));

    host.now = At(2026, 12, 7, 14, 5, 34);
    runner.DuePass();
    EXPECT_TRUE(fs::exists(ArchiveOf(row, 1)));
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_FALSE(fs::exists(ArchiveOf(1, 1)));
}

TEST_F(RunsTest, ArchiveStepShowsTheLabelAroundTheWorkAndTheTimerRestartsAfterThePass) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    AddJob(tmp / "docs", tmp / "backups");
    AddJob(tmp / "gone", tmp / "backups");
    std::vector<bool> visibleDuringStep;
    host.onStep = [&] { visibleDuringStep.push_back(host.processingVisible); };

    runner.DuePass();

    const std::vector<std::string> expected = {"timer off", "show", "step", "hide", "errors", "timer on"};
    EXPECT_EQ(host.log, expected);
    EXPECT_EQ(visibleDuringStep, std::vector<bool>{true});
    EXPECT_EQ(host.progressFolder, FolderText(tmp / "docs"));
    EXPECT_FALSE(runner.busy());
    EXPECT_EQ(host.finished, 1);
}

TEST_F(RunsTest, EmptyListPassShowsNothingAndRestartsTheTimer) {
    runner.DuePass();
    EXPECT_EQ(host.log, (std::vector<std::string>{"timer off", "timer on"}));

    runner.RunSelected(std::nullopt);
    runner.RunSelected(0); // no such row
    runner.RunAll();
    EXPECT_EQ(host.log.size(), 2u) << "run selected and run all leave the timer alone";
}

TEST_F(RunsTest, LabelIsHiddenWhenTheArchiveStepFails) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups");
    // Both archive names taken by folders that are not empty: the rotation
    // cannot move one over the other and ZipFolder cannot put its archive there.
    WriteFile(ArchiveOf(row, 1) / "inside", "x");
    WriteFile(ArchiveOf(row, 2) / "inside", "x");

    runner.RunSelected(row);

    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_FALSE(host.processingVisible);
    EXPECT_EQ(host.Count("show"), 1);
    EXPECT_EQ(host.Count("hide"), 1);
}

TEST_F(RunsTest, ScheduleThatCannotBeSavedStillWaitsForItsNextTime) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    AddJob(tmp / "docs", tmp / "backups");
    for (const fs::path& folder : {tmp.path(), settingsFolder, tmp / "docs"}) {
        fs::permissions(folder, fs::perms::all);
    }
    fs::permissions(store.filePath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    // Two passes a minute apart, by a user who may not write ListeSave.ini:
    // how many archive steps ran, and how many failures each pass listed.
    std::optional<int> result = RunUnprivileged([&] {
        runner.DuePass();
        const std::size_t first = runner.errorList().size();
        host.now = At(2026, 12, 7, 14, 6, 33);
        runner.DuePass();
        return host.Count("show") * 100 + static_cast<int>(first) * 10 + static_cast<int>(runner.errorList().size());
    });
    if (!result) {
        GTEST_SKIP() << "no unprivileged user here";
    }
    EXPECT_EQ(*result, 110) << "one run, its failure listed once";
}

TEST_F(RunsTest, DestinationTheUserMayNotWriteIsAccessRefusedThere) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    // One archive folder that cannot be made, one that is there but closed.
    fs::create_directories(tmp / "closed");
    fs::create_directories(tmp / "made" / "Vantorel");
    AddJob(tmp / "docs", tmp / "closed");
    AddJob(tmp / "docs", tmp / "made");
    for (const fs::path& folder : {tmp.path(), settingsFolder, tmp / "docs", tmp / "made"}) {
        fs::permissions(folder, fs::perms::all);
    }
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(tmp / "closed", readOnly);
    fs::permissions(tmp / "made" / "Vantorel", readOnly);

    // Each failure as a digit: 1 for "access refused" on its archive folder.
    std::optional<int> result = RunUnprivileged([&] {
        runner.RunAll();
        int digits = 0;
        for (const ErrorEntry& entry : runner.errorList()) {
            const std::optional<std::size_t> row = store.RowOf(entry.jobId);
            const bool refusedThere = row && entry.cause.kind == FailureKind::AccessRefused &&
                                      entry.cause.path == ArchiveFolderOf(*row).string() &&
                                      entry.cause.systemText == SystemText(EACCES);
            digits = digits * 10 + (refusedThere ? 1 : 2);
        }
        return digits;
    });
    if (!result) {
        GTEST_SKIP() << "no unprivileged user here";
    }
    EXPECT_EQ(*result, 11);
}

TEST_F(RunsTest, TimerRestartsWhenThePassThrows) {
    AddJob(tmp / "gone", tmp / "backups");
    struct WindowGone {};
    struct ThrowingHost : FakeRunHost {
        void ShowErrorList(const std::vector<ErrorEntry>&) override { throw WindowGone{}; }
    } throwing;
    throwing.now = host.now;
    TestRunner failing(store, throwing);

    EXPECT_THROW(failing.DuePass(), WindowGone);

    EXPECT_TRUE(throwing.timerEnabled);
    EXPECT_FALSE(failing.busy());
    failing.DuePass(); // a later pass is not refused as overlapping
    EXPECT_EQ(throwing.Count("timer off"), 2);
}

} // namespace
} // namespace vantorel::test

// Adding, editing and deleting jobs as the windows do it, and the archive
// names the operations share with the runs.

#include "tests/core/runs/runs_fixture.h"

#include "jobs/archive_paths.h"
#include "jobs/job_error.h"
#include "jobs/job_operations.h"
#include "platform/profile_ini.h"

#include <deque>

namespace vantorel::test {
namespace {

// A scripted asker that records what it was asked.
struct Asker {
    std::deque<bool> answers;
    std::vector<Question> asked;

    AskYesNoFunction Function() {
        return [this](Question q) {
            asked.push_back(q);
            bool answer = !answers.empty() && answers.front();
            if (!answers.empty()) {
                answers.pop_front();
            }
            return answer;
        };
    }
};

struct AddRow {
    const char* name;
    std::vector<std::string> existingSources; // below tmp
    std::string source;                       // below tmp; empty for an empty field
    bool destination;
    std::deque<bool> answers;
    std::size_t questions;
    bool added;
};

void PrintTo(const AddRow& row, std::ostream* out) {
    *out << row.name;
}

class AddJobCases : public RunsTest, public ::testing::WithParamInterface<AddRow> {};

TEST_P(AddJobCases, AsksOncePerRepeatedSourceAndStopsSilently) {
    const AddRow& c = GetParam();
    for (const std::string& existing : c.existingSources) {
        AddJob(tmp / existing, tmp / "backups");
    }
    const std::string before = ReadFile(store.filePath());
    JobSettings settings;
    settings.source = c.source.empty() ? "" : FolderText(tmp / c.source);
    settings.destination = c.destination ? FolderText(tmp / "backups") : "";
    Asker asker{c.answers, {}};

    std::optional<std::size_t> row = vantorel::AddJob(store, settings, host.now, asker.Function());

    EXPECT_EQ(asker.asked.size(), c.questions);
    EXPECT_EQ(row.has_value(), c.added);
    EXPECT_EQ(store.size(), c.existingSources.size() + (c.added ? 1 : 0));
    if (!c.added) {
        EXPECT_EQ(ReadFile(store.filePath()), before);
        EXPECT_EQ(store.referenceCounter(), std::to_string(c.existingSources.size()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AddJobCases,
    ::testing::Values(AddRow{"EmptyDestination", {}, "docs", false, {}, 0, false},
                      AddRow{"EmptySource", {}, "", true, {}, 0, false},
                      AddRow{"YesThenNo", {"docs", "docs"}, "docs", true, {true, false}, 2, false},
                      AddRow{"NoStopsAtTheFirst", {"docs", "docs"}, "docs", true, {false}, 1, false},
                      AddRow{"YesToEvery", {"docs", "other", "docs"}, "docs", true, {true, true}, 2, true},
                      AddRow{"CaseIsKept", {"Docs"}, "docs", true, {}, 0, true},
                      AddRow{"YesThenEmptyDestination", {"docs"}, "docs", false, {true}, 1, false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(RunsTest, FirstJobAddedGetsReferenceOneAndItsFirstArchiveAtOnce) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    JobSettings settings{FolderText(tmp / "docs"), FolderText(tmp / "backups"), Schedule::FromPositions({4, 0, 0, 20})};
    Asker asker;

    std::optional<std::size_t> row = vantorel::AddJob(store, settings, host.now, asker.Function());
    ASSERT_EQ(row, std::optional<std::size_t>(0));
    EXPECT_EQ(store.referenceCounter(), "1");
    BackupJob stored = Stored(0);
    EXPECT_EQ(stored.reference, "1");
    EXPECT_EQ(stored.lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(stored.nextRun, "08/12/2026 21:00:00");
    EXPECT_EQ(stored.designation, BuildDesignation(settings.source, settings.destination, {"4", "0", "0", "20"}));

    // The window selects the new row and gives it its first run.
    host.now = At(2026, 12, 7, 14, 6);
    runner.RunNewJob(*row);
    EXPECT_TRUE(fs::exists(tmp / "backups" / "Vantorel" / "save_1_1.zip"));
    EXPECT_EQ(Stored(0).lastRun, "07/12/2026 14:06:00");
}

TEST_F(RunsTest, EditRebasesOnTheLastRunAndAsksOnlyAboutOtherRows) {
    AddJob(tmp / "shared", tmp / "backups");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups", "0", "01/12/2026 11:00:00", "01/12/2026 10:00:00");
    JobSettings weekly = SettingsOfJob(store.at(row));
    weekly.schedule = Schedule::FromPositions({.frequency = 5, .weekday = 4, .day = 0, .hour = 10}); // Fridays, 11h00
    Asker asker;

    // Its own source is never a repeat: no question.
    ASSERT_TRUE(ValidateEdit(store, row, weekly, asker.Function()));
    EXPECT_TRUE(asker.asked.empty());
    BackupJob stored = Stored(row);
    EXPECT_EQ(stored.nextRun, "04/12/2026 11:00:00") << "Tuesday's last run, next Friday";
    EXPECT_EQ(stored.lastRun, "01/12/2026 10:00:00");
    EXPECT_EQ(stored.reference, "2");
    EXPECT_EQ(stored.schedule.weekday, "4");

    // Taking the other job's source asks once; a no saves nothing.
    weekly.source = store.at(0).source;
    const std::string before = ReadFile(store.filePath());
    EXPECT_FALSE(ValidateEdit(store, row, weekly, asker.Function()));
    EXPECT_EQ(asker.asked.size(), 1u);
    EXPECT_EQ(ReadFile(store.filePath()), before);
    asker.answers = {true};
    EXPECT_TRUE(ValidateEdit(store, row, weekly, asker.Function()));
    EXPECT_EQ(Stored(row).source, store.at(0).source);
}

TEST_F(RunsTest, EditOfAJobWithoutALastRunSavesNothing) {
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups", "0", "01/12/2026 11:00:00", "");
    const std::string before = ReadFile(store.filePath());
    Asker asker;
    try {
        ValidateEdit(store, row, SettingsOfJob(store.at(row)), asker.Function());
        FAIL() << "an empty last run was accepted";
    } catch (const JobError& e) {
        EXPECT_EQ(e.kind(), JobFailure::NotADateTime);
        EXPECT_EQ(e.subject(), "");
    }
    EXPECT_EQ(ReadFile(store.filePath()), before);
}

TEST_F(RunsTest, OpeningAnEditWithAStoredTextThatIsNoIntegerFails) {
    BackupJob job;
    job.schedule.code = "4";
    job.schedule.weekday = "0";
    job.schedule.day = "x1";
    job.schedule.hour = "20";
    try {
        SettingsOfJob(job);
        FAIL() << "x1 read as a list position";
    } catch (const JobError& e) {
        EXPECT_EQ(e.kind(), JobFailure::NotAnInteger);
        EXPECT_EQ(e.subject(), "x1");
    }
}

TEST_F(RunsTest, DeletingTheMiddleJobRenumbersSectionsButNotArchives) {
    for (const char* name : {"one", "two", "three"}) {
        WriteFile(tmp / name / "f.txt", name);
        AddJob(tmp / name, tmp / "backups");
    }
    runner.RunAll();
    runner.RunAll();
    WriteFile(tmp / "backups" / "Vantorel" / "notes.txt", "the user's own file");
    Asker asker{{true}, {}};

    ASSERT_TRUE(DeleteJob(store, 1, asker.Function()));

    EXPECT_EQ(asker.asked, std::vector<Question>{Question::DeleteJob});
    ASSERT_EQ(StoredCount(), 2u);
    EXPECT_EQ(Stored(0).reference, "1");
    EXPECT_EQ(Stored(1).reference, "3");
    EXPECT_EQ(Stored(1).source, FolderText(tmp / "three"));
    EXPECT_EQ(FileNames(tmp / "backups" / "Vantorel"),
              (std::set<std::string>{"notes.txt", "save_1_1.zip", "save_1_2.zip", "save_3_1.zip", "save_3_2.zip"}));
    // The job behind it still runs into its own archives.
    runner.RunSelected(1);
    EXPECT_TRUE(runner.errorList().empty());
}

TEST_F(RunsTest, DeletingTheOnlyJobLeavesOnlyTheSafetyCopy) {
    WriteFile(tmp / "docs" / "a.txt", "a");
    const std::size_t row = AddJob(tmp / "docs", tmp / "backups");
    runner.RunSelected(row);
    const std::string list = ReadFile(store.filePath());
    fs::path safety = store.filePath();
    safety += ".sav";

    Asker no;
    EXPECT_FALSE(DeleteJob(store, row, no.Function()));
    EXPECT_FALSE(fs::exists(safety));
    EXPECT_EQ(store.size(), 1u);

    Asker yes{{true}, {}};
    ASSERT_TRUE(DeleteJob(store, row, yes.Function()));
    EXPECT_FALSE(fs::exists(store.filePath()));
    EXPECT_EQ(ReadFile(safety), list);
    EXPECT_TRUE(FileNames(tmp / "backups" / "Vantorel").empty());
    EXPECT_EQ(FileNames(tmp / "docs"), std::set<std::string>{"a.txt"});
}

// A folder below `base` whose path is exactly `length` bytes long, made of
// names a file system takes.
fs::path FolderOfLength(const fs::path& base, std::size_t length) {
    const std::size_t rest = length - base.string().size();
    const std::size_t parts = (rest + 200) / 201; // "/" and at most 200 letters each
    fs::path folder = base;
    for (std::size_t i = 0; i < parts; ++i) {
        folder /= std::string(rest / parts - 1 + (i < rest % parts ? 1 : 0), 'p');
    }
    fs::create_directories(folder);
    return folder;
}

// A path cut at the read limit names another folder: the job fails instead
// of backing that folder up, writing into it or restoring into it.
TEST_F(RunsTest, AJobWhosePathIsCutAtTheReadLimitNeverUsesIt) {
    const fs::path cutSource = FolderOfLength(tmp / "elsewhere", kMaxProfileValue);
    WriteFile(cutSource / "other.txt", "not this job's");
    WriteFile(tmp / "docs" / "a.txt", "a");
    AddJob(tmp / "docs", tmp / "backups");
    runner.RunAll();
    const std::string archive = ReadFile(ArchiveOf(0, 1));

    // By hand: the source becomes 10,000 characters whose first 2,047 name
    // that other folder, and a second job gets a 2,287-character destination.
    const std::string longSource = cutSource.string() + "/" + std::string(7952, 'z') + "/";
    const fs::path farDestination = tmp / "far";
    const std::string longDestination = FolderOfLength(farDestination, 2286).string() + "/";
    fs::remove_all(farDestination);
    std::string list = ReadFile(store.filePath());
    list.replace(list.find(FolderText(tmp / "docs")), FolderText(tmp / "docs").size(), longSource);
    list += "[1]\nEdSource=" + FolderText(tmp / "docs") + "\nEdDestination=" + longDestination +
            "\nCbDelaiSave=0\nReference=2\n";
    WriteFile(store.filePath(), list);
    store.LoadJobList();
    ASSERT_EQ(store.size(), 2u);

    runner.RunAll();
    ASSERT_EQ(runner.errorList().size(), 2u);
    EXPECT_EQ(ReadFile(ArchiveOf(0, 1)), archive);
    EXPECT_FALSE(fs::exists(ArchiveOf(0, 2)));
    EXPECT_FALSE(fs::exists(farDestination)) << "no folder made from the cut destination";

    host.answers = {true};
    runner.Restore(0);
    EXPECT_EQ(FileNames(cutSource), std::set<std::string>{"other.txt"});

    // Deleting it leaves the archives of the cut destination's folder alone.
    fs::create_directories(ArchiveFolderOf(1));
    WriteFile(ArchiveOf(1, 1), "another list's archive");
    Asker yes{{true}, {}};
    ASSERT_TRUE(DeleteJob(store, 1, yes.Function()));
    EXPECT_TRUE(fs::exists(ArchivePath(longDestination.substr(0, kMaxProfileValue), "2", 1)));
}

// Adding or editing never stores a path that would be read back cut, nor the
// cut text of one (which the edit window and the destination field show).
TEST_F(RunsTest, PathsThatCannotBeReadBackWholeAreRefusedBeforeAnyQuestion) {
    AddJob(tmp / "docs", tmp / "backups");
    const std::string tooLong = "/" + std::string(kMaxProfileValue - 2, 'x') + "/";
    std::string list = ReadFile(store.filePath());
    // Cut before its "é", one byte short of the limit: only the read can tell.
    list += "[1]\nEdSource=" + FolderText(tmp / "docs") + "\nEdDestination=/" + std::string(2045, 'd') +
            "é/\nCbDelaiSave=0\nReference=2\nCbDerniereDateMaj=01/12/2026\n";
    WriteFile(store.filePath(), list);
    store.LoadJobList();
    ASSERT_EQ(store.size(), 2u);
    const std::string before = ReadFile(store.filePath());
    const JobSettings docs = SettingsOfJob(store.at(0));
    const JobSettings cut = SettingsOfJob(store.at(1));

    const JobSettings refused[] = {
        {tooLong, docs.destination, docs.schedule},
        {docs.source, tooLong, docs.schedule},
        cut, // unchanged: the cut destination
    };
    for (const JobSettings& settings : refused) {
        const std::string& path = IsOverlongPath(settings.source) ? settings.source : settings.destination;
        Asker asker{{true, true}, {}};
        for (std::size_t row : {0u, 1u}) {
            try {
                ValidateEdit(store, row, settings, asker.Function());
                ADD_FAILURE() << "edit of row " << row << " accepted a path of " << path.size();
            } catch (const JobError& e) {
                EXPECT_EQ(e.kind(), JobFailure::PathTooLong);
                EXPECT_EQ(e.subject(), path);
            }
        }
        EXPECT_THROW(vantorel::AddJob(store, settings, host.now, asker.Function()), Error);
        EXPECT_TRUE(asker.asked.empty());
    }
    EXPECT_EQ(store.size(), 2u);
    EXPECT_EQ(ReadFile(store.filePath()), before);

    // One byte shorter is a path like any other; an edit gives the job whole paths again.
    Asker yes{{true}, {}};
    ASSERT_TRUE(ValidateEdit(store, 1, {tooLong.substr(1), docs.destination, docs.schedule}, yes.Function()));
    EXPECT_FALSE(store.at(1).HasOverlongPath());
}

TEST(ArchivePaths, FolderAndNamesBelowTheDestination) {
    const std::pair<const char*, const char*> folders[] = {
        {"/mnt/backups/", "/mnt/backups/Vantorel/"},
        {"/mnt/backups", "/mnt/backups/Vantorel/"}, // hand-edited, without its final separator
        {"/", "/Vantorel/"},
    };
    for (const auto& [destination, folder] : folders) {
        EXPECT_EQ(ArchiveFolder(destination), fs::path(folder)) << destination;
    }
    EXPECT_EQ(ArchivePath("/mnt/b/", "3", 1), fs::path("/mnt/b/Vantorel/save_3_1.zip"));
    EXPECT_EQ(ArchivePath("/mnt/b", "12", 2), fs::path("/mnt/b/Vantorel/save_12_2.zip"));
}

} // namespace
} // namespace vantorel::test

#include "jobs/job_error.h"
#include "jobs/job_store.h"

#include "tests/support/new_job.h"
#include "tests/support/refused_write.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using test::EntriesIn;
using test::ExpectWriteRefused;
using test::InstallTestData;
using test::ReadFile;
using test::ReadTestData;
using test::TempDir;

constexpr const char* kDailyLine = "Sauvegarder (C:\\Mes documents\\) sur (E:\\Sauvegardes\\) tous les jours à 21h00";

// A settings folder and the job list kept in it.
class JobStoreWrite : public ::testing::Test {
protected:
    // Loads the list from a copy of the test data file `fixture`.
    void LoadFrom(const char* fixture) {
        InstallTestData(fixture, store.filePath());
        store.LoadJobList();
    }

    TempDir dir;
    JobStore store{dir.path()};
};

// A job whose schedule and run times play no part.
BackupJob Job(const std::string& source, const std::string& destination = "/dest/") {
    return test::NewJob("x", source, destination, {"0", "0", "0", "0"}, "", "");
}

// Adds the daily job and the weekly job of the documented example.
void AddTwoJobs(JobStore& store) {
    EXPECT_EQ(store.AppendJob(test::NewJob(kDailyLine, "C:\\Mes documents\\", "E:\\Sauvegardes\\",
                                           {"4", "0", "0", "20"}, "07/12/2026 14:05:33", "08/12/2026 21:00:00")),
              0U);
    EXPECT_EQ(store.AppendJob(test::NewJob("weekly", "D:\\Compta\\", "F:\\Copies\\", {"5", "4", "0", "17"},
                                           "07/12/2026 14:06:00", "11/12/2026 18:00:00")),
              1U);
}

const std::string kTwoJobsFile = "[Reference]\nDerniereRef=2\n"
                                 "[0]\nEdSource=C:\\Mes documents\\\nEdDestination=E:\\Sauvegardes\\\nCbDelaiSave=4\n"
                                 "CbDateMois=0\nCbJoursSemaine=0\nCbHeures=20\nReference=1\n"
                                 "CbDerniereDateMaj=07/12/2026 14:05:33\nCbProchaineDateMaj=08/12/2026 21:00:00\n"
                                 "[1]\nEdSource=D:\\Compta\\\nEdDestination=F:\\Copies\\\nCbDelaiSave=5\n"
                                 "CbDateMois=0\nCbJoursSemaine=4\nCbHeures=17\nReference=2\n"
                                 "CbDerniereDateMaj=07/12/2026 14:06:00\nCbProchaineDateMaj=11/12/2026 18:00:00\n";

TEST_F(JobStoreWrite, AppendTwoAddsWriteTheDocumentedLinesAndLoadBack) {
    store.LoadJobList();
    AddTwoJobs(store);
    EXPECT_EQ(store.referenceCounter(), "2");
    EXPECT_EQ(store.at(0).reference, "1");
    EXPECT_EQ(store.at(1).reference, "2");
    EXPECT_NE(store.at(0).id, store.at(1).id);
    EXPECT_EQ(ReadFile(store.filePath()), kTwoJobsFile);

    JobStore reloaded(dir.path());
    reloaded.LoadJobList();
    ASSERT_EQ(reloaded.size(), 2U);
    EXPECT_EQ(reloaded.at(0).designation, kDailyLine);
    EXPECT_EQ(reloaded.at(1).designation,
              "Sauvegarder (D:\\Compta\\) sur (F:\\Copies\\) toutes les semaines le Vendredi à 18h00");
    EXPECT_EQ(reloaded.referenceCounter(), "2");
}

TEST_F(JobStoreWrite, AppendFillsTheGapAndGoesOnFromTheHighestReference) {
    LoadFrom("liste_gap_in_sections.ini");
    ASSERT_EQ(store.size(), 1U);
    // Section 2's reference 3 is taken although the section does not load.
    EXPECT_EQ(store.AppendJob(Job("/neuf/")), 1U);
    EXPECT_EQ(store.at(1).reference, "4");
    // Section 1 now exists, so section 2 behind it loads again, with its own archives.
    store.LoadJobList();
    ASSERT_EQ(store.size(), 3U);
    EXPECT_EQ(store.at(1).source, "/neuf/");
    EXPECT_EQ(store.at(2).source, "/photos/");
    EXPECT_EQ(store.at(2).reference, "3");
    EXPECT_EQ(store.referenceCounter(), "4");
    EXPECT_EQ(store.AppendJob(Job("/encore/")), 3U);
    EXPECT_EQ(store.at(3).reference, "5");
}

TEST_F(JobStoreWrite, AppendMovesASectionItCouldNotLoadDownInsteadOfWritingOverIt) {
    LoadFrom("liste_unseen_after_unreadable.ini");
    const std::string original = ReadTestData("liste_unseen_after_unreadable.ini");
    ASSERT_EQ(store.size(), 2U);
    EXPECT_EQ(store.AppendJob(Job("/neuf/")), 2U);

    std::string moved = original.substr(original.find("[2]"));
    moved.replace(moved.find("[3]"), 3, "[4]");
    moved.replace(moved.find("[2]"), 3, "[3]");
    const std::string text = ReadFile(store.filePath());
    EXPECT_NE(text.find(moved), std::string::npos) << text;
    store.LoadJobList();
    ASSERT_EQ(store.size(), 3U) << "the unreadable section still ends the list";
    EXPECT_EQ(store.at(2).source, "/neuf/");
    EXPECT_EQ(store.at(2).reference, "5");
}

TEST_F(JobStoreWrite, AppendUnreadableCounterAddsNothing) {
    LoadFrom("liste_counter_not_a_number.ini");
    EXPECT_THROW(store.AppendJob(Job("/a/")), JobError);
    EXPECT_EQ(store.size(), 0U);
    EXPECT_EQ(store.referenceCounter(), "abc");
    EXPECT_EQ(ReadFile(store.filePath()), ReadTestData("liste_counter_not_a_number.ini"));
}

TEST_F(JobStoreWrite, AppendRefusedWriteKeepsTheRowAndTheWritesBeforeIt) {
    AddTwoJobs(store);

    // A read-only file refuses the first write: the row is shown all the same.
    fs::permissions(store.filePath(), fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ExpectWriteRefused(store.filePath(), EACCES, [&] {
        store.AppendJob(test::NewJob("x", "/a/", "/b/", {"0", "0", "0", "0"}, "07/12/2026", "07/12/2026"));
    });
    EXPECT_EQ(store.size(), 3U);
    EXPECT_EQ(store.at(2).reference, "3");
    EXPECT_EQ(ReadFile(store.filePath()), kTwoJobsFile);

    // A destination that no line can hold is refused after the counter and the
    // source were written; those two writes stay.
    fs::permissions(store.filePath(), fs::perms::owner_write, fs::perm_options::add);
    ExpectWriteRefused(store.filePath(), EINVAL, [&] { store.AppendJob(Job("/c/", "/d\n[9]/")); });
    EXPECT_EQ(store.size(), 4U);
    const std::string expected = kTwoJobsFile.substr(0, kTwoJobsFile.find("DerniereRef=")) + "DerniereRef=4\n" +
                                 kTwoJobsFile.substr(kTwoJobsFile.find("[0]")) + "[3]\nEdSource=/c/\n";
    EXPECT_EQ(ReadFile(store.filePath()), expected);
}

TEST_F(JobStoreWrite, UpdateRewritesSevenKeysInPlaceAndKeepsReferenceAndLastRun) {
    AddTwoJobs(store);
    const std::uint64_t id = store.at(0).id;
    store.UpdateJob(0, "edited", "/src/", "/dst/", {"6", "2", "4", "0"}, "05/01/2027 01:00:00");

    const BackupJob& job = store.at(0);
    EXPECT_EQ(job.designation, "edited");
    EXPECT_EQ(job.reference, "1");
    EXPECT_EQ(job.lastRun, "07/12/2026 14:05:33");
    EXPECT_EQ(job.id, id);
    std::string expected = kTwoJobsFile;
    const std::string oldSection = expected.substr(expected.find("[0]"), expected.find("[1]") - expected.find("[0]"));
    expected.replace(expected.find(oldSection), oldSection.size(),
                     "[0]\nEdSource=/src/\nEdDestination=/dst/\nCbDelaiSave=6\nCbDateMois=4\nCbJoursSemaine=2\n"
                     "CbHeures=0\nReference=1\nCbDerniereDateMaj=07/12/2026 14:05:33\n"
                     "CbProchaineDateMaj=05/01/2027 01:00:00\n");
    EXPECT_EQ(ReadFile(store.filePath()), expected);

    fs::permissions(store.filePath(), fs::perms::owner_read);
    ExpectWriteRefused(store.filePath(), EACCES, [&] {
        store.UpdateJob(0, "again", "/x/", "/y/", {"0", "0", "0", "0"}, "");
    });
    EXPECT_EQ(store.at(0).designation, "edited") << "a refused update leaves the row as it was";
    EXPECT_THROW(store.UpdateJob(5, "", "", "", {"", "", "", ""}, ""), std::out_of_range);
}

TEST_F(JobStoreWrite, RecordRunWritesBothRunTimesAndMovesTheRowOnEvenWhenRefused) {
    AddTwoJobs(store);
    store.RecordRun(1, "18/12/2026 18:00:05", "25/12/2026 18:00:00");
    EXPECT_EQ(store.at(1).lastRun, "18/12/2026 18:00:05");
    EXPECT_EQ(store.at(1).nextRun, "25/12/2026 18:00:00");
    std::string expected = kTwoJobsFile;
    expected.replace(expected.rfind("07/12/2026 14:06:00"), 19, "18/12/2026 18:00:05");
    expected.replace(expected.rfind("11/12/2026 18:00:00"), 19, "25/12/2026 18:00:00");
    EXPECT_EQ(ReadFile(store.filePath()), expected);

    fs::permissions(store.filePath(), fs::perms::owner_read);
    ExpectWriteRefused(store.filePath(), EACCES, [&] { store.RecordRun(1, "x", "y"); });
    EXPECT_EQ(store.at(1).nextRun, "y") << "a job whose schedule cannot be saved would run at every pass";
}

TEST_F(JobStoreWrite, RewriteReplacesTheFileBehindASafetyCopy) {
    AddTwoJobs(store);
    store.AppendJob(
        test::NewJob("third", "/trois/", "/dest/", {"0", "0", "0", "0"}, "07/12/2026", "07/12/2026 01:00:00"));
    const std::string before = ReadFile(store.filePath());
    const std::uint64_t thirdId = store.at(2).id;

    store.RemoveRow(0);
    EXPECT_EQ(store.RowOf(thirdId), 1U);
    store.RewriteJobList();
    EXPECT_EQ(ReadFile(dir / "ListeSave.ini.sav"), before);
    // No Reference section: the next add writes it again.
    EXPECT_EQ(ReadFile(store.filePath()),
              "[0]\nEdSource=D:\\Compta\\\nEdDestination=F:\\Copies\\\nCbDelaiSave=5\nCbDateMois=0\n"
              "CbJoursSemaine=4\nCbHeures=17\nReference=2\nCbDerniereDateMaj=07/12/2026 14:06:00\n"
              "CbProchaineDateMaj=11/12/2026 18:00:00\n"
              "[1]\nEdSource=/trois/\nEdDestination=/dest/\nCbDelaiSave=0\nCbDateMois=0\nCbJoursSemaine=0\n"
              "CbHeures=0\nReference=3\nCbDerniereDateMaj=07/12/2026\nCbProchaineDateMaj=07/12/2026 01:00:00\n");
    EXPECT_EQ(store.referenceCounter(), "3");
    EXPECT_EQ(store.AppendJob(test::NewJob("fourth", "/quatre/", "/dest/", {"0", "0", "0", "0"}, "", "")), 2U);
    EXPECT_EQ(store.at(2).reference, "4");
    EXPECT_EQ(ReadFile(store.filePath()).substr(ReadFile(store.filePath()).find("[Reference]")),
              "[Reference]\nDerniereRef=4\n[2]\nEdSource=/quatre/\nEdDestination=/dest/\nCbDelaiSave=0\n"
              "CbDateMois=0\nCbJoursSemaine=0\nCbHeures=0\nReference=4\nCbDerniereDateMaj=\nCbProchaineDateMaj=\n");

    // After a restart the counter is the highest remaining reference.
    store.RemoveRow(2);
    store.RewriteJobList();
    JobStore restarted(dir.path());
    restarted.LoadJobList();
    EXPECT_EQ(restarted.size(), 2U);
    EXPECT_EQ(restarted.referenceCounter(), "3");
}

TEST_F(JobStoreWrite, RewriteLastJobGoneLeavesNoFileButTheSafetyCopy) {
    store.AppendJob(
        test::NewJob("only", "/seul/", "/dest/", {"4", "0", "0", "3"}, "07/12/2026", "08/12/2026 04:00:00"));
    const std::string before = ReadFile(store.filePath());
    store.RemoveRow(0);
    store.RewriteJobList();
    EXPECT_FALSE(fs::exists(store.filePath()));
    EXPECT_EQ(ReadFile(dir / "ListeSave.ini.sav"), before);
    EXPECT_EQ(EntriesIn(dir.path()), 1U);
    store.RewriteJobList(); // nothing to delete any more: still silent
    EXPECT_FALSE(fs::exists(store.filePath()));
}

// Sections behind the end of the list are not shown, but they are jobs: a
// delete keeps them, word for word, behind the end.
TEST_F(JobStoreWrite, RewriteKeepsTheSectionsTheListNeverLoaded) {
    LoadFrom("liste_unseen_after_unreadable.ini");
    const std::string original = ReadTestData("liste_unseen_after_unreadable.ini");
    const std::string unseen = original.substr(original.find("[2]"));
    ASSERT_EQ(store.size(), 2U);

    store.RemoveRow(0);
    store.RewriteJobList();
    std::string renumbered = unseen;
    renumbered.replace(renumbered.find("[3]"), 3, "[2]");
    renumbered.replace(renumbered.find("[2]"), 3, "[1]");
    EXPECT_EQ(ReadFile(store.filePath()),
              "[0]\nEdSource=/b/\nEdDestination=/sauvegardes/\nCbDelaiSave=0\nCbDateMois=0\nCbJoursSemaine=0\n"
              "CbHeures=0\nReference=2\nCbDerniereDateMaj=07/12/2026 14:05:33\n"
              "CbProchaineDateMaj=08/12/2026 21:00:00\n" +
                  renumbered);
    store.LoadJobList();
    ASSERT_EQ(store.size(), 1U) << "still behind the unreadable section";

    // The last job shown goes; the file stays, with the others.
    store.RemoveRow(0);
    store.RewriteJobList();
    renumbered.replace(renumbered.find("[2]"), 3, "[1]");
    renumbered.replace(renumbered.find("[1]"), 3, "[0]");
    EXPECT_EQ(ReadFile(store.filePath()), renumbered);
    store.LoadJobList();
    EXPECT_EQ(store.size(), 0U);
    EXPECT_EQ(store.referenceCounter(), "4");

    // Behind a gap, likewise: the gap stays, so the job stays unseen until an add fills it.
    LoadFrom("liste_gap_in_sections.ini");
    store.RemoveRow(0);
    store.RewriteJobList();
    const std::string gap = ReadTestData("liste_gap_in_sections.ini");
    EXPECT_EQ(ReadFile(store.filePath()), "[1]" + gap.substr(gap.find("[2]") + 3));
    store.LoadJobList();
    EXPECT_EQ(store.size(), 0U);
    store.AppendJob(Job("/neuf/"));
    store.LoadJobList();
    ASSERT_EQ(store.size(), 2U);
    EXPECT_EQ(store.at(1).source, "/photos/");
    EXPECT_EQ(store.at(1).reference, "3");
}

TEST_F(JobStoreWrite, RewriteFailureLeavesTheOldListInPlace) {
    AddTwoJobs(store);
    // A source that no line can hold: the add is refused after DerniereRef,
    // and the row stays in memory where no new file can store it.
    ExpectWriteRefused(store.filePath(), EINVAL, [&] { store.AppendJob(Job("/a\n[0]/")); });
    const std::string before = ReadFile(store.filePath());
    store.RemoveRow(0);
    EXPECT_NO_THROW(store.RewriteJobList());
    EXPECT_EQ(ReadFile(store.filePath()), before);
    EXPECT_FALSE(fs::exists(dir / "ListeSave.ini.sav")) << "the copy put back is removed";

    // A read-only file is not replaced either, and the call stays silent.
    store.RemoveRow(1);
    fs::permissions(store.filePath(), fs::perms::owner_read);
    EXPECT_NO_THROW(store.RewriteJobList());
    EXPECT_EQ(ReadFile(store.filePath()), before);
    EXPECT_EQ(EntriesIn(dir.path()), 2U) << "file and copy";
}

} // namespace
} // namespace vantorel

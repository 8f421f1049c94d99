// Restoring a job's newest archive into its source folder.

#include "tests/core/runs/runs_fixture.h"

namespace vantorel::test {
namespace {

class RestoreTest : public RunsTest {
protected:
    // A job that ran twice: "old.txt" only in its previous archive, the
    // files below in its newest.
    std::size_t JobWithTwoGenerations() {
        WriteFile(source / "old.txt", "only in the previous archive");
        const std::size_t row = AddJob(source, tmp / "backups");
        runner.RunSelected(row);
        fs::remove(source / "old.txt");
        WriteFile(source / "a.txt", "archived a");
        WriteFile(source / "sub" / "deeper" / "b.txt", "archived b");
        runner.RunSelected(row);
        host.log.clear();
        return row;
    }

    const fs::path source = tmp / "docs";
};

TEST_F(RestoreTest, RecreatesADeletedSourceFromTheNewestArchiveOnly) {
    const std::size_t row = JobWithTwoGenerations();
    const std::string list = ReadFile(store.filePath());
    fs::remove_all(tmp / "docs");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_EQ(host.questions, std::vector<Question>{Question::RestoreJob});
    EXPECT_EQ(ReadFile(source / "a.txt"), "archived a");
    EXPECT_EQ(ReadFile(source / "sub" / "deeper" / "b.txt"), "archived b");
    EXPECT_FALSE(fs::exists(source / "old.txt")) << "the previous archive is never restored";
    EXPECT_EQ(host.log, (std::vector<std::string>{"show", "events", "step", "hide", "events"}));
    EXPECT_EQ(ReadFile(store.filePath()), list) << "a restore changes no job data";
}

TEST_F(RestoreTest, OverwritesChangedFilesKeepsExtraOnesAndTheErrorList) {
    const std::size_t row = JobWithTwoGenerations();
    AddJob(tmp / "gone", tmp / "backups");
    runner.RunAll();
    ASSERT_EQ(runner.errorList().size(), 1u);
    WriteFile(source / "a.txt", "changed since");
    WriteFile(source / "extra.txt", "made after the run");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_EQ(ReadFile(source / "a.txt"), "archived a");
    EXPECT_EQ(ReadFile(source / "extra.txt"), "made after the run");
    EXPECT_EQ(runner.errorList().size(), 1u) << "a restore is no pass";
}

TEST_F(RestoreTest, NoAnswerOrNoSelectionChangesNothing) {
    const std::size_t row = JobWithTwoGenerations();
    WriteFile(source / "a.txt", "changed since");

    runner.Restore(std::nullopt);
    EXPECT_TRUE(host.questions.empty());
    runner.Restore(row); // the scripted host answers no

    EXPECT_EQ(host.questions.size(), 1u);
    EXPECT_EQ(ReadFile(source / "a.txt"), "changed since");
    EXPECT_TRUE(host.log.empty());
}

TEST_F(RestoreTest, JobThatNeverRanLeavesNothingBehind) {
    const std::size_t row = AddJob(tmp / "never", tmp / "backups");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_TRUE(FileNames(ArchiveFolderOf(row)).empty());
    EXPECT_TRUE(FileNames(tmp / "never").empty());
    EXPECT_FALSE(host.processingVisible);
}

} // namespace
} // namespace vantorel::test

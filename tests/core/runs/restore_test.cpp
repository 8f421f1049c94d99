// Restoring a job's newest archive into its source folder.

#include "tests/core/runs/runs_fixture.h"

#include <algorithm>
#include <cerrno>

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
    EXPECT_EQ(host.log, (std::vector<std::string>{"show", "step", "hide"}));
    EXPECT_EQ(ReadFile(store.filePath()), list) << "a restore changes no job data";
}

TEST_F(RestoreTest, OverwritesChangedFilesKeepsExtraOnesAndTheErrorList) {
    const std::size_t row = JobWithTwoGenerations();
    AddJob(tmp / "gone", tmp / "backups");
    runner.RunAll();
    ASSERT_EQ(runner.errorList().size(), 1u);
    WriteFile(source / "a.txt", "changed since");
    fs::permissions(source / "a.txt", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    WriteFile(source / "extra.txt", "made after the run");
    // What a restore killed midway left.
    const std::string leftover = ".vantorel-0123456789abcdef.tmp";
    WriteFile(source / leftover, "part");
    WriteFile(source / "sub" / "deeper" / leftover, "part");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_EQ(ReadFile(source / "a.txt"), "archived a");
    EXPECT_EQ(fs::status(source / "a.txt").permissions(),
              fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec)
        << "a restored script lost its execute bit";
    EXPECT_EQ(ReadFile(source / "extra.txt"), "made after the run");
    EXPECT_FALSE(fs::exists(source / leftover));
    EXPECT_FALSE(fs::exists(source / "sub" / "deeper" / leftover));
    EXPECT_EQ(runner.errorList().size(), 1u) << "a restore is no pass";
    EXPECT_EQ(host.Count("restore problems"), 0) << "a clean restore stays silent";
}

// Spoils the CRC-32 that the central directory gives for `name`.
void SpoilCrc(const fs::path& archive, const std::string& name) {
    std::string bytes = ReadFile(archive);
    for (std::size_t at = bytes.find("PK\x01\x02"); at != std::string::npos; at = bytes.find("PK\x01\x02", at + 4)) {
        if (bytes.compare(at + 46, name.size(), name) == 0) {
            bytes[at + 16] = static_cast<char>(bytes[at + 16] ^ 0x5A);
        }
    }
    WriteFile(archive, bytes);
}

TEST_F(RestoreTest, DamagedEntriesNeverReplaceAFileAndAreReported) {
    const std::size_t row = JobWithTwoGenerations();
    SpoilCrc(ArchiveOf(row, 1), "a.txt");
    SpoilCrc(ArchiveOf(row, 1), "sub/deeper/b.txt");
    WriteFile(source / "a.txt", "the good file");
    fs::remove(source / "sub" / "deeper" / "b.txt");
    host.answers = {true};

    runner.Restore(row);

    EXPECT_EQ(ReadFile(source / "a.txt"), "the good file");
    EXPECT_EQ(ReadFile(source / "sub" / "deeper" / "b.txt"), "archived b") << "a damaged file beats none";
    ASSERT_EQ(host.restoreProblems.size(), 1u);
    EXPECT_EQ(host.restoreProblems[0].count, 2u);
    std::vector<std::string> names = host.restoreProblems[0].firstNames;
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub/deeper/b.txt"}));
    EXPECT_EQ(host.log.back(), "restore problems") << "told after the label is gone";
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
    // Nothing restored is said, with the archive that is missing.
    ASSERT_EQ(host.restoreProblems.size(), 1u);
    const FailureCause expected{FailureKind::ArchiveMissing, ArchiveOf(row, 1).string(), SystemText(ENOENT)};
    EXPECT_EQ(host.restoreProblems[0].archive, expected);
}

} // namespace
} // namespace vantorel::test

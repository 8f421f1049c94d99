// A destination whose disk or share is absent: the run fails as for a missing
// destination and writes nothing on the disk underneath.

#include "tests/core/runs/runs_fixture.h"

#include "tests/core/runs/test_mounts.h"

namespace vantorel::test {
namespace {

TEST_F(RunsTest, AbsentDestinationDiskFailsAndWritesNothingUnderneath) {
    const fs::path disk = tmp / "disk";
    fs::create_directories(disk);
    std::string why;
    std::optional<TestMount> mounted = TestMount::Tmpfs(disk, 1 << 20, why);
    if (!mounted) {
        GTEST_SKIP() << why;
    }
    const fs::path source = tmp / "docs";
    WriteFile(source / "a.txt", "a");
    const std::size_t row = AddJob(source, disk / "backups");
    runner.RunSelected(row);
    ASSERT_TRUE(runner.errorList().empty());

    // On a disk that is there, a deleted destination folder is made again.
    fs::remove_all(disk / "backups");
    runner.RunSelected(row);
    ASSERT_TRUE(runner.errorList().empty());
    ASSERT_TRUE(fs::exists(ArchiveOf(row, 1)));

    // A share not mounted leaves its mount folder there, empty: a due run is
    // listed and waits for its next time, as for a missing destination.
    mounted->Unmount();
    store.RecordRun(row, "07/12/2026 14:05:33", "01/12/2026 10:00:00");
    host.now = At(2026, 12, 9, 10);
    runner.DuePass();
    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_TRUE(FileNames(disk).empty()) << "written on the disk underneath";
    EXPECT_EQ(Stored(row).nextRun, "09/12/2026 11:00:00");

    // Nor into a folder of the same path left underneath.
    fs::create_directories(ArchiveFolderOf(row));
    runner.RunSelected(row);
    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_TRUE(FileNames(ArchiveFolderOf(row)).empty()) << "written on the disk underneath";

    // An unplugged disk takes its folder under /media with it.
    fs::remove_all(disk);
    runner.RunSelected(row);
    EXPECT_EQ(runner.errorList().size(), 1u);
    EXPECT_FALSE(fs::exists(disk));

    // Moving the job to another disk is editing its destination.
    const BackupJob job = store.at(row);
    store.UpdateJob(row, job.designation, job.source, FolderText(tmp / "other"), job.schedule, job.nextRun);
    runner.RunSelected(row);
    EXPECT_TRUE(runner.errorList().empty());
    EXPECT_TRUE(fs::exists(ArchiveOf(row, 1)));
}

} // namespace
} // namespace vantorel::test

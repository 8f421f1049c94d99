// Whole trees through ZipFolder and back through ExtractArchive, compared in
// one go: every archived file with its bytes, its time (to the 2 seconds of a
// DOS time) and its read-only attribute; nothing else appears, and other zip
// tools accept the archive.

#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"
#include "tests/core/archive/zip_builder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_tools.h"

#include <gtest/gtest.h>
#include <mutex>
#include <sys/stat.h>

namespace vantorel {
namespace {

namespace fs = std::filesystem;
using test::LocalTime;
using test::RandomBytes;
using test::TempDir;
using test::TreeFile;

// What a file looks like on disk, in the terms a round trip must keep.
struct FileState {
    std::string content;
    std::time_t modified = 0;
    bool readOnly = false;

    friend bool operator==(const FileState& a, const FileState& b) {
        // DOS times count even seconds: an odd second comes back one lower.
        return a.content == b.content && a.readOnly == b.readOnly && a.modified <= b.modified &&
               b.modified - a.modified < 2;
    }
};

std::ostream& operator<<(std::ostream& out, const FileState& state) {
    return out << "{" << state.content.size() << " bytes, time " << state.modified
               << (state.readOnly ? ", read-only}" : "}");
}

std::map<std::string, FileState> Snapshot(const fs::path& root) {
    std::map<std::string, FileState> states;
    for (const auto& [path, content] : test::ListTree(root).files) {
        struct stat info {};
        if (stat((root / path).c_str(), &info) != 0) {
            ADD_FAILURE() << "cannot stat " << path;
            continue;
        }
        states[path] = {content, info.st_mtime, (info.st_mode & 0222) == 0};
    }
    return states;
}

std::map<std::string, FileState> Expected(const std::vector<TreeFile>& files) {
    std::map<std::string, FileState> states;
    for (const TreeFile& file : files) {
        states[file.path] = {file.content, file.modified, file.readOnly};
    }
    return states;
}

// Files that come back.
const std::vector<TreeFile> kArchived = {
    {"LISEZMOI", "pas de point", LocalTime(2025, 1, 31, 8, 0, 0)},
    {"été.txt", "accent", LocalTime(2024, 7, 14, 22, 30, 15)}, // odd second, summer time
    {"œuvre – finale.txt", "not in code page 850", LocalTime(2023, 3, 26, 1, 59, 58)},
    {"中文/文件.txt", "chinese", LocalTime(2023, 10, 29, 2, 30, 0)}, // the repeated hour of autumn
    {"Readme.txt", "mixed case", LocalTime(2020, 2, 29, 12, 0, 0)},
    {"README.txt", "upper case", LocalTime(2020, 2, 29, 12, 0, 2)},
    {"ro.txt", "read only", LocalTime(2019, 5, 1, 6, 7, 8), true},
    {"empty", "", LocalTime(1999, 12, 31, 23, 59, 58)},
    {"incompressible.bin", RandomBytes(3 << 20, 7), LocalTime(2026, 12, 7, 14, 5, 32)},
    {"sub/a.txt", std::string(300000, 'a'), LocalTime(2001, 9, 9, 3, 46, 40)},
    {"sub/deeper/still/b.txt", "deep", LocalTime(2010, 9, 5, 10, 0, 0)},
    // Ordinary characters on Linux, a separator and a drive mark on Windows.
    {"a\\b.txt", "backslash", LocalTime(2021, 6, 1, 9, 0, 0)},
    {"x:y.txt", "colon", LocalTime(2021, 6, 1, 9, 0, 2)},
    {"sub/c\\..\\..\\d.txt", "no traversal here", LocalTime(2021, 6, 1, 9, 0, 4)},
    {"été\\à.txt", "accents and a backslash", LocalTime(2021, 6, 1, 9, 0, 6)},
};

TEST(RoundTrip, TreeComesBackWhole) {
    TempDir dir;
    const fs::path source = dir / "source";
    test::MakeTree(source, kArchived); // what the writer leaves out: tree_test.cpp
    ZipFolder(dir / "save_1_1.zip", source);
    EXPECT_TRUE(test::ZipToolsAccept(dir / "save_1_1.zip"));

    const fs::path restored = dir / "restored";
    fs::create_directory(restored);
    const ExtractReport report = ExtractArchive(restored, dir / "save_1_1.zip");

    const std::map<std::string, FileState> expected = Expected(kArchived);
    EXPECT_EQ(Snapshot(restored), expected);
    EXPECT_EQ(report.archiveRejected, std::nullopt);
    EXPECT_EQ(report.extracted, expected.size());
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(report.crcMismatches, 0u);
    EXPECT_TRUE(test::ListTree(restored).others.empty());
}

// Both steps report their progress in bytes of file data, from 0 to at most
// the whole; a stop ends an extraction between two entries.
TEST(RoundTrip, ProgressByBytesAndAStoppedRestore) {
    TempDir dir;
    const fs::path source = dir / "source";
    test::MakeTree(source, kArchived);
    std::uint64_t whole = 0;
    for (const TreeFile& file : kArchived) {
        whole += file.content.size();
    }
    std::mutex mutex;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    ZipOptions options{.threads = 3};
    options.control.progress = [&](std::uint64_t done, std::uint64_t total) {
        const std::lock_guard<std::mutex> lock(mutex);
        reports.emplace_back(done, total);
    };
    ZipFolder(dir / "save_1_1.zip", source, options);
    // The first report comes once the files are listed; some may be done by then.
    ASSERT_GE(reports.size(), 2u);
    for (const auto& [done, total] : reports) {
        EXPECT_EQ(total, whole);
        EXPECT_LE(done, whole);
    }

    std::atomic<bool> stop{false};
    const StepControl control{[&stop](std::uint64_t done, std::uint64_t) { stop = done > 0; }, &stop};
    const fs::path restored = dir / "restored";
    fs::create_directory(restored);
    const ExtractReport report = ExtractArchive(restored, dir / "save_1_1.zip", control);
    EXPECT_TRUE(report.stopped);
    EXPECT_GE(report.extracted, 1u);
    EXPECT_LT(report.extracted, kArchived.size());
}

// A restore over the source folder puts every archived file back as it was,
// whatever happened to it since, and leaves files the archive lacks alone.
TEST(RoundTrip, RestoreOverChangedSource) {
    TempDir dir;
    const fs::path source = dir / "source";
    test::MakeTree(source, kArchived);
    ZipFolder(dir / "save_1_1.zip", source);

    test::WriteFile(source / "sub" / "a.txt", "changed since");
    fs::remove_all(source / "sub" / "deeper");
    fs::remove(source / "été.txt");
    test::WriteFile(source / "new since.txt", "kept");
    const ExtractReport report = ExtractArchive(source, dir / "save_1_1.zip");

    std::map<std::string, FileState> expected = Expected(kArchived);
    const std::map<std::string, FileState> after = Snapshot(source);
    ASSERT_TRUE(after.count("new since.txt"));
    EXPECT_EQ(after.at("new since.txt").content, "kept");
    std::map<std::string, FileState> archivedOnly = after;
    archivedOnly.erase("new since.txt");
    // The read-only file stays as it is: it was never changed.
    EXPECT_EQ(archivedOnly, expected);
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_EQ(report.skipped[0].name, "ro.txt");
    EXPECT_EQ(report.skipped[0].reason, SkipReason::CannotCreate);
}

} // namespace
} // namespace vantorel

// Whole round trips: a tree through ZipFolder and back through
// ExtractArchive gives the same files, contents, times (to 2 s) and
// read-only bits.

#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_tools.h"

#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

struct Restored {
    std::string content;
    std::time_t modified;
    bool writable;
    friend bool operator==(const Restored&, const Restored&) = default;
};

bool IsHidden(const fs::path& name) {
    return name.string().front() == '.';
}

// Every regular file under root (links followed), by relative path.
std::map<std::string, Restored> Snapshot(const fs::path& root) {
    std::map<std::string, Restored> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        struct stat info {};
        if (IsHidden(it->path().filename()) || stat(it->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            if (IsHidden(it->path().filename()) && it->is_directory()) {
                it.disable_recursion_pending();
            }
            continue;
        }
        // DOS times have a 2-second grid.
        files[it->path().lexically_relative(root).string()] =
            Restored{ReadFile(it->path()), info.st_mtime - info.st_mtime % 2, (info.st_mode & S_IWUSR) != 0};
    }
    return files;
}

TEST(WriterRoundTrip, ARealTreeComesBackWhole) {
    TempDir dir;
    const fs::path source = dir / "source";
    const std::time_t summer = LocalTime(2024, 7, 14, 15, 30, 43);
    const std::time_t winter = LocalTime(2025, 1, 31, 8, 0, 0);
    MakeTree(source, {{"LISEZMOI", "sans point", summer},
                      {"é.txt", "accent", winter},
                      {"œuvre.txt", "ligature", summer},
                      {"a–b.txt", "tiret", winter},
                      {"中文/文件.txt", "chinese", summer},
                      {"Readme.txt", "mixed", winter},
                      {"README.txt", "upper", summer},
                      {"ro.txt", "read only", winter, true},
                      {"empty", "", summer},
                      {"noise.bin", RandomBytes(3 << 20, 5), winter},
                      {"sub/deeper/text.txt", std::string(100000, 't'), summer}});
    fs::create_directories(source / "void");
    ASSERT_EQ(mkfifo((source / "pipe").c_str(), 0644), 0);
    fs::create_symlink("LISEZMOI", source / "link-to-file");
    fs::create_symlink("sub", source / "link-to-dir");
    fs::create_symlink("nowhere", source / "dangling");

    ZipFolder(dir / "save_1_1.zip", source);
    ASSERT_TRUE(ZipToolsAccept(dir / "save_1_1.zip"));
    fs::create_directories(dir / "restored"); // as the restore does before extracting
    const ExtractReport report = ExtractArchive(dir / "restored", dir / "save_1_1.zip");
    EXPECT_EQ(report.archiveRejected, std::nullopt);
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(report.crcMismatches, 0u);

    std::map<std::string, Restored> expected = Snapshot(source);
    ASSERT_EQ(report.extracted, expected.size());
    EXPECT_EQ(Snapshot(dir / "restored"), expected);
    EXPECT_FALSE(fs::exists(dir / "restored" / "void")); // folders leave no entry
}

} // namespace
} // namespace vantorel::test

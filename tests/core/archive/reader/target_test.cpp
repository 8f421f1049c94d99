// What extraction does to the target folder: files replaced whole, read-only
// files and links left alone, and never a byte outside the target (the round
// trip tests check times, attributes and folders made level by level).

#include "archive/reader/extract_archive.h"
#include "tests/core/archive/zip_builder.h"
#include "tests/support/temp_dir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

namespace vantorel {
namespace {

using test::TempDir;
using test::ZipEntryPlan;

ZipEntryPlan Entry(std::string name, std::string content) {
    ZipEntryPlan entry;
    entry.name = std::move(name);
    entry.content = std::move(content);
    return entry;
}

std::filesystem::path WriteArchive(const TempDir& dir, std::vector<ZipEntryPlan> entries) {
    test::ZipPlan plan;
    plan.entries = std::move(entries);
    test::WriteBytes(dir / "a.zip", test::BuildZip(plan));
    return dir / "a.zip";
}

std::vector<SkipReason> Reasons(const ExtractReport& report) {
    std::vector<SkipReason> reasons;
    for (const SkippedEntry& entry : report.skipped) {
        reasons.push_back(entry.reason);
    }
    return reasons;
}

// A write refused halfway (here the file-size limit, EFBIG) skips the entry,
// leaves no partial or temporary file, and keeps the file that was there.
TEST(ExtractTarget, RefusedWriteKeepsTheOldFile) {
    TempDir dir;
    const auto target = dir / "target";
    test::WriteFile(target / "big.bin", "the good old file");
    // Decoded whole, and streamed while another thread writes.
    const auto archive = WriteArchive(dir, {Entry("big.bin", std::string(200000, 'b')),
                                            Entry("huge.bin", std::string(5 << 20, 'h')), Entry("small.txt", "s")});
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        const ExtractReport report =
            setrlimit(RLIMIT_FSIZE, &limit) == 0 ? ExtractArchive(target, archive) : ExtractReport{};
        const bool expected = report.extracted == 1 && report.skipped.size() == 2 &&
                              report.skipped[0].reason == SkipReason::WriteFailed &&
                              report.skipped[1].reason == SkipReason::WriteFailed;
        _exit(expected ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(test::ListTree(target).files,
              (std::map<std::string, std::string>{{"big.bin", "the good old file"}, {"small.txt", "s"}}));
}

// A read-only file stays as it is (root ignores the permission bits, so the
// program must look at them itself); a folder or a file in the way of the
// entry only skips that entry.
TEST(ExtractTarget, LeavesReadOnlyFilesAndObstaclesAlone) {
    TempDir dir;
    const auto target = dir / "target";
    test::WriteFile(target / "locked.txt", "keep me");
    std::filesystem::permissions(target / "locked.txt", std::filesystem::perms::owner_read);
    std::filesystem::create_directories(target / "folder.txt");
    test::WriteFile(target / "file", "a file where a folder should be");
    const ExtractReport report =
        ExtractArchive(target, WriteArchive(dir, {Entry("locked.txt", "new"), Entry("folder.txt", "x"),
                                                  Entry("file/inner.txt", "x"), Entry("fine.txt", "fine")}));
    EXPECT_EQ(Reasons(report),
              (std::vector{SkipReason::CannotCreate, SkipReason::CannotCreate, SkipReason::CannotCreate}));
    EXPECT_EQ(test::ReadFile(target / "locked.txt"), "keep me");
    EXPECT_TRUE(std::filesystem::is_directory(target / "folder.txt"));
    EXPECT_EQ(test::ReadFile(target / "file"), "a file where a folder should be");
    EXPECT_EQ(test::ReadFile(target / "fine.txt"), "fine");
}

// Nothing is written outside the target: names that climb out or are
// absolute are refused, links already in the target are never followed (an
// entry below one is refused), and an entry at a link's own path replaces
// the link, not the file it points at.
TEST(ExtractTarget, NeverWritesOutsideTheTarget) {
    TempDir dir;
    const auto target = dir / "target";
    test::WriteFile(dir / "outside" / "victim.txt", "keep");
    std::filesystem::create_directories(target / "real");
    std::filesystem::create_directory_symlink(dir / "outside", target / "out");
    std::filesystem::create_directory_symlink("../../outside", target / "real" / "up");
    std::filesystem::create_symlink(dir / "outside" / "victim.txt", target / "victim.txt");
    const ExtractReport report = ExtractArchive(
        target, WriteArchive(dir, {Entry("out/evil.txt", "evil"), Entry("real/up/evil.txt", "evil"),
                                   Entry("out\\evil2.txt", "evil"), Entry("victim.txt", "replaced"),
                                   Entry("../outside/up.txt", "x"), Entry((dir / "outside" / "abs.txt").string(), "x"),
                                   Entry("..\\outside\\back.txt", "x"), Entry("real/../../x.txt", "x")}));
    EXPECT_EQ(Reasons(report), std::vector<SkipReason>(7, SkipReason::UnsafeName));
    EXPECT_EQ(test::ListTree(dir / "outside").files, (std::map<std::string, std::string>{{"victim.txt", "keep"}}));
    EXPECT_FALSE(std::filesystem::exists(dir / "x.txt"));
    EXPECT_FALSE(std::filesystem::is_symlink(target / "victim.txt"));
    EXPECT_EQ(test::ReadFile(target / "victim.txt"), "replaced");
}

// A Unicode path field names the file only when it speaks for the stored
// name; a stale or foreign one leaves the code page 850 name.
TEST(ExtractTarget, UnicodePathFieldNamesTheFileWhenItMatches) {
    const auto field = [](std::string stored, std::uint8_t version, std::string utf8) {
        const auto crc = static_cast<std::uint32_t>(
            crc32(0, reinterpret_cast<const Bytef*>(stored.data()), static_cast<uInt>(stored.size())));
        std::string bytes = "\x75\x70";
        bytes += {static_cast<char>(5 + utf8.size()), '\0', static_cast<char>(version)};
        for (int i = 0; i < 4; ++i) {
            bytes.push_back(static_cast<char>(crc >> (8 * i)));
        }
        return bytes + utf8;
    };
    const struct {
        const char* what;
        std::string extra;
        std::string expected; // the file's name; empty: skipped as unsafe
    } rows[] = {
        {"matching", field("\x82t\x82.txt", 1, "Été.txt"), "Été.txt"},
        {"after another block", std::string("\x0a\x00\x00\x00", 4) + field("\x82t\x82.txt", 1, "Été.txt"), "Été.txt"},
        {"stale after a rename", field("old.txt", 1, "Été.txt"), "été.txt"},
        {"unknown version", field("\x82t\x82.txt", 2, "Été.txt"), "été.txt"},
        {"not UTF-8", field("\x82t\x82.txt", 1, "\xC3t\xC3.txt"), "été.txt"},
        {"too short for its CRC", std::string("\x75\x70\x03\x00\x01\x00\x00", 7), "été.txt"},
        {"unsafe name", field("\x82t\x82.txt", 1, "../\xC3\xA9t\xC3\xA9.txt"), ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        std::filesystem::create_directories(dir / "target");
        ZipEntryPlan entry = Entry("\x82t\x82.txt", "content");
        entry.extra = row.extra;
        const ExtractReport report = ExtractArchive(dir / "target", WriteArchive(dir, {entry}));
        const test::TreeListing tree = test::ListTree(dir / "target");
        if (row.expected.empty()) {
            EXPECT_EQ(report.skipped.size(), 1u);
            EXPECT_TRUE(tree.files.empty());
        } else {
            EXPECT_EQ(tree.files, (std::map<std::string, std::string>{{row.expected, "content"}}));
        }
    }
}

// The archive may lie inside the target and hold an entry of its own name:
// the entry replaces the file, while the extraction goes on reading the
// archive it opened.
TEST(ExtractTarget, ArchiveReplacedByItsOwnEntry) {
    TempDir dir;
    const auto target = dir / "target";
    std::filesystem::create_directory(target);
    test::ZipPlan plan;
    plan.entries = {Entry("Vantorel/save_1_1.zip", "an older archive"), Entry("z/after.txt", std::string(5000, 'z'))};
    std::filesystem::create_directory(target / "Vantorel");
    test::WriteBytes(target / "Vantorel" / "save_1_1.zip", test::BuildZip(plan));
    const ExtractReport report = ExtractArchive(target, target / "Vantorel" / "save_1_1.zip");
    EXPECT_EQ(report.extracted, 2u);
    EXPECT_EQ(test::ReadFile(target / "Vantorel" / "save_1_1.zip"), "an older archive");
    EXPECT_EQ(test::ReadFile(target / "z" / "after.txt"), std::string(5000, 'z'));
}

// Entries are written by several threads; those whose result depends on
// their order still come out as the archive's order makes them. Each pair
// straddles two threads' first takes, where a thread would reach the later
// one first.
TEST(ExtractTarget, EntriesForTheSamePathKeepTheArchiveOrder) {
    TempDir dir;
    std::vector<ZipEntryPlan> entries;
    for (int i = 0; i < 64; ++i) {
        entries.push_back(Entry("filler" + std::to_string(i / 8) + "/" + std::to_string(i), "f"));
    }
    entries[15] = Entry("same.txt", "first");
    entries[16] = Entry("same.txt", "second");
    entries[47] = Entry("node", "a file");
    entries[48] = Entry("node/inside.txt", "needs a folder");
    std::filesystem::create_directory(dir / "t");
    const auto archive = WriteArchive(dir, entries);
    EXPECT_EQ(CountArchiveEntries(archive), entries.size());
    const ExtractReport report = ExtractArchive(dir / "t", archive);
    EXPECT_EQ(test::ReadFile(dir / "t" / "same.txt"), "second");
    EXPECT_EQ(test::ReadFile(dir / "t" / "node"), "a file");
    ASSERT_EQ(report.skipped.size(), 1u);
    EXPECT_EQ(report.skipped[0].name, "node/inside.txt");
}

} // namespace
} // namespace vantorel

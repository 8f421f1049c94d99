// One file's compression, where the size seen at open and the bytes read
// disagree.

#include "archive/archive_error.h"
#include "archive/writer/compress.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

namespace vantorel::archive::writer {
namespace {

TEST(WriterCompress, AFileThatGrowsPastTheLimitWhileReadFailsTheEntry) {
    // Files under /proc report 0 bytes at open and deliver content when read:
    // a real file that is larger when read than when opened.
    test::TempDir dir;
    CompressSettings settings{dir.path(), 1 << 20, 64, nullptr, 1};
    try {
        CompressFile("/proc/self/status", "status", 0, settings);
        FAIL() << "a size past the limit was accepted";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.kind(), ArchiveFailure::TooLarge);
        EXPECT_EQ(error.path(), "/proc/self/status");
    }
    // Under the real limit the same file is archived with the bytes read.
    settings.classicLimit = CompressSettings{}.classicLimit;
    const CompressedEntry entry = CompressFile("/proc/self/status", "status", 0, settings);
    EXPECT_GT(entry.entry.uncompressedSize, 64u);
    EXPECT_FALSE(entry.entry.largeFile);
}

TEST(WriterCompress, TheLargeFileDecisionIsTakenAtOpen) {
    test::TempDir dir;
    test::WriteFile(dir / "f", std::string(2000, 'x'));
    const CompressSettings settings{dir.path(), 1 << 20, 1000, nullptr, 1};
    const CompressedEntry entry = CompressFile(dir / "f", "f", 0, settings);
    EXPECT_TRUE(entry.entry.largeFile);
    EXPECT_EQ(entry.entry.uncompressedSize, 2000u);
    EXPECT_EQ(entry.entry.method, 8);
}

} // namespace
} // namespace vantorel::archive::writer

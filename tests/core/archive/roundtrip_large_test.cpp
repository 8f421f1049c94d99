// Trees past the classic limits, end to end: more than 65,535 files, and a
// file of more than 4 GiB. Both are slow by nature: they build into an
// executable of their own, labelled "large", so that a quick run can leave
// them out (ctest -LE large).

#include "archive/reader/extract_archive.h"
#include "archive/writer/zip_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

constexpr std::uint64_t kFiveGiB = std::uint64_t{5} << 30;

TEST(Zip64Large, LargeSeventyThousandFilesRoundTrip) {
    TempDir dir;
    const fs::path source = dir / "source";
    constexpr int kFolders = 70;
    constexpr int kPerFolder = 1000;
    for (int folder = 0; folder < kFolders; ++folder) {
        const fs::path sub = source / ("d" + std::to_string(folder));
        fs::create_directories(sub);
        for (int file = 0; file < kPerFolder; ++file) {
            const std::string name = "f" + std::to_string(file);
            const std::string content = std::to_string(folder) + "/" + name;
            const int fd = open((sub / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            ASSERT_GE(fd, 0);
            ASSERT_EQ(write(fd, content.data(), content.size()), static_cast<ssize_t>(content.size()));
            close(fd);
        }
    }
    ZipFolder(dir / "many.zip", source);

    const ZipLayout zip = ReadZipLayout(dir / "many.zip");
    ASSERT_EQ(zip.error, "");
    ASSERT_TRUE(zip.zip64.has_value());
    EXPECT_EQ(zip.zip64->entries, 70000u);
    EXPECT_EQ(zip.zip64->entriesOnDisk, 70000u);
    EXPECT_EQ(zip.entries, 0xFFFF);
    EXPECT_EQ(zip.zip64->directoryOffset, zip.directoryOffset); // still below 4 GiB
    EXPECT_EQ(zip.zip64->recordOffset, zip.directoryOffset + zip.directorySize);
    for (const CentralHeaderFields& h : zip.headers) {
        ASSERT_EQ(h.extra, "") << "small entries need no extra field";
        ASSERT_LE(h.versionNeeded, 20);
    }
    EXPECT_TRUE(ZipToolsAccept(dir / "many.zip"));

    fs::create_directories(dir / "restored");
    const ExtractReport report = ExtractArchive(dir / "restored", dir / "many.zip");
    EXPECT_EQ(report.extracted, 70000u);
    EXPECT_TRUE(report.skipped.empty());
    EXPECT_EQ(ReadFile(dir / "restored" / "d69" / "f999"), "69/f999");
    EXPECT_EQ(ReadFile(dir / "restored" / "d0" / "f0"), "0/f0");
}

TEST(Zip64Large, LargeFiveGiBSparseFileRoundTrip) {
    TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source);
    // Mostly holes, with marks around the 4 GiB boundary and at the end, so
    // a reader that wraps a size or offset gets the content wrong.
    const int fd = open((source / "disk.img").c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kFiveGiB)), 0);
    const std::string mark = "vantorel";
    for (const std::uint64_t at : {std::uint64_t{0}, (std::uint64_t{4} << 30) - 4, kFiveGiB - mark.size()}) {
        ASSERT_EQ(pwrite(fd, mark.data(), mark.size(), static_cast<off_t>(at)), static_cast<ssize_t>(mark.size()));
    }
    close(fd);
    WriteFile(source / "small.txt", "after the big one");
    ZipFolder(dir / "big.zip", source);

    const ZipLayout zip = ReadZipLayout(dir / "big.zip");
    ASSERT_EQ(zip.error, "");
    EXPECT_FALSE(zip.zip64.has_value()); // two entries in a few megabytes: the end record fits
    ASSERT_EQ(zip.headers.size(), 2u);
    for (const CentralHeaderFields& h : zip.headers) {
        const bool big = h.name == "disk.img";
        SCOPED_TRACE(h.name);
        EXPECT_EQ(h.versionNeeded, big ? 45 : 10); // the small file is stored
        EXPECT_EQ(h.local.versionNeeded, h.versionNeeded);
        EXPECT_EQ(h.size, big ? kFiveGiB : 17u);
        EXPECT_EQ(h.extra.size(), big ? 20u : 0u);
        EXPECT_EQ(h.local.extra.size(), big ? 20u : 0u);
        EXPECT_EQ(h.local.extra, h.extra);
    }
    EXPECT_TRUE(ZipToolsAccept(dir / "big.zip"));

    fs::create_directories(dir / "restored");
    const ExtractReport report = ExtractArchive(dir / "restored", dir / "big.zip");
    EXPECT_EQ(report.extracted, 2u);
    EXPECT_EQ(report.crcMismatches, 0u);
    EXPECT_EQ(fs::file_size(dir / "restored" / "disk.img"), kFiveGiB);
    const int back = open((dir / "restored" / "disk.img").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(back, 0);
    std::string read(mark.size(), '\0');
    ASSERT_EQ(pread(back, read.data(), read.size(), static_cast<off_t>((std::uint64_t{4} << 30) - 4)),
              static_cast<ssize_t>(read.size()));
    close(back);
    EXPECT_EQ(read, mark);
    EXPECT_EQ(ReadFile(dir / "restored" / "small.txt"), "after the big one");
}

} // namespace
} // namespace vantorel::test

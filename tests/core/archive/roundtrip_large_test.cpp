// Trees past the classic fields' limits through ZipFolder and ExtractArchive:
// more than 65,535 files, and a file of more than 4 GiB. The archives must
// also pass every other reader.

#include "archive/extract_archive.h"
#include "archive/zip_folder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_tools.h"

#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {
namespace {

namespace fs = std::filesystem;

// Many small files are quicker on a memory file system; the tree is the same.
class FastTempDir {
public:
    FastTempDir() {
        std::string pattern = (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()).string() +
                              "/vantorel-test-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary folder");
        }
        path_ = pattern;
    }
    ~FastTempDir() {
        std::error_code ec;
        fs::remove_all(path_, ec); // best effort: a leftover folder harms nothing
    }
    FastTempDir(const FastTempDir&) = delete;
    FastTempDir& operator=(const FastTempDir&) = delete;
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

TEST(RoundTripLarge, MoreThan65535Files) {
    constexpr int kFiles = 70000;
    FastTempDir dir;
    for (int i = 0; i < kFiles; ++i) {
        test::WriteFile(dir / ("source/d" + std::to_string(i / 1000) + "/f" + std::to_string(i)),
                        "file " + std::to_string(i));
    }
    ZipFolder(dir / "save_1_1.zip", dir / "source");
    EXPECT_EQ(CountArchiveEntries(dir / "save_1_1.zip"), std::size_t{kFiles});
    EXPECT_TRUE(test::ZipToolsAccept(dir / "save_1_1.zip"));

    fs::create_directory(dir / "restored");
    const ExtractReport report = ExtractArchive(dir / "restored", dir / "save_1_1.zip");
    EXPECT_EQ(report.extracted, std::size_t{kFiles});
    EXPECT_TRUE(report.skipped.empty());
    int found = 0;
    for (int i = 0; i < kFiles; ++i) {
        found += test::ReadFile(dir / ("restored/d" + std::to_string(i / 1000) + "/f" + std::to_string(i))) ==
                 "file " + std::to_string(i);
    }
    EXPECT_EQ(found, kFiles);
}

// 5 GiB, sparse on the source side, with a few marks so that a wrapped size or
// offset would show. Writes 5 GiB on restore: set VANTOREL_LARGE_TESTS=1.
TEST(RoundTripLarge, FileOf5GiB) {
    if (std::getenv("VANTOREL_LARGE_TESTS") == nullptr) {
        GTEST_SKIP() << "writes 5 GiB: set VANTOREL_LARGE_TESTS=1";
    }
    constexpr std::uint64_t kSize = 5ull << 30;
    const std::vector<std::pair<std::uint64_t, std::string>> marks = {
        {0, "start"}, {(4ull << 30) - 3, "across 4 GiB"}, {kSize - 4, "end!"}};
    test::TempDir dir;
    fs::create_directory(dir / "source");
    test::WriteFile(dir / "source" / "small.txt", "after the big one");
    {
        const int fd = open((dir / "source" / "big.img").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ftruncate(fd, static_cast<off_t>(kSize)), 0);
        for (const auto& [offset, text] : marks) {
            ASSERT_EQ(pwrite(fd, text.data(), text.size(), static_cast<off_t>(offset)),
                      static_cast<ssize_t>(text.size()));
        }
        ASSERT_EQ(close(fd), 0);
    }
    ZipFolder(dir / "save_1_1.zip", dir / "source");
    EXPECT_TRUE(test::ZipToolsAccept(dir / "save_1_1.zip"));

    fs::create_directory(dir / "restored");
    const ExtractReport report = ExtractArchive(dir / "restored", dir / "save_1_1.zip");
    EXPECT_EQ(report.extracted, 2u);
    EXPECT_EQ(report.crcMismatches, 0u);
    EXPECT_EQ(test::ReadFile(dir / "restored" / "small.txt"), "after the big one");
    ASSERT_EQ(fs::file_size(dir / "restored" / "big.img"), kSize);
    const int fd = open((dir / "restored" / "big.img").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (const auto& [offset, text] : marks) {
        std::string read(text.size(), '\0');
        ASSERT_EQ(pread(fd, read.data(), read.size(), static_cast<off_t>(offset)), static_cast<ssize_t>(read.size()));
        EXPECT_EQ(read, text);
    }
    close(fd); // read-only: nothing to flush
}

} // namespace
} // namespace vantorel

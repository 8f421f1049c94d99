// The bytes of an archive that fits the classic 16- and 32-bit fields must
// not change by accident: stored backups and other readers rely on its
// layout (records, fields, order, no 64-bit extension, a Unicode path field
// for each non-ASCII name). The deflate streams inside are the encoder's own
// and are re-recorded (VANTOREL_WRITE_GOLDEN=1) only when the encoder is
// changed on purpose.

#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

// One file per folder, so that the listing order cannot vary.
void MakeGoldenTree(const fs::path& root) {
    std::string text;
    for (int line = 0; line < 200; ++line) {
        text += "Ligne " + std::to_string(line) + " : sauvegarde planifiée\n";
    }
    MakeTree(root, {{"notes é.txt", text, LocalTime(2024, 7, 14, 15, 30, 42)},
                    {"sub/œuvre.bin", RandomBytes(3000, 42), LocalTime(2023, 12, 25, 8, 0, 1)},
                    {"sub/deeper/vide", "", LocalTime(1980, 1, 1, 0, 0, 0)},
                    {"sub/deeper/d/lecture seule.txt", "ne pas modifier", LocalTime(2030, 2, 28, 23, 59, 58), true}});
}

TEST(WriterGolden, ClassicArchivesKeepTheirBytes) {
    TempDir dir;
    MakeGoldenTree(dir / "source");
    ZipFolder(dir / "out.zip", dir / "source");
    const fs::path golden = fs::path(VANTOREL_TEST_DATA) / "writer_golden_small.zip";
    if (std::getenv("VANTOREL_WRITE_GOLDEN") != nullptr) {
        fs::copy_file(dir / "out.zip", golden, fs::copy_options::overwrite_existing);
    }
    ASSERT_TRUE(fs::exists(golden));
    EXPECT_EQ(ReadFile(dir / "out.zip"), ReadFile(golden));
    EXPECT_TRUE(ZipToolsAccept(golden));
}

TEST(WriterThreads, EveryThreadCountGivesTheSameBytes) {
    TempDir dir;
    const fs::path source = dir / "source";
    std::vector<TreeFile> files;
    for (int i = 0; i < 150; ++i) {
        const std::string folder = "f" + std::to_string(i % 7) + "/";
        files.push_back({folder + "small" + std::to_string(i), std::string(static_cast<std::size_t>(i * 37), 'x')});
        files.push_back({folder + "noise" + std::to_string(i), RandomBytes(static_cast<std::size_t>(i * 101), i)});
    }
    // Larger than the memory part of a spill, so the data go through files,
    // than what is kept for a second read, and than the size from which a
    // file is deflated in chunks on several threads.
    files.push_back({"big/noise.bin", RandomBytes(5 << 20, 9)});
    std::string text;
    while (text.size() < (6 << 20) + 12345) {
        text += RandomBytes(64, static_cast<std::uint32_t>(text.size() % 977)) + std::string(200, 'r');
    }
    files.push_back({"big/text.txt", text});
    MakeTree(source, files);

    ZipFolder(dir / "one.zip", source, {.threads = 1});
    const std::string one = ReadFile(dir / "one.zip");
    EXPECT_TRUE(ZipToolsAccept(dir / "one.zip"));
    for (const CentralHeaderFields& h : ReadZipLayout(dir / "one.zip").headers) {
        if (h.name == "big/text.txt") {
            EXPECT_EQ(h.method, 8);
            EXPECT_EQ(ReadEntryData(dir / "one.zip", h), text); // plain zlib reads the chunked stream
        }
    }
    for (std::size_t threads : {2, 7, 0, 32}) {
        const ZipSummary summary = ZipFolder(dir / "many.zip", source, {.threads = threads});
        EXPECT_TRUE(ReadFile(dir / "many.zip") == one) << threads << " threads";
        // However many threads are asked for, the large buffers share one budget.
        EXPECT_GT(summary.memoryHighWater, 0u);
        EXPECT_LE(summary.memoryHighWater, summary.memoryBudget) << threads << " threads";
    }
}

} // namespace
} // namespace vantorel::test

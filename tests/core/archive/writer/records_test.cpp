// The records ZipFolder writes, read back byte by byte by the independent
// reader of tests/support/zip_layout.h and compared with the format's tables.

#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <zlib.h>

namespace vantorel::test {
namespace {

std::uint32_t Crc(const std::string& data) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

TEST(WriterRecords, EmptyTreesGiveTheBareEndRecord) {
    const std::string expected("PK\x05\x06\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0", 22);
    // An empty folder, and one holding only empty folders, hidden files and
    // files inside hidden folders, leave no entry at all.
    for (bool withContent : {false, true}) {
        TempDir dir;
        const auto source = dir / "source";
        std::filesystem::create_directories(source / "a" / "b");
        if (withContent) {
            WriteFile(source / ".hidden", "x");
            WriteFile(source / ".cache" / "visible.txt", "x");
        }
        ZipFolder(dir / "out.zip", source);
        EXPECT_EQ(ReadFile(dir / "out.zip"), expected);
        EXPECT_TRUE(ZipToolsAccept(dir / "out.zip"));
    }
}

TEST(WriterRecords, HeadersMatchTheTables) {
    TempDir dir;
    const auto source = dir / "source";
    const std::time_t when = LocalTime(2024, 7, 14, 15, 30, 43); // odd second: rounds down to 42
    const std::string text(5000, 'a');
    const std::string noise = RandomBytes(3000, 7);
    MakeTree(source, {{"text.txt", text, when},
                      {"sub/noise.bin", noise, when},
                      {"sub/deeper/empty", "", when},
                      {"sub/deeper/ro.txt", "read only", when, true}});
    ZipFolder(dir / "out.zip", source);

    const ZipLayout zip = ReadZipLayout(dir / "out.zip");
    ASSERT_EQ(zip.error, "");
    ASSERT_EQ(zip.headers.size(), 4u);
    const std::uint16_t dosTime = 15 * 2048 + 30 * 32 + 42 / 2;
    const std::uint16_t dosDate = (2024 - 1980) * 512 + 7 * 32 + 14;

    struct Expected {
        std::string name, content;
        std::uint16_t method, versionNeeded;
        std::uint32_t attributes;
    };
    const std::vector<Expected> rows = {
        {"text.txt", text, 8, 20, 0x20},
        {"sub/noise.bin", noise, 0, 10, 0x20},           // incompressible: stored
        {"sub/deeper/empty", "", 0, 10, 0x20},           // 0 bytes: stored
        {"sub/deeper/ro.txt", "read only", 0, 10, 0x21}, // too short to gain from deflate
    };
    // The files of one folder come in listing order, which the test does not know.
    std::uint64_t expectedOffset = 0;
    for (const CentralHeaderFields& h : zip.headers) {
        SCOPED_TRACE(h.name);
        const auto found = std::find_if(rows.begin(), rows.end(), [&](const Expected& r) { return r.name == h.name; });
        ASSERT_NE(found, rows.end());
        const Expected& row = *found;
        EXPECT_EQ(h.versionMadeBy, 20);
        EXPECT_EQ(h.versionNeeded, row.versionNeeded);
        EXPECT_EQ(h.flags, 0);
        EXPECT_EQ(h.method, row.method);
        EXPECT_EQ(h.time, dosTime);
        EXPECT_EQ(h.date, dosDate);
        EXPECT_EQ(h.crc, Crc(row.content));
        EXPECT_EQ(h.uncompressedSize, row.content.size());
        if (row.method == 0) {
            EXPECT_EQ(h.compressedSize, row.content.size());
        } else {
            EXPECT_LT(h.compressedSize, row.content.size());
        }
        EXPECT_EQ(h.extra, "");
        EXPECT_EQ(h.comment, "");
        EXPECT_EQ(h.diskStart, 0);
        EXPECT_EQ(h.internalAttributes, 0);
        EXPECT_EQ(h.externalAttributes, row.attributes);
        // Entries follow each other with nothing between them.
        EXPECT_EQ(h.localHeaderOffset, expectedOffset);
        expectedOffset = h.local.dataOffset + h.compressedSize;
        // The local header repeats the central one.
        EXPECT_EQ(h.local.versionNeeded, h.versionNeeded);
        EXPECT_EQ(h.local.flags, h.flags);
        EXPECT_EQ(h.local.method, h.method);
        EXPECT_EQ(h.local.time, h.time);
        EXPECT_EQ(h.local.date, h.date);
        EXPECT_EQ(h.local.crc, h.crc);
        EXPECT_EQ(h.local.compressedSize, h.compressedSize);
        EXPECT_EQ(h.local.uncompressedSize, h.uncompressedSize);
        EXPECT_EQ(h.local.name, h.name);
        EXPECT_EQ(h.local.extra, "");
        EXPECT_EQ(h.local.dataOffset, h.localHeaderOffset + 30 + h.name.size());
        EXPECT_EQ(ReadEntryData(dir / "out.zip", h), row.content);
    }
    std::uint64_t directorySize = 0;
    for (const CentralHeaderFields& h : zip.headers) {
        directorySize += 46 + h.name.size();
    }
    EXPECT_FALSE(zip.zip64.has_value());
    EXPECT_EQ(zip.disk, 0);
    EXPECT_EQ(zip.directoryDisk, 0);
    EXPECT_EQ(zip.entriesOnDisk, 4);
    EXPECT_EQ(zip.entries, 4);
    EXPECT_EQ(zip.directoryOffset, expectedOffset);
    EXPECT_EQ(zip.directorySize, directorySize);
    EXPECT_EQ(zip.commentLength, 0);
    EXPECT_EQ(zip.fileSize, expectedOffset + directorySize + 22);
    EXPECT_TRUE(ZipToolsAccept(dir / "out.zip"));
}

// Deflate is kept unless it makes the entry strictly larger.
TEST(WriterRecords, EqualDeflatedSizeKeepsDeflate) {
    // Random bytes followed by a run of letters: find a run length for which
    // raw deflate gives exactly the input's size.
    std::string content;
    for (std::size_t run = 0; run < 400 && content.empty(); ++run) {
        const std::string candidate = RandomBytes(2000, 11) + std::string(run, 'z');
        if (RawDeflate(candidate).size() == candidate.size()) {
            content = candidate;
        }
    }
    if (content.empty()) {
        GTEST_SKIP() << "zlib gives no content whose deflated size equals its size here";
    }
    TempDir dir;
    WriteFile(dir / "source" / "equal.bin", content);
    ZipFolder(dir / "out.zip", dir / "source");
    const ZipLayout zip = ReadZipLayout(dir / "out.zip");
    ASSERT_EQ(zip.headers.size(), 1u);
    EXPECT_EQ(zip.headers[0].method, 8);
    EXPECT_EQ(zip.headers[0].versionNeeded, 20);
    EXPECT_EQ(zip.headers[0].compressedSize, content.size());
    EXPECT_EQ(ReadEntryData(dir / "out.zip", zip.headers[0]), content);
}

TEST(WriterRecords, TimesOutsideTheDosRangeAreHeldToIt) {
    TempDir dir;
    MakeTree(dir / "source", {{"old", "1970", LocalTime(1975, 3, 1, 12, 0, 0)},
                              {"sub/future", "2200", LocalTime(2200, 1, 1, 0, 0, 0)}});
    ZipFolder(dir / "out.zip", dir / "source");
    const ZipLayout zip = ReadZipLayout(dir / "out.zip");
    ASSERT_EQ(zip.headers.size(), 2u);
    EXPECT_EQ(zip.headers[0].date, 0x0021); // 1980-01-01
    EXPECT_EQ(zip.headers[0].time, 0x0000);
    EXPECT_EQ(zip.headers[1].date, 0xFF9F); // 2107-12-31
    EXPECT_EQ(zip.headers[1].time, 0xBF7D); // 23:59:58
}

} // namespace
} // namespace vantorel::test

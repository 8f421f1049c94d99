// The 64-bit extension appears only where a value passes a classic field's
// limit; these rows build the records straight from entry values.

#include "archive/archive_error.h"
#include "archive/writer/records.h"

#include <gtest/gtest.h>

namespace vantorel::archive::writer {
namespace {

std::uint64_t Le(const std::vector<std::uint8_t>& bytes, std::size_t at, int width) {
    std::uint64_t value = 0;
    for (int i = 0; i < width; ++i) {
        value |= std::uint64_t{bytes.at(at + static_cast<std::size_t>(i))} << (8 * i);
    }
    return value;
}

struct Zip64EntryRow {
    const char* label;
    std::uint64_t size;
    std::uint64_t offset;
    bool largeFile;
    std::uint16_t versionNeeded;
    std::size_t centralExtraData; // 0: no extra field
};

void PrintTo(const Zip64EntryRow& row, std::ostream* out) {
    *out << row.label;
}

class Zip64Headers : public ::testing::TestWithParam<Zip64EntryRow> {};

TEST_P(Zip64Headers, CarryTheExtraFieldOnlyWhenNeeded) {
    const Zip64EntryRow& row = GetParam();
    ZipEntry entry;
    entry.storedName = "big.img";
    entry.method = 8;
    entry.uncompressedSize = row.size;
    entry.compressedSize = row.size / 2;
    entry.localHeaderOffset = row.offset;
    entry.largeFile = row.largeFile;
    const bool zip64 = row.centralExtraData != 0;

    const std::vector<std::uint8_t> local = LocalHeaderRecord(entry);
    EXPECT_EQ(Le(local, 4, 2), row.versionNeeded);
    EXPECT_EQ(Le(local, 18, 4), zip64 ? 0xFFFFFFFF : entry.compressedSize);
    EXPECT_EQ(Le(local, 22, 4), zip64 ? 0xFFFFFFFF : entry.uncompressedSize);
    EXPECT_EQ(Le(local, 28, 2), zip64 ? 20u : 0u);
    ASSERT_EQ(local.size(), 30 + 7 + (zip64 ? 20u : 0u));
    if (zip64) {
        EXPECT_EQ(Le(local, 37, 2), 0x0001u);
        EXPECT_EQ(Le(local, 39, 2), 16u);
        EXPECT_EQ(Le(local, 41, 8), entry.uncompressedSize);
        EXPECT_EQ(Le(local, 49, 8), entry.compressedSize);
    }

    const std::vector<std::uint8_t> central = CentralHeaderRecord(entry);
    EXPECT_EQ(Le(central, 4, 2), zip64 ? 45u : 20u);
    EXPECT_EQ(Le(central, 6, 2), row.versionNeeded);
    EXPECT_EQ(Le(central, 20, 4), zip64 ? 0xFFFFFFFF : entry.compressedSize);
    EXPECT_EQ(Le(central, 24, 4), zip64 ? 0xFFFFFFFF : entry.uncompressedSize);
    const std::size_t extraLength = zip64 ? 4 + row.centralExtraData : 0;
    EXPECT_EQ(Le(central, 30, 2), extraLength);
    EXPECT_EQ(Le(central, 42, 4), row.offset >= 0xFFFFFFFF ? 0xFFFFFFFF : row.offset);
    ASSERT_EQ(central.size(), 46 + 7 + extraLength);
    if (zip64) {
        EXPECT_EQ(Le(central, 53, 2), 0x0001u);
        EXPECT_EQ(Le(central, 55, 2), row.centralExtraData);
        EXPECT_EQ(Le(central, 57, 8), entry.uncompressedSize);
        EXPECT_EQ(Le(central, 65, 8), entry.compressedSize);
        if (row.centralExtraData == 24) {
            EXPECT_EQ(Le(central, 73, 8), row.offset);
        }
    }
}

constexpr std::uint64_t k4G = 0x100000000;

INSTANTIATE_TEST_SUITE_P(Rows, Zip64Headers,
                         ::testing::Values(Zip64EntryRow{"Classic", 1000, 5000, false, 20, 0},
                                           Zip64EntryRow{"JustBelowTheLimits", 0xFFFFFFFE, 0xFFFFFFFE, false, 20, 0},
                                           Zip64EntryRow{"LargeFile", 5 * k4G, 100, true, 45, 16},
                                           Zip64EntryRow{"LargeAtOpenButShrunk", 10, 100, true, 45, 16},
                                           Zip64EntryRow{"OffsetAtTheSentinel", 10, 0xFFFFFFFF, false, 45, 24},
                                           Zip64EntryRow{"OffsetBeyond4GiB", 10, 6 * k4G, false, 45, 24},
                                           Zip64EntryRow{"Both", 5 * k4G, 6 * k4G, true, 45, 24}));

TEST(Zip64Limits, SizesPastTheLimitWithoutTheLargeFlagFailRatherThanWrap) {
    ZipEntry entry;
    entry.storedName = "grew";
    entry.uncompressedSize = k4G;
    try {
        LocalHeaderRecord(entry);
        FAIL() << "a wrapped size was written";
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.kind(), ArchiveFailure::TooLarge);
    }
    entry.uncompressedSize = 1;
    entry.storedName.assign(65536, 'n');
    EXPECT_THROW(CentralHeaderRecord(entry), ArchiveError);
}

// Both extra fields together: the Unicode path field follows the ZIP64 one,
// and a name whose UTF-8 form overflows the extra field goes without it
// rather than failing the archive.
TEST(Zip64Limits, UnicodePathFollowsTheZip64Field) {
    ZipEntry entry;
    entry.storedName = "\x82t\x82"; // "été" in code page 850
    entry.method = 8;
    entry.uncompressedSize = 5 * k4G;
    entry.compressedSize = k4G;
    entry.localHeaderOffset = 6 * k4G;
    entry.largeFile = true;
    const std::vector<std::uint8_t> local = LocalHeaderRecord(entry);
    const std::vector<std::uint8_t> central = CentralHeaderRecord(entry);
    const std::size_t unicode = 4 + 5 + 5;
    ASSERT_EQ(Le(local, 28, 2), 20 + unicode);
    ASSERT_EQ(local.size(), 30 + 3 + 20 + unicode);
    ASSERT_EQ(Le(central, 30, 2), 28 + unicode);
    ASSERT_EQ(central.size(), 46 + 3 + 28 + unicode);
    for (const auto& [record, at] : {std::pair(&local, 30 + 3 + 20), std::pair(&central, 46 + 3 + 28)}) {
        EXPECT_EQ(Le(*record, at, 2), 0x7075u);
        EXPECT_EQ(Le(*record, at + 2, 2), 10u);
        EXPECT_EQ(Le(*record, at + 4, 1), 1u);
        EXPECT_EQ(std::string(record->end() - 5, record->end()), "été");
    }

    entry.storedName.assign(33000, '\x82'); // 66000 bytes in UTF-8
    EXPECT_EQ(Le(LocalHeaderRecord(entry), 28, 2), 20u);
    EXPECT_EQ(Le(CentralHeaderRecord(entry), 30, 2), 28u);
}

struct Zip64EndRow {
    const char* label;
    DirectoryWritten directory;
    bool zip64;
};

void PrintTo(const Zip64EndRow& row, std::ostream* out) {
    *out << row.label;
}

class Zip64End : public ::testing::TestWithParam<Zip64EndRow> {};

TEST_P(Zip64End, IsWrittenOnlyPastALimit) {
    const Zip64EndRow& row = GetParam();
    const DirectoryWritten& d = row.directory;
    EXPECT_EQ(NeedsZip64End(d), row.zip64);
    const std::vector<std::uint8_t> end = EndOfCentralDirRecord(d);
    ASSERT_EQ(end.size(), 22u);
    EXPECT_EQ(Le(end, 0, 4), 0x06054B50u);
    EXPECT_EQ(Le(end, 8, 2), std::min<std::uint64_t>(d.entries, 0xFFFF));
    EXPECT_EQ(Le(end, 10, 2), std::min<std::uint64_t>(d.entries, 0xFFFF));
    EXPECT_EQ(Le(end, 12, 4), std::min<std::uint64_t>(d.size, 0xFFFFFFFF));
    EXPECT_EQ(Le(end, 16, 4), std::min<std::uint64_t>(d.offset, 0xFFFFFFFF));
    if (row.zip64) {
        const std::vector<std::uint8_t> record = Zip64EndRecord(d);
        ASSERT_EQ(record.size(), 56u);
        EXPECT_EQ(Le(record, 0, 4), 0x06064B50u);
        EXPECT_EQ(Le(record, 4, 8), 44u);
        EXPECT_EQ(Le(record, 24, 8), d.entries);
        EXPECT_EQ(Le(record, 32, 8), d.entries);
        EXPECT_EQ(Le(record, 40, 8), d.size);
        EXPECT_EQ(Le(record, 48, 8), d.offset);
        const std::vector<std::uint8_t> locator = Zip64LocatorRecord(7 * k4G);
        ASSERT_EQ(locator.size(), 20u);
        EXPECT_EQ(Le(locator, 0, 4), 0x07064B50u);
        EXPECT_EQ(Le(locator, 8, 8), 7 * k4G);
        EXPECT_EQ(Le(locator, 16, 4), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, Zip64End,
                         ::testing::Values(Zip64EndRow{"Classic", {65534, 0xFFFFFFFE, 0xFFFFFFFE}, false},
                                           Zip64EndRow{"CountAtTheSentinel", {65535, 100, 100}, true},
                                           Zip64EndRow{"ManyEntries", {70000, 100, 100}, true},
                                           Zip64EndRow{"LargeDirectory", {10, k4G, 100}, true},
                                           Zip64EndRow{"DirectoryBeyond4GiB", {10, 100, 5 * k4G}, true}));

} // namespace
} // namespace vantorel::archive::writer

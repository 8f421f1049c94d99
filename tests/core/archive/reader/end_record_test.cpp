// Finding the end record: the last 22 bytes first, then backwards through
// growing windows; a hit counts only when its comment fits in the file.

#include "archive/reader/end_record.h"

#include <gtest/gtest.h>

namespace vantorel::archive::reader {
namespace {

std::vector<std::uint8_t> EndRecordBytes(std::uint16_t commentLength, std::uint16_t entries = 0) {
    std::vector<std::uint8_t> bytes(22, 0);
    bytes[0] = 0x50;
    bytes[1] = 0x4B;
    bytes[2] = 0x05;
    bytes[3] = 0x06;
    bytes[8] = bytes[10] = static_cast<std::uint8_t>(entries);
    bytes[20] = static_cast<std::uint8_t>(commentLength & 0xFF);
    bytes[21] = static_cast<std::uint8_t>(commentLength >> 8);
    return bytes;
}

struct EndCase {
    const char* what;
    std::size_t before;               // bytes in front of the record
    std::uint16_t declared;           // comment length it declares
    std::size_t after;                // bytes after it
    std::optional<std::size_t> found; // offset found, nullopt for none
};

std::ostream& operator<<(std::ostream& out, const EndCase& row) {
    return out << row.what;
}

const EndCase kEndCases[] = {
    {"record alone", 0, 0, 0, 0},
    {"record at the end", 1000, 0, 0, 1000},
    {"with its comment", 1000, 30, 30, 1000},
    {"junk after it", 1000, 0, 14, 1000},
    {"comment shorter than the bytes after", 1000, 5, 100, 1000},
    {"comment running past the end", 1000, 31, 30, std::nullopt},
    {"longest comment", 10, 65535, 65535, 10},
    {"across the first window border", 2000, 0, 510 - 22 + 2, 2000},
    {"behind 200 kB of junk", 100, 0, 200000, 100},
    {"too short for a record", 0, 0, 0, std::nullopt},
};

class EndRecordSearch : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndRecordSearch, FindsTheRecordWhoseCommentFits) {
    const EndCase& row = GetParam();
    std::vector<std::uint8_t> bytes(row.before, 'x');
    if (row.found || std::string_view(row.what) != "too short for a record") {
        const std::vector<std::uint8_t> record = EndRecordBytes(row.declared, 3);
        bytes.insert(bytes.end(), record.begin(), record.end());
    } else {
        bytes.assign(21, 'x');
    }
    bytes.insert(bytes.end(), row.after, 'c');
    const std::optional<EndRecord> record = FindEndRecord(MemorySource(bytes));
    ASSERT_EQ(record.has_value(), row.found.has_value());
    if (record) {
        EXPECT_EQ(record->offset, *row.found);
        EXPECT_EQ(record->totalEntries, 3);
        EXPECT_EQ(record->commentLength, row.declared);
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, EndRecordSearch, ::testing::ValuesIn(kEndCases));

// Of two records, the one nearer the end wins when its comment fits; a later
// one whose comment runs past the end is passed over for the earlier one.
TEST(EndRecordChoice, LatestFittingRecordWins) {
    std::vector<std::uint8_t> bytes(100, 'x');
    const std::vector<std::uint8_t> first = EndRecordBytes(0, 1);
    const std::vector<std::uint8_t> second = EndRecordBytes(4, 2);
    bytes.insert(bytes.end(), first.begin(), first.end());
    bytes.insert(bytes.end(), 50, 'y');
    bytes.insert(bytes.end(), second.begin(), second.end());
    bytes.insert(bytes.end(), 4, 'c');
    EXPECT_EQ(FindEndRecord(MemorySource(bytes))->totalEntries, 2);
    bytes.resize(bytes.size() - 1); // the later comment no longer fits
    EXPECT_EQ(FindEndRecord(MemorySource(bytes))->totalEntries, 1);
}

} // namespace
} // namespace vantorel::archive::reader

// Damaged and hostile archives built byte by byte: the damaged entry is
// skipped without a trace (and without harming a good file already at its
// path), every other entry still comes back.

#include "archive/reader/entry_data.h"
#include "archive/reader/extract_archive.h"
#include "platform/dos_time.h"
#include "tests/core/archive/zip_builder.h"
#include "tests/support/temp_dir.h"

#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vantorel {
namespace {

using test::TempDir;
using test::ZipEntryPlan;

struct DamageCase {
    const char* what;
    std::function<void(ZipEntryPlan&)> damage;
    std::optional<SkipReason> reason; // nullopt: the entry is extracted
    std::size_t crcMismatches = 0;
};

std::ostream& operator<<(std::ostream& out, const DamageCase& row) {
    return out << row.what;
}

constexpr std::size_t kWhole = archive::reader::EntryDecoder::kWholeLimit;

const std::string kVictimContent = std::string(3000, 'v') + "end of the victim";

const DamageCase kDamageCases[] = {
    {"intact", [](ZipEntryPlan&) {}, std::nullopt},
    {"stored", [](ZipEntryPlan& e) { e.deflate = false; }, std::nullopt},
    {"wrong CRC never replaces a file", [](ZipEntryPlan& e) { e.crc32 = 0x12345678; }, SkipReason::BadCrc},
    {"version needed with a host byte", [](ZipEntryPlan& e) { e.versionNeeded = 0x0314; }, std::nullopt},
    {"version 45 through ZIP64",
     [](ZipEntryPlan& e) {
         e.versionNeeded = 45;
         e.zip64Extra = true;
     },
     std::nullopt},
    {"version 45 without ZIP64", [](ZipEntryPlan& e) { e.versionNeeded = 45; }, SkipReason::NewerVersion},
    {"version 63", [](ZipEntryPlan& e) { e.versionNeeded = 63; }, SkipReason::NewerVersion},
    {"bad local signature", [](ZipEntryPlan& e) { e.localSignature = 0x04034B51; }, SkipReason::BadLocalHeader},
    {"local header outside the archive", [](ZipEntryPlan& e) { e.localHeaderOffset = 0x7FFFFFF0; },
     SkipReason::BadLocalHeader},
    {"encrypted", [](ZipEntryPlan& e) { e.flags = 1; }, SkipReason::Encrypted},
    {"strong encryption", [](ZipEntryPlan& e) { e.flags = 0x41; }, SkipReason::Encrypted},
    {"unknown method", [](ZipEntryPlan& e) { e.method = 12; }, SkipReason::UnknownMethod},
    {"corrupt deflate data", [](ZipEntryPlan& e) { e.data = std::string(40, '\xff'); }, SkipReason::BadData},
    {"deflate stream cut short",
     [](ZipEntryPlan& e) {
         const std::string full = test::Deflate(e.content);
         e.data = full.substr(0, full.size() / 2);
     },
     SkipReason::BadData},
    {"declared size larger than the data", [](ZipEntryPlan& e) { e.uncompressedSize = 0xFFFFFFF0; },
     SkipReason::BadData},
    {"declared size smaller than the data", [](ZipEntryPlan& e) { e.uncompressedSize = 100; }, SkipReason::BadData},
    // Entries past the whole-buffer size stream through fixed buffers, with
    // checks of their own.
    {"past the whole-buffer size, one byte more than declared",
     [](ZipEntryPlan& e) {
         e.content = std::string(kWhole + 2, 'w');
         e.uncompressedSize = kWhole + 1;
     },
     SkipReason::BadData},
    {"past the whole-buffer size, cut short",
     [](ZipEntryPlan& e) {
         e.content = std::string(kWhole + 1, 'w');
         const std::string full = test::Deflate(e.content);
         e.data = full.substr(0, full.size() / 2);
     },
     SkipReason::BadData},
    {"stored sizes that differ",
     [](ZipEntryPlan& e) {
         e.deflate = false;
         e.uncompressedSize = 10;
     },
     SkipReason::BadData},
    {"data running past the archive",
     [](ZipEntryPlan& e) {
         e.deflate = false;
         e.compressedSize = 0x7FFFFFFF;
     },
     SkipReason::OverlappingData},
    {"data over the next entry", [](ZipEntryPlan& e) { e.compressedSize = 20000; }, SkipReason::OverlappingData},
    {"folder entry", [](ZipEntryPlan& e) { e.name += "/"; }, SkipReason::FolderEntry},
    {"DOS folder bit", [](ZipEntryPlan& e) { e.externalAttributes = 0x10; }, SkipReason::FolderEntry},
    {"Unix link",
     [](ZipEntryPlan& e) {
         e.versionMadeBy = 0x0314;
         e.externalAttributes = 0xA1FF0000;
         e.content = "../../outside";
     },
     SkipReason::LinkEntry},
};

class DamagedEntry : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedEntry, SkipsOnlyThatEntry) {
    const DamageCase& row = GetParam();
    TempDir dir;
    test::ZipPlan plan;
    plan.entries = {{.name = "first.txt", .content = "first"},
                    {.name = "sub/victim.txt", .content = kVictimContent},
                    {.name = "last.txt", .content = std::string(500, 'l')}};
    row.damage(plan.entries[1]);
    test::WriteBytes(dir / "a.zip", test::BuildZip(plan));
    const auto target = dir / "target";
    test::WriteFile(target / "sub" / "victim.txt", "the good old file");

    const ExtractReport report = ExtractArchive(target, dir / "a.zip");

    EXPECT_FALSE(report.archiveRejected);
    EXPECT_EQ(test::ReadFile(target / "first.txt"), "first");
    EXPECT_EQ(test::ReadFile(target / "last.txt"), std::string(500, 'l'));
    const test::TreeListing tree = test::ListTree(target);
    EXPECT_TRUE(tree.others.empty());
    EXPECT_EQ(tree.files.size(), 3u) << "no temporary or partial file stays";
    EXPECT_EQ(report.crcMismatches, row.crcMismatches);
    if (row.reason) {
        ASSERT_EQ(report.skipped.size(), 1u);
        EXPECT_EQ(report.skipped[0].reason, *row.reason);
        EXPECT_EQ(test::ReadFile(target / "sub" / "victim.txt"), "the good old file");
        EXPECT_EQ(report.extracted, 2u);
    } else {
        EXPECT_TRUE(report.skipped.empty());
        EXPECT_EQ(test::ReadFile(target / "sub" / "victim.txt"), plan.entries[1].content);
        EXPECT_EQ(report.extracted, 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(Entries, DamagedEntry, ::testing::ValuesIn(kDamageCases));

// Every cut of a valid archive is refused as a whole, writes nothing, and
// never takes the end record of a zip stored inside it for its own.
TEST(DamagedArchive, CutShortAtEveryLength) {
    TempDir dir;
    test::ZipPlan inner;
    inner.entries = {{.name = "inner.txt", .content = "from the inner archive"}};
    test::ZipPlan outer;
    outer.entries = {{.name = "a.txt", .content = "alpha alpha alpha"},
                     {.name = "inner.zip", .content = test::BuildZip(inner), .deflate = false},
                     {.name = "b/c.txt", .content = ""}};
    const std::string whole = test::BuildZip(outer);
    const auto target = dir / "target";
    std::filesystem::create_directory(target);
    for (std::size_t length = 1; length < whole.size(); ++length) {
        test::WriteBytes(dir / "cut.zip", whole.substr(0, length));
        const ExtractReport report = ExtractArchive(target, dir / "cut.zip");
        EXPECT_TRUE(report.archiveRejected) << "cut at " << length;
        ASSERT_TRUE(std::filesystem::is_empty(target)) << "cut at " << length;
    }
    test::WriteBytes(dir / "cut.zip", whole);
    EXPECT_EQ(ExtractArchive(target, dir / "cut.zip").extracted, 3u);
}

// An archive refused as a whole writes nothing, and a missing one stays
// missing; something that is no regular file under the archive's name is
// refused at once (a FIFO must not block the call waiting for a writer).
TEST(DamagedArchive, RefusedArchivesWriteNothing) {
    TempDir dir;
    const auto target = dir / "target";
    std::filesystem::create_directory(target);
    test::ZipPlan plan;
    plan.entries = {{.name = "a.txt", .content = "a"}};
    const std::string good = test::BuildZip(plan);
    const std::size_t end = good.size() - 22;

    std::string badCentral = good;
    badCentral[good.find("PK\x01\x02")] = 'X';
    std::string wrongCount = good;
    wrongCount[end + 10] = 2;
    std::string spanned = good;
    spanned.replace(0, 4, "PK\x07\x08");
    std::string otherDisk = good;
    otherDisk[end + 4] = 1;
    const auto bytes = [](std::string content) {
        return [content](const std::filesystem::path& path) { test::WriteBytes(path, content); };
    };

    const std::vector<std::pair<std::string, std::function<void(const std::filesystem::path&)>>> rows = {
        {"missing", [](const std::filesystem::path&) {}},
        {"a folder", [](const std::filesystem::path& path) { std::filesystem::create_directory(path); }},
        {"a FIFO", [](const std::filesystem::path& path) { ASSERT_EQ(mkfifo(path.c_str(), 0644), 0); }},
        {"text", bytes("Ceci n'est pas une archive.\n")},
        {"damaged central header", bytes(badCentral)},
        {"entry count disagrees", bytes(wrongCount)},
        {"spanned marker", bytes(spanned)},
        {"second disk", bytes(otherDisk)}};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [what, make] = rows[i];
        const auto archive = dir / ("save_" + std::to_string(i) + ".zip");
        make(archive);
        const ExtractReport report = ExtractArchive(target, archive);
        EXPECT_TRUE(report.archiveRejected) << what;
        EXPECT_EQ(CountArchiveEntries(archive), std::nullopt) << what;
        EXPECT_TRUE(std::filesystem::is_empty(target)) << what;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "save_0.zip"));
}

// A missing target is not created; an empty file is an archive without entries.
TEST(DamagedArchive, MissingTargetAndEmptyArchive) {
    TempDir dir;
    test::ZipPlan plan;
    plan.entries = {{.name = "a.txt", .content = "a"}};
    test::WriteBytes(dir / "a.zip", test::BuildZip(plan));
    EXPECT_TRUE(ExtractArchive(dir / "missing", dir / "a.zip").archiveRejected);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));

    std::filesystem::create_directory(dir / "target");
    test::WriteBytes(dir / "empty.zip", "");
    const ExtractReport report = ExtractArchive(dir / "target", dir / "empty.zip");
    EXPECT_FALSE(report.archiveRejected);
    EXPECT_EQ(report.extracted, 0u);
    EXPECT_EQ(CountArchiveEntries(dir / "empty.zip"), 0u);
}

} // namespace
} // namespace vantorel

// The archives of ../shared/peer-zips (written by other tools, taken from
// public test suites; INDEX.md there says what each holds), extracted as this
// program does: file entries only, CP850 names unless bit 11, CRC mismatches
// kept, unsafe, encrypted, overlapping and linked entries skipped.

#include "archive/reader/extract_archive.h"
#include "tests/core/archive/zip_builder.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

namespace vantorel {
namespace {

using test::TempDir;

// One file expected in the target: its content, or (for binary files) its size
// and CRC-32 as the source test suites give them.
struct Expected {
    Expected(std::string p, std::string c, std::uint32_t k = 0, std::size_t n = 0)
        : path(std::move(p)), content(std::move(c)), crc(k), size(n) {}
    std::string path;
    std::string content;
    std::uint32_t crc;
    std::size_t size;
};

using Skips = std::vector<std::pair<std::string, SkipReason>>;

struct PeerCase {
    PeerCase(std::string f, bool r, std::vector<Expected> e = {}, Skips s = {}, std::size_t m = 0)
        : file(std::move(f)), rejected(r), files(std::move(e)), skipped(std::move(s)), crcMismatches(m) {}
    std::string file;
    bool rejected;
    std::vector<Expected> files;
    Skips skipped;
    std::size_t crcMismatches;
};

std::ostream& operator<<(std::ostream& out, const PeerCase& row) {
    return out << row.file;
}

Expected Binary(std::string path, std::size_t size, std::uint32_t crc) {
    return {std::move(path), {}, crc, size};
}

const std::vector<Expected> kGoTestFiles = {{"test.txt", "This is a test text file.\n"},
                                            Binary("gophercolor16x16.png", 785, 0x54d531fe)};

const PeerCase kPeerCases[] = {
    // Valid archives: every file entry comes back byte for byte.
    {"go-test.zip", false, kGoTestFiles},
    {"go-test-prefix.zip", false, kGoTestFiles},
    {"go-test-trailing-junk.zip", false, kGoTestFiles},
    {"go-test-baddirsz.zip", false, kGoTestFiles}, // the walk ends at the end record, not at the wrong size
    {"go-winxp.zip",
     false,
     {{"hello", "world \r\n"}, {"dir/bar", "foo \r\n"}, {"readonly", "important \r\n"}},
     {{"dir/empty/", SkipReason::FolderEntry}}},
    {"go-utf8-osx.zip", false, {{"õ©ûþòî", ""}}},
    {"go-zip64.zip", false, {{"README", "This small file is in ZIP64 format.\n"}}},
    {"libarchive-test_read_format_zip_length_at_end.zip", false, {{"hello.txt", "hello\n"}}},
    {"libarchive-test_read_format_zip_comment_stored_2.zip",
     false,
     {Binary("file0", 81514, 0x2b284d36), Binary("build.sh", 23, 0x7dea58ea)}},
    {"libarchive-test_read_format_zip_filename_utf8_jp.zip",
     false,
     {{"表だよ/一覧表.txt", "Hello"}, {"表だよ/漢字.txt", "kanji"}},
     {{"表だよ/", SkipReason::FolderEntry}}},
    {"libarchive-test_read_format_zip_filename_cp866.zip",
     false,
     {Binary("ÅÉêéàÆ", 6, 0x1481e1cc), Binary("»Ó¿óÑÔ", 6, 0x1481e1cc)}},
    {"libarchive-test_read_format_zip_7075_utf8_paths.zip",
     false,
     {Binary("File 1.txt", 9, 0x7095e962), Binary("File 2 - ö.txt", 9, 0x7095e962),
      Binary("File 3 - ä.txt", 9, 0x7095e962), Binary("File 4 - å.txt", 9, 0x7095e962)}},
    {"libarchive-test_compat_zip_2.zip", false, {{"file1", ""}, {"file2", "file2\n"}}},
    {"libarchive-test_compat_zip_8.zip", false, {Binary("arc/test", 14, 0xa42058f9)}},
    {"libarchive-test_read_format_zip_high_compression.zip", false, {Binary("char.bin", 262304, 0x5f1c1d17)}},
    {"cpython-zip_cp437_header.zip",
     false,
     {{"filename_with_æoå.txt", "EOF\r\n"}, {"filename_without.txt", "EOF\r\n"}}},
    {"unzip-p-iso88591.zip", false, {{"hell°.txt", "Hello, world!\n"}}},
    {"cpython-empty-eocd.zip", false, {}},

    // Not archives, or archives whose directory cannot be trusted: nothing written.
    {"go-readme.notzip", true},
    {"unzip-p-truncated.zip", true},
    {"libarchive-test_read_format_zip_malformed1.zip", true},
    {"cpython-eocd-negative-cd-offset.zip", true},
    {"go-comment-truncated.zip", true},
    {"libarchive-test_read_format_zip_encryption_header.zip", true},

    // Damaged entries: the others still come back.
    {"libarchive-test_read_format_zip.zip",
     false,
     {{"file1", "hello\nhello\nhello\n"}, {"file2", "hello\nhello\nhello\n"}},
     {{"dir/", SkipReason::FolderEntry}},
     1},
    {"unzip-p-badcrc.zip", false, {Binary("hello.txt", 14, 0x16d3065e)}, {}, 1},
    {"cpython-badcrc-deflated.zip", false, {Binary("afile", 110, 0)}, {}, 1},
    {"libarchive-test_read_format_zip_size_exceeds_declared_stored.zip",
     false,
     {{"second", "hello world"}},
     {{"first", SkipReason::BadData}}},
    {"libarchive-test_read_format_zip_traditional_encryption_data.zip",
     false,
     {},
     {{"bar.txt", SkipReason::Encrypted}, {"foo.txt", SkipReason::Encrypted}}},
    {"libarchive-test_read_format_zip_encryption_partially.zip",
     false,
     {Binary("bar.txt", 20, 0xa1992ae8)},
     {{"foo.txt", SkipReason::NewerVersion}}},
    {"bsdunzip-test_t_bad.zip",
     false,
     {{"test_basic/b", "contents b\n"}, {"test_basic/c", "contents c\n"}, {"test_basic/CAPS", "contents CAPS\n"}},
     {{"test_basic/", SkipReason::FolderEntry}, {"test_basic/a", SkipReason::BadLocalHeader}}},
    {"go-dupdir.zip",
     false,
     {{"a/b", ""}},
     {{"a/", SkipReason::FolderEntry}, {"a/b/", SkipReason::FolderEntry}, {"a/b/c", SkipReason::CannotCreate}}},

    // Links are never created, whatever they point at.
    {"bsdunzip-test_symlink_1.zip",
     false,
     {{"file.txt", ""}},
     {{"dir/", SkipReason::FolderEntry},
      {"dlink", SkipReason::LinkEntry},
      {"flink", SkipReason::LinkEntry},
      {"insecure.link", SkipReason::LinkEntry}}},
    {"bsdunzip-test_symlink_dotdot.zip",
     false,
     {{"safe.txt", "ok\n"}},
     {{"dotdot", SkipReason::LinkEntry}, {"traildot", SkipReason::LinkEntry}}},

    // Overlapping entries (zip bombs): only entries that own their bytes.
    {"cpython-overlap-full.zip", false, {Binary("a", 1033, 0xbb381ee2)}, {{"b", SkipReason::OverlappingData}}},
    {"cpython-overlap-quoted.zip", false, {Binary("b", 1033, 0xbb381ee2)}, {{"a", SkipReason::OverlappingData}}},
};

// The peer archives lie in the shared folder beside the project, which a lone
// clone does not have: their tests then say so and are skipped.
class PeerZipFolder : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::is_directory(VANTOREL_PEER_ZIPS)) {
            GTEST_SKIP() << "no peer archives at " << VANTOREL_PEER_ZIPS << " (the shared folder beside the project)";
        }
    }
};

class PeerZip : public PeerZipFolder, public ::testing::WithParamInterface<PeerCase> {};
using PeerZipExtra = PeerZipFolder;

std::uint32_t Crc(const std::string& bytes) {
    return static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
}

TEST_P(PeerZip, ExtractsAsExpected) {
    const PeerCase& row = GetParam();
    TempDir dir;
    const auto target = dir / "target";
    std::filesystem::create_directory(target);
    const ExtractReport report = ExtractArchive(target, std::filesystem::path(VANTOREL_PEER_ZIPS) / row.file);

    EXPECT_EQ(report.archiveRejected.has_value(), row.rejected) << report.archiveRejected.value_or("");
    const test::TreeListing tree = test::ListTree(target);
    EXPECT_TRUE(tree.others.empty());
    ASSERT_EQ(tree.files.size(), row.files.size());
    for (const Expected& file : row.files) {
        ASSERT_TRUE(tree.files.count(file.path)) << file.path;
        const std::string& content = tree.files.at(file.path);
        if (file.size > 0) {
            EXPECT_EQ(content.size(), file.size) << file.path;
            if (file.crc != 0) {
                EXPECT_EQ(Crc(content), file.crc) << file.path;
            }
        } else {
            EXPECT_EQ(content, file.content) << file.path;
        }
    }
    std::vector<std::pair<std::string, SkipReason>> skipped;
    for (const SkippedEntry& entry : report.skipped) {
        skipped.emplace_back(entry.name, entry.reason);
    }
    EXPECT_EQ(skipped, row.skipped);
    EXPECT_EQ(report.extracted, row.files.size());
    EXPECT_EQ(report.crcMismatches, row.crcMismatches);
}

INSTANTIATE_TEST_SUITE_P(Archives, PeerZip, ::testing::ValuesIn(kPeerCases));

// The data-descriptor archive is kept as base64 in the peer folder.
TEST_F(PeerZipExtra, DataDescriptorsWithoutSignature) {
    TempDir dir;
    const std::string encoded =
        test::ReadFile(std::filesystem::path(VANTOREL_PEER_ZIPS) / "go-no-datadesc-sig.zip.base64");
    std::string decoded(encoded.size(), '\0');
    // EVP-free decoding: the base64 alphabet, ignoring line breaks.
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::size_t length = 0;
    std::uint32_t bits = 0;
    int count = 0;
    for (char c : encoded) {
        const std::size_t value = alphabet.find(c);
        if (value == std::string::npos) {
            continue;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            decoded[length++] = static_cast<char>((bits >> count) & 0xFF);
        }
    }
    decoded.resize(length);
    test::WriteBytes(dir / "a.zip", decoded);
    std::filesystem::create_directory(dir / "target");
    const ExtractReport report = ExtractArchive(dir / "target", dir / "a.zip");
    EXPECT_FALSE(report.archiveRejected);
    const test::TreeListing tree = test::ListTree(dir / "target");
    EXPECT_EQ(tree.files, (std::map<std::string, std::string>{{"foo.txt", "foo\n"}, {"bar.txt", "bar\n"}}));
}

// The overlapping-file bomb declares 5.4 GB in 42 kB: only the one entry that
// owns its bytes is written, the others are refused before any decoding.
TEST_F(PeerZipExtra, OverlappingBombWritesOneEntryOnly) {
    TempDir dir;
    const ExtractReport report =
        ExtractArchive(dir.path(), std::filesystem::path(VANTOREL_PEER_ZIPS) / "unzip-p-zbsm.zip");
    EXPECT_FALSE(report.archiveRejected);
    EXPECT_EQ(report.extracted, 1u);
    EXPECT_EQ(report.skipped.size(), 249u);
    for (const SkippedEntry& entry : report.skipped) {
        EXPECT_EQ(entry.reason, SkipReason::OverlappingData) << entry.name;
    }
}

// Whatever an archive holds, nothing appears beside the target, no link is
// made, and no temporary file stays behind.
TEST_F(PeerZipExtra, NothingLeavesTheTarget) {
    for (const auto& item : std::filesystem::directory_iterator(VANTOREL_PEER_ZIPS)) {
        TempDir dir;
        std::filesystem::create_directory(dir / "target");
        test::WriteFile(dir / "outside" / "keep.txt", "keep");
        static_cast<void>(ExtractArchive(dir / "target", item.path())); // what matters is what is on disk
        const test::TreeListing all = test::ListTree(dir.path());
        EXPECT_TRUE(all.others.empty()) << item.path();
        for (const auto& [path, content] : all.files) {
            EXPECT_TRUE(path.rfind("target/", 0) == 0 || path == "outside/keep.txt") << item.path() << ": " << path;
            EXPECT_EQ(path.find(".vantorel-"), std::string::npos) << item.path() << ": " << path;
        }
        EXPECT_EQ(test::ReadFile(dir / "outside" / "keep.txt"), "keep");
    }
}

} // namespace
} // namespace vantorel

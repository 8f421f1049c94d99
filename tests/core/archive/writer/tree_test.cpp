// Real trees through ZipFolder: which files go in, under which stored names,
// in which order, and that every reader we know accepts the result.

#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/stat.h>
#include <zlib.h>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

std::size_t IndexOf(const ZipLayout& zip, const std::string& name) {
    for (std::size_t i = 0; i < zip.headers.size(); ++i) {
        if (zip.headers[i].name == name) {
            return i;
        }
    }
    return zip.headers.size();
}

class WriterTree : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = dir_ / "source";
        const std::time_t when = LocalTime(2025, 1, 31, 8, 0, 0);
        MakeTree(source_, {{"LISEZMOI", "pas de point", when},
                           {"é.txt", "accent", when},
                           {"œuvre.txt", "ligature", when},
                           {"a–b.txt", "en dash", when},
                           {"中文.txt", "chinese", when},
                           {"Readme.txt", "mixed case", when},
                           {"README.txt", "upper case", when},
                           {"ro.txt", "read only", when, true},
                           {"empty", "", when},
                           {"incompressible.bin", RandomBytes(70000, 3), when},
                           {".hidden", "hidden file", when},
                           {".dotdir/inner.txt", "inside a hidden folder", when},
                           {"sub/a.txt", std::string(10000, 'a'), when},
                           {"sub/deeper/b.txt", "deep", when},
                           {"not-utf8-\xFF.txt", "latin-1 name", when}});
        fs::create_directories(source_ / "void" / "still-void");
        ASSERT_EQ(mkfifo((source_ / "pipe").c_str(), 0644), 0);
        fs::create_symlink("LISEZMOI", source_ / "link-to-file");
        fs::create_symlink("sub", source_ / "link-to-dir");
        fs::create_symlink("nowhere", source_ / "dangling");
        ZipFolder(dir_ / "out.zip", source_);
        zip_ = ReadZipLayout(dir_ / "out.zip");
        ASSERT_EQ(zip_.error, "");
    }

    TempDir dir_;
    fs::path source_;
    ZipLayout zip_;
};

// The Unicode path field (0x7075, version 1) a non-ASCII stored name carries
// in both headers: the CRC-32 of the stored bytes and the name in UTF-8.
std::string UnicodePathField(const std::string& stored, const std::string& utf8) {
    std::string field;
    const auto put = [&field](std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i) {
            field.push_back(static_cast<char>(value >> (8 * i)));
        }
    };
    put(0x7075, 2);
    put(5 + utf8.size(), 2);
    put(1, 1);
    put(crc32(0, reinterpret_cast<const Bytef*>(stored.data()), static_cast<uInt>(stored.size())), 4);
    return field + utf8;
}

TEST_F(WriterTree, StoresEachEligibleFileUnderItsName) {
    struct Stored {
        std::uint16_t flags;
        std::string path;    // on disk
        std::string unicode; // the name of the Unicode path field; empty: no extra field
    };
    // stored bytes → how and from where
    const std::map<std::string, Stored> expected = {
        {"LISEZMOI", {0, "LISEZMOI", ""}},
        {"\x82.txt", {0, "é.txt", "é.txt"}},               // code page 850
        {"œuvre.txt", {0x0800, "œuvre.txt", "œuvre.txt"}}, // not in code page 850: UTF-8 and bit 11
        {"a–b.txt", {0x0800, "a–b.txt", "a–b.txt"}},
        {"中文.txt", {0x0800, "中文.txt", "中文.txt"}},
        {"Readme.txt", {0, "Readme.txt", ""}}, // names differing in case are two files
        {"README.txt", {0, "README.txt", ""}},
        {"ro.txt", {0, "ro.txt", ""}},
        {"empty", {0, "empty", ""}},
        {"incompressible.bin", {0, "incompressible.bin", ""}},
        {"link-to-file", {0, "LISEZMOI", ""}}, // the link's target content
        {"sub/a.txt", {0, "sub/a.txt", ""}},
        {"sub/deeper/b.txt", {0, "sub/deeper/b.txt", ""}},
        // Not UTF-8: kept as bytes, unflagged, named as code page 850 reads them.
        {"not-utf8-\xFF.txt", {0, "not-utf8-\xFF.txt", "not-utf8-\u00A0.txt"}},
    };
    std::set<std::string> found;
    for (const CentralHeaderFields& h : zip_.headers) {
        SCOPED_TRACE(h.name);
        const auto row = expected.find(h.name);
        ASSERT_NE(row, expected.end()) << "unexpected entry";
        const Stored& stored = row->second;
        EXPECT_EQ(h.flags, stored.flags);
        EXPECT_EQ(h.local.flags, stored.flags);
        EXPECT_EQ(ReadEntryData(dir_ / "out.zip", h), ReadFile(source_ / stored.path));
        EXPECT_EQ(h.externalAttributes, h.name == "ro.txt" ? 0x21u : 0x20u);
        const std::string extra = stored.unicode.empty() ? "" : UnicodePathField(h.name, stored.unicode);
        EXPECT_EQ(h.extra, extra);
        EXPECT_EQ(h.local.extra, extra);
        EXPECT_EQ(h.versionNeeded, h.method == 8 ? 20 : 10);
        found.insert(row->first);
    }
    EXPECT_EQ(found.size(), expected.size()) << "entries missing";
    EXPECT_EQ(zip_.headers.size(), expected.size()) << "duplicate entries";
}

TEST_F(WriterTree, FilesOfAFolderComeBeforeItsSubfolders) {
    const std::size_t sub = IndexOf(zip_, "sub/a.txt");
    const std::size_t deeper = IndexOf(zip_, "sub/deeper/b.txt");
    ASSERT_LT(deeper, zip_.headers.size());
    EXPECT_LT(sub, deeper);
    for (const CentralHeaderFields& h : zip_.headers) {
        if (h.name.find('/') == std::string::npos) {
            EXPECT_LT(IndexOf(zip_, h.name), sub) << h.name;
        }
    }
}

TEST_F(WriterTree, OtherReadersAcceptTheArchiveAndItsNames) {
    EXPECT_TRUE(ZipToolsAccept(dir_ / "out.zip"));
    // Python decodes bit-11 names as UTF-8 and the others as code page 437,
    // which agrees with 850 on "é"; unzip, 7-Zip and bsdtar read the Unicode
    // path field: every name reads back as on disk.
    std::map<std::string, std::vector<std::string>> listings = ListNamesWithTools(dir_ / "out.zip");
    for (const ListedEntry& entry : ListWithPython(dir_ / "out.zip")) {
        listings["python"].push_back(entry.name);
    }
    for (const auto& [tool, names] : listings) {
        for (const char* name : {"é.txt", "œuvre.txt", "a–b.txt", "中文.txt", "sub/deeper/b.txt"}) {
            EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << tool << " lists no " << name;
        }
    }
    EXPECT_EQ(listings.size(), 4u);
}

struct ArchivableRow {
    const char* label;
    std::vector<std::string> files;    // created with some content
    std::vector<std::string> oddities; // "fifo:NAME", "link:NAME>TARGET"
    bool expected;
};

void PrintTo(const ArchivableRow& row, std::ostream* out) {
    *out << row.label;
}

class WriterArchivable : public ::testing::TestWithParam<ArchivableRow> {};

TEST_P(WriterArchivable, TellsWhetherZipFolderWouldArchiveAFile) {
    const ArchivableRow& row = GetParam();
    TempDir dir;
    const fs::path source = dir / "source";
    fs::create_directories(source);
    for (const std::string& file : row.files) {
        WriteFile(source / file, "x");
    }
    for (const std::string& oddity : row.oddities) {
        if (oddity.rfind("fifo:", 0) == 0) {
            ASSERT_EQ(mkfifo((source / oddity.substr(5)).c_str(), 0644), 0);
        } else {
            const std::size_t arrow = oddity.find('>');
            fs::create_symlink(oddity.substr(arrow + 1), source / oddity.substr(5, arrow - 5));
        }
    }
    EXPECT_EQ(HasArchivableFile(source), row.expected);
    ZipFolder(dir / "out.zip", source);
    EXPECT_EQ(ReadZipLayout(dir / "out.zip").headers.empty(), !row.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, WriterArchivable,
    ::testing::Values(ArchivableRow{"Empty", {}, {}, false},
                      ArchivableRow{"OnlyHidden", {".a", ".git/config"}, {}, false},
                      ArchivableRow{"OnlyFifoAndDanglingLink", {}, {"fifo:pipe", "link:gone>nowhere"}, false},
                      ArchivableRow{"LinkToFolderOnly", {"../outside/f"}, {"link:in>../outside"}, false},
                      ArchivableRow{"DeepFile", {"a/b/c/d.txt"}, {}, true},
                      ArchivableRow{"LinkToFile", {"../outside.txt"}, {"link:in.txt>../outside.txt"}, true}),
    [](const ::testing::TestParamInfo<ArchivableRow>& row) { return std::string(row.param.label); });

TEST(WriterHasArchivableFile, MissingFolderHoldsNothing) {
    TempDir dir;
    EXPECT_FALSE(HasArchivableFile(dir / "missing"));
}

TEST(WriterDuplicates, OnlyByteIdenticalStoredNamesAreDuplicates) {
    // "é" is 0x82 in code page 850, and a name that is not UTF-8 keeps its
    // bytes: both are stored as "\x82.txt" with flags 0, and only the first
    // listed stays. The case variants are two different stored names, and so
    // are "Ã©" (0xC7 0xB8 in code page 850) and "Ǹ" (0xC7 0xB8 in UTF-8, bit 11).
    TempDir dir;
    MakeTree(dir / "source", {{"é.txt", "utf-8 name"},
                              {"\x82.txt", "raw name"},
                              {"case.txt", "lower"},
                              {"CASE.txt", "upper"},
                              {"Ã©", "code page 850"},
                              {"Ǹ", "utf-8"}});
    ZipFolder(dir / "out.zip", dir / "source");
    const ZipLayout zip = ReadZipLayout(dir / "out.zip");
    ASSERT_EQ(zip.headers.size(), 5u);
    std::set<std::string> names;
    for (const CentralHeaderFields& h : zip.headers) {
        names.insert(h.name + (h.flags == 0x0800 ? " (utf-8)" : ""));
        if (h.name == "\x82.txt") {
            const std::optional<std::string> data = ReadEntryData(dir / "out.zip", h);
            EXPECT_TRUE(data == "utf-8 name" || data == "raw name");
        }
    }
    EXPECT_EQ(names, (std::set<std::string>{"\x82.txt", "case.txt", "CASE.txt", "\xC7\xB8", "\xC7\xB8 (utf-8)"}));
}

} // namespace
} // namespace vantorel::test

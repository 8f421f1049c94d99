// A second run copies the data of unchanged files from the previous archive,
// and only when that is safe: the new archive must always be what a full run
// would have made of the files as they are now.

#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <chrono>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sys/xattr.h>
#include <thread>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

std::string LargeText() {
    std::string text;
    while (text.size() < (5 << 20) + 777) {
        text += "ligne " + std::to_string(text.size() % 4099) + " de la sauvegarde\n";
    }
    return text;
}

std::string Repeat(std::string_view piece, int times) {
    std::string text;
    while (times-- > 0) {
        text += piece;
    }
    return text;
}

// One file per folder, so that the listing order cannot vary.
const std::vector<TreeFile> kTree = {
    {"notes.txt", std::string(5000, 'n') + "fin", LocalTime(2024, 7, 14, 15, 30, 42)},
    {"a/noise.bin", RandomBytes(70000, 3), LocalTime(2023, 12, 25, 8, 0, 1)}, // stored
    {"a/b/vide", "", LocalTime(2022, 1, 1, 0, 0, 0)},
    {"a/b/c/grand.txt", LargeText(), LocalTime(2021, 3, 4, 5, 6, 8)}, // decoded while copied
    // Its local header's Unicode path field is longer than the room read
    // with the header for a small entry: its data take a read of their own.
    {"a/b/c/" + Repeat(Repeat("é", 120) + "/", 4) + Repeat("à", 100) + ".txt", Repeat("texte ", 300),
     LocalTime(2020, 5, 6, 7, 8, 10)},
};

struct ReuseCase {
    const char* name;
    // Between the runs: may change the tree or the previous archive, or
    // return another previous archive to use.
    std::function<fs::path(const TempDir& dir, const fs::path& previous)> between;
    std::uint64_t reused;
};

void FlipDataByte(const fs::path& archive, const std::string& entry) {
    for (const CentralHeaderFields& h : ReadZipLayout(archive).headers) {
        if (h.name == entry) {
            std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(static_cast<std::streamoff>(h.local.dataOffset + h.compressed / 2));
            const char byte = static_cast<char>(file.get() ^ 0x20);
            file.seekp(static_cast<std::streamoff>(h.local.dataOffset + h.compressed / 2));
            file.put(byte);
        }
    }
}

const ReuseCase kCases[] = {
    {"UnchangedTree", [](const TempDir&, const fs::path& previous) { return previous; }, 5},
    {"SameSizeAndTimeNewBytes",
     [](const TempDir& dir, const fs::path& previous) {
         // Rewritten within the same two-second tick: only the status-change
         // time, later than the previous run's start, tells.
         WriteFile(dir / "source/notes.txt", std::string(5000, 'N') + "fin");
         SetModified(dir / "source/notes.txt", kTree[0].modified);
         return previous;
     },
     4},
    {"DamagedPreviousArchive",
     [](const TempDir&, const fs::path& previous) {
         // Still decodes, to other bytes: only the CRC-32 tells. Nothing
         // after it is copied either.
         FlipDataByte(previous, "a/noise.bin");
         return previous;
     },
     1},
    {"ArchiveOfAnotherSourceFolder",
     [](const TempDir& dir, const fs::path&) {
         MakeTree(dir / "other", kTree); // the same names, bytes and times
         std::this_thread::sleep_for(std::chrono::milliseconds(50));
         ZipFolder(dir / "other.zip", dir / "other");
         return dir / "other.zip";
     },
     0},
};

class WriterReuse : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(WriterReuse, CopiesOnlyWhatIsProvenUnchanged) {
    TempDir dir;
    if (setxattr(dir.path().c_str(), "user.probe", "1", 1, 0) != 0 && errno == ENOTSUP) {
        GTEST_SKIP() << "no user extended attributes where the tests run";
    }
    const fs::path source = dir / "source";
    MakeTree(source, kTree);
    // The files' status-change times must be earlier than the run's start.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ZipFolder(dir / "previous.zip", source);

    const fs::path previous = GetParam().between(dir, dir / "previous.zip");
    const ZipSummary summary = ZipFolder(dir / "new.zip", source, {.threads = 1, .previousArchive = previous});

    EXPECT_EQ(summary.reused, GetParam().reused);
    EXPECT_TRUE(ZipToolsAccept(dir / "new.zip"));
    const ZipLayout layout = ReadZipLayout(dir / "new.zip");
    ASSERT_EQ(layout.headers.size(), kTree.size());
    for (std::size_t i = 0; i < kTree.size(); ++i) { // in the tree's order: one file per folder
        EXPECT_EQ(ReadEntryData(dir / "new.zip", layout.headers[i]), ReadFile(source / kTree[i].path)) << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, WriterReuse, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ReuseCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace vantorel::test

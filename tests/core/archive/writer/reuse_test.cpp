// A second run copies the data of unchanged files from the previous archive,
// and only when that is safe: the new archive must always be what a full run
// would have made of the files as they are now.

#include "archive/writer/zip_folder.h"
#include "platform/file_system_kind.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <linux/magic.h>
#include <sys/mman.h>
#include <sys/mount.h>
#include <sys/vfs.h>
#include <sys/xattr.h>
#include <thread>
#include <unistd.h>
#include <utility>

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
    // Stored, and too large to be held whole: copied as it is read.
    {"a/b/c/" + Repeat(Repeat("é", 120) + "/", 4) + "bruit/bruit.bin", RandomBytes((1 << 20) + 5000, 5),
     LocalTime(2019, 4, 5, 6, 7, 8)},
};

// Where a row's source tree lies: its file system decides whether the times
// of its files can prove them unchanged.
enum class SourceOn { TestFolder, Tmpfs, ExfatFuse };

struct ReuseCase {
    const char* name;
    // Between the runs: may change the tree or the previous archive, or
    // return another previous archive to use.
    std::function<fs::path(const TempDir& dir, const fs::path& source, const fs::path& previous)> between;
    std::uint64_t reused;
    SourceOn on = SourceOn::TestFolder;
    // Done to the tree shortly before the previous run, the tree itself
    // having been made well before; and the writeback delay of the second run.
    std::function<void(const fs::path& source)> shortlyBefore = nullptr;
    std::chrono::milliseconds writebackDelay{0};
};

// A source folder on the file system a row asks for, gone with the object;
// `unavailable` says why there is none here.
class SourceFolder {
public:
    SourceFolder(SourceOn on, const TempDir& dir) {
        if (on == SourceOn::TestFolder) {
            folder_ = dir / "source";
        } else if (on == SourceOn::Tmpfs) {
            struct statfs info {};
            if (statfs("/dev/shm", &info) != 0 || info.f_type != TMPFS_MAGIC) {
                unavailable_ = "no tmpfs at /dev/shm";
                return;
            }
            std::string pattern = "/dev/shm/vantorel-test-XXXXXX";
            if (mkdtemp(pattern.data()) == nullptr) {
                unavailable_ = "cannot make a folder in /dev/shm";
                return;
            }
            removed_ = pattern;
            folder_ = removed_ / "source";
        } else {
            MountExfat(dir);
        }
    }
    ~SourceFolder() {
        if (!mounted_.empty()) {
            umount2(mounted_.c_str(), MNT_DETACH);
        }
        if (!loopDevice_.empty()) {
            // Still held by the exiting file system: the kernel frees it once let go.
            static_cast<void>(std::system(("losetup --detach " + loopDevice_ + " 2>/dev/null").c_str()));
        }
        std::error_code ignored;
        fs::remove_all(removed_, ignored);
    }
    SourceFolder(const SourceFolder&) = delete;
    SourceFolder& operator=(const SourceFolder&) = delete;

    const fs::path& path() const { return folder_; }
    const std::string& unavailable() const { return unavailable_; }

private:
    // exfat-fuse run as root wants a block device: the image goes through a loop device.
    void MountExfat(const TempDir& dir) {
        if (geteuid() != 0 || access("/dev/fuse", R_OK | W_OK) != 0) {
            unavailable_ = "mounting exFAT through FUSE needs root and /dev/fuse";
            return;
        }
        const fs::path image = dir / "exfat.img";
        const fs::path at = dir / "exfat";
        std::ofstream(image).close();
        fs::resize_file(image, 64 << 20);
        fs::create_directories(at);
        const std::string device = Output("losetup --find --show " + image.string());
        if (device.empty()) {
            unavailable_ = "no loop device for the exFAT image";
            return;
        }
        loopDevice_ = device;
        if (std::system(("mkfs.exfat " + device + " >/dev/null 2>&1").c_str()) != 0 ||
            std::system(("mount.exfat-fuse " + device + " " + at.string() + " >/dev/null 2>&1").c_str()) != 0) {
            unavailable_ = "mkfs.exfat or mount.exfat-fuse missing or refused (packages exfatprogs, exfat-fuse)";
            return;
        }
        mounted_ = at;
        folder_ = at / "source";
    }

    // The first line a shell command prints; empty when it fails.
    static std::string Output(const std::string& command) {
        std::string line;
        if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
            std::array<char, 256> buffer{};
            if (fgets(buffer.data(), buffer.size(), pipe) != nullptr) {
                line = buffer.data();
            }
            if (pclose(pipe) != 0) {
                line.clear();
            }
        }
        while (!line.empty() && line.back() == '\n') {
            line.pop_back();
        }
        return line;
    }

    fs::path folder_;
    fs::path removed_;
    fs::path mounted_;
    std::string loopDevice_;
    std::string unavailable_;
};

// A page of notes.txt written through a shared mapping and left dirty: a
// later write to it changes no time until the kernel writes it back.
struct MappedNotes {
    char* page = nullptr;
    std::size_t size = 0;
};
MappedNotes gMapped;

void MapAndWrite(const fs::path& source) {
    const int fd = open((source / "notes.txt").c_str(), O_RDWR | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    gMapped.size = static_cast<std::size_t>(fs::file_size(source / "notes.txt"));
    void* at = mmap(nullptr, gMapped.size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    ASSERT_NE(at, MAP_FAILED);
    gMapped.page = static_cast<char*>(at);
    gMapped.page[0] = 'm'; // dates the file: the page was clean
}

// Flips a byte of `entry` in the middle of its data, or the first byte of
// the name its local header repeats: bytes the run stamp does not cover.
void FlipByte(const fs::path& archive, const std::string& entry, bool inLocalName) {
    for (const CentralHeaderFields& h : ReadZipLayout(archive).headers) {
        if (h.name == entry) {
            const std::uint64_t at = inLocalName ? h.offset + 30 : h.local.dataOffset + h.compressed / 2;
            std::fstream file(archive, std::ios::in | std::ios::out | std::ios::binary);
            file.seekg(static_cast<std::streamoff>(at));
            const char byte = static_cast<char>(file.get() ^ 0x20);
            file.seekp(static_cast<std::streamoff>(at));
            file.put(byte);
        }
    }
}

const ReuseCase kCases[] = {
    {"UnchangedTree", [](const TempDir&, const fs::path&, const fs::path& previous) { return previous; }, 6},
    {"SameSizeAndTimeNewBytes",
     [](const TempDir&, const fs::path& source, const fs::path& previous) {
         // Rewritten within the same two-second tick: only the status-change
         // time, later than the previous run's start, tells.
         WriteFile(source / "notes.txt", std::string(5000, 'N') + "fin");
         SetModified(source / "notes.txt", kTree[0].modified);
         return previous;
     },
     5},
    {"DamagedPreviousArchive",
     [](const TempDir&, const fs::path&, const fs::path& previous) {
         // Still decodes, to other bytes: only the CRC-32 tells. Nothing
         // after it is copied either.
         FlipByte(previous, "a/noise.bin", false);
         return previous;
     },
     1},
    {"LocalHeaderOfAnotherName",
     [](const TempDir&, const fs::path&, const fs::path& previous) {
         FlipByte(previous, "notes.txt", true);
         return previous;
     },
     0},
    {"ArchiveOfAnotherSourceFolder",
     [](const TempDir& dir, const fs::path&, const fs::path&) {
         MakeTree(dir / "other", kTree); // the same names, bytes and times
         std::this_thread::sleep_for(std::chrono::milliseconds(50));
         ZipFolder(dir / "other.zip", dir / "other");
         return dir / "other.zip";
     },
     0},
    // Written through a mapping just before the previous run, and again after
    // it to the page still unwritten: no time changed the second time, but
    // the first write falls within the writeback delay of that run's start.
    {"MappedWriteWithinTheWritebackDelay",
     [](const TempDir&, const fs::path&, const fs::path& previous) {
         if (gMapped.page != nullptr) {
             gMapped.page[1] = 'M';
             munmap(gMapped.page, std::exchange(gMapped.size, 0));
             gMapped.page = nullptr;
         }
         return previous;
     },
     5, SourceOn::TestFolder, MapAndWrite, std::chrono::milliseconds(200)},
    // tmpfs never writes back, so mapped writes leave the times alone for good.
    {"TmpfsSourceIsAlwaysRead", [](const TempDir&, const fs::path&, const fs::path& previous) { return previous; }, 0,
     SourceOn::Tmpfs},
    // exFAT keeps the change time equal to the modification time, in whole
    // seconds, and lets both be set: a rewrite of the same size with its old
    // time put back looks unchanged.
    {"ExfatRewriteWithItsTimePutBack",
     [](const TempDir&, const fs::path& source, const fs::path& previous) {
         WriteFile(source / "notes.txt", std::string(5000, 'N') + "fin");
         SetModified(source / "notes.txt", kTree[0].modified);
         return previous;
     },
     0, SourceOn::ExfatFuse},
};

class WriterReuse : public ::testing::TestWithParam<ReuseCase> {};

TEST_P(WriterReuse, CopiesOnlyWhatIsProvenUnchanged) {
    const ReuseCase& row = GetParam();
    TempDir dir;
    if (setxattr(dir.path().c_str(), "user.probe", "1", 1, 0) != 0 && errno == ENOTSUP) {
        GTEST_SKIP() << "no user extended attributes where the tests run";
    }
    if (row.on == SourceOn::TestFolder && row.reused > 0 && !DatesChangesHonestly(dir.path())) {
        GTEST_SKIP() << "the temporary folder's file system cannot prove a file unchanged: nothing is reused there";
    }
    const SourceFolder place(row.on, dir);
    if (!place.unavailable().empty()) {
        GTEST_SKIP() << place.unavailable();
    }
    const fs::path& source = place.path();
    MakeTree(source, kTree);
    if (row.shortlyBefore) {
        // Well past the second run's writeback delay for the rest of the tree.
        std::this_thread::sleep_for(row.writebackDelay + std::chrono::milliseconds(100));
        row.shortlyBefore(source);
    }
    // The files' status-change times must be earlier than the run's start.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ZipFolder(dir / "previous.zip", source);

    const fs::path previous = row.between(dir, source, dir / "previous.zip");
    const ZipSummary summary = ZipFolder(
        dir / "new.zip", source, {.threads = 1, .previousArchive = previous, .writebackDelay = row.writebackDelay});

    EXPECT_EQ(summary.reused, row.reused);
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

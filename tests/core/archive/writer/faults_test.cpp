// ZipFolder's failures: each one raises a typed ArchiveError, leaves no
// temporary file, writes nothing into the source and leaves whatever the
// archive path named before untouched.

#include "archive/archive_error.h"
#include "archive/writer/zip_folder.h"
#include "tests/support/file_tree.h"
#include "tests/support/temp_dir.h"
#include "tests/support/unprivileged.h"
#include "tests/support/zip_layout.h"
#include "tests/support/zip_tools.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/mount.h>
#include <unistd.h>

namespace vantorel::test {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& archive) {
    std::set<std::string> names;
    for (const CentralHeaderFields& h : ReadZipLayout(archive).headers) {
        names.insert(h.name);
    }
    return names;
}

// Every path under a folder, for "nothing was added or removed" checks.
std::set<std::string> Listing(const fs::path& folder) {
    std::set<std::string> paths;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        paths.insert(item.path().lexically_relative(folder).string());
    }
    return paths;
}

ArchiveFailure FailureOf(const fs::path& archive, const fs::path& source, const ZipOptions& options = {}) {
    try {
        ZipFolder(archive, source, options);
    } catch (const ArchiveError& error) {
        return error.kind();
    }
    ADD_FAILURE() << "ZipFolder succeeded";
    return ArchiveFailure::Unsupported;
}

TEST(WriterFaults, RefusesBadPathsWithoutCreatingAnything) {
    TempDir dir;
    WriteFile(dir / "source" / "a.txt", "a");
    EXPECT_EQ(FailureOf("relative.zip", dir / "source"), ArchiveFailure::PathNotAbsolute);
    EXPECT_FALSE(fs::exists("relative.zip"));
    EXPECT_EQ(FailureOf(dir / "out.zip", dir / "missing"), ArchiveFailure::NoSuchFolder);
    EXPECT_EQ(FailureOf(dir / "out.zip", dir / "source" / "a.txt"), ArchiveFailure::NoSuchFolder);
    EXPECT_EQ(FailureOf(dir / "no-folder" / "out.zip", dir / "source"), ArchiveFailure::WriteFailed);
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"source", "source/a.txt"}));
}

TEST(WriterFaults, ReplacesWhatTheArchivePathHeldWithAFreshArchive) {
    TempDir dir;
    const fs::path archive = dir / "save_3_1.zip";
    WriteFile(dir / "old" / "kept.txt", "old content");
    WriteFile(dir / "old" / "gone.txt", "deleted since");
    ZipFolder(archive, dir / "old");
    WriteFile(dir / "new" / "kept.txt", "new content");
    ZipFolder(archive, dir / "new");
    const ZipLayout zip = ReadZipLayout(archive);
    ASSERT_EQ(zip.headers.size(), 1u);
    EXPECT_EQ(ReadEntryData(archive, zip.headers[0]), "new content");
    // A file that is no archive at all is replaced just the same.
    WriteFile(archive, "not a zip");
    ZipFolder(archive, dir / "new");
    EXPECT_EQ(Names(archive), (std::set<std::string>{"kept.txt"}));
}

TEST(WriterFaults, RemovesTheLeftoverOfAnInterruptedRun) {
    TempDir dir;
    WriteFile(dir / "source" / "a.txt", "a");
    WriteFile(dir / ".save_3_1.zip.partial", "cut short by a crash");
    ZipFolder(dir / "save_3_1.zip", dir / "source");
    EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"save_3_1.zip", "source", "source/a.txt"}));
    EXPECT_TRUE(ZipToolsAccept(dir / "save_3_1.zip"));
}

TEST(WriterFaults, NeverArchivesItselfWhenTheDestinationIsInsideTheSource) {
    TempDir dir;
    const fs::path source = dir / "source";
    const fs::path archives = source / "Vantorel";
    WriteFile(source / "a.txt", "a");
    WriteFile(archives / "save_3_2.zip", "previous generation");
    WriteFile(archives / "save_3_1.zip", "generation being replaced");
    fs::create_symlink("Vantorel/save_3_1.zip", source / "link-to-archive");
    // Enough incompressible data for the entries to spill to files beside the archive.
    WriteFile(source / "big.bin", RandomBytes(5 << 20, 1));
    ZipFolder(archives / "save_3_1.zip", source, {.threads = 2});
    EXPECT_EQ(Names(archives / "save_3_1.zip"), (std::set<std::string>{"a.txt", "big.bin", "Vantorel/save_3_2.zip"}));
    EXPECT_EQ(Listing(archives), (std::set<std::string>{"save_3_1.zip", "save_3_2.zip"}));
}

// A folder swapped for a link to an outside folder after the walk listed it:
// the files are read from the folder listed, or the run fails naming one of
// them; outside files never come in under the inside names.
TEST(WriterFaults, AFolderSwappedForALinkNeverBringsOutsideFilesIn) {
    TempDir dir;
    const fs::path source = dir / "source";
    WriteFile(source / "first.bin", RandomBytes(4 << 20, 6)); // still being read when the swap comes
    WriteFile(source / "sub" / "a.txt", "inside a");
    WriteFile(dir / "outside" / "a.txt", "OUTSIDE a");
    std::atomic<bool> swapped{false};
    ZipOptions options{.threads = 1};
    // The first report comes once the walk has listed every file.
    options.control.progress = [&](std::uint64_t, std::uint64_t) {
        if (!swapped.exchange(true)) {
            fs::rename(source / "sub", dir / "moved");
            fs::create_directory_symlink(dir / "outside", source / "sub");
        }
    };
    try {
        ZipFolder(dir / "out.zip", source, options);
        for (const CentralHeaderFields& h : ReadZipLayout(dir / "out.zip").headers) {
            if (h.name == "sub/a.txt") {
                EXPECT_EQ(ReadEntryData(dir / "out.zip", h), "inside a");
            }
        }
    } catch (const ArchiveError& error) {
        EXPECT_EQ(error.kind(), ArchiveFailure::ReadFailed);
        EXPECT_EQ(error.path(), source / "sub" / "a.txt");
    }
    EXPECT_TRUE(swapped);
}

// Runs ZipFolder as an unprivileged user; the child's exit code is the
// failure kind + 1, or 0 on success.
std::optional<int> ZipAsNobody(const fs::path& archive, const fs::path& source) {
    return RunUnprivileged([&] {
        try {
            ZipFolder(archive, source);
            return 0;
        } catch (const ArchiveError& error) {
            return static_cast<int>(error.kind()) + 1;
        } catch (...) {
            return 100;
        }
    });
}

constexpr int Code(ArchiveFailure kind) {
    return static_cast<int>(kind) + 1;
}

class WriterUnprivileged : public ::testing::Test {
protected:
    void SetUp() override {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root to hand folders to another user";
        }
        // The temporary folder is private to root; let the child in.
        fs::permissions(dir_.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        source_ = dir_ / "source";
        archives_ = dir_ / "archives";
        MakeTree(source_, {{"a.txt", "a"}, {"sub/big.bin", RandomBytes(5 << 20, 2)}, {"sub/c.txt", "c"}});
        fs::permissions(source_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                     fs::perms::group_read | fs::perms::others_read);
        fs::permissions(source_ / "sub", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                             fs::perms::group_read | fs::perms::others_read);
        fs::create_directories(archives_);
        ASSERT_EQ(chown(archives_.c_str(), 65534, 65534), 0);
        WriteFile(archives_ / "save_1_1.zip", "the previous archive");
        ASSERT_EQ(chown((archives_ / "save_1_1.zip").c_str(), 65534, 65534), 0);
    }

    TempDir dir_;
    fs::path source_;
    fs::path archives_;
};

TEST_F(WriterUnprivileged, BacksUpASourceItCannotWriteTo) {
    const std::set<std::string> before = Listing(source_);
    const std::optional<int> code = ZipAsNobody(archives_ / "save_1_1.zip", source_);
    if (!code) {
        GTEST_SKIP() << "cannot drop privileges here";
    }
    EXPECT_EQ(*code, 0);
    EXPECT_EQ(Listing(source_), before);
    EXPECT_EQ(Names(archives_ / "save_1_1.zip"), (std::set<std::string>{"a.txt", "sub/big.bin", "sub/c.txt"}));
    EXPECT_TRUE(ZipToolsAccept(archives_ / "save_1_1.zip"));
}

// Whatever the run cannot read fails it: leaving it out would pass for a
// complete backup. A folder listed but not searchable is one: its files'
// status cannot be taken.
TEST_F(WriterUnprivileged, WhatItCannotReadFailsTheRunAndKeepsThePreviousArchive) {
    using fs::perms;
    const struct {
        const char* what;
        fs::path path;
        perms permissions;
    } rows[] = {
        {"an unreadable file", source_ / "sub" / "c.txt", perms::owner_read | perms::owner_write},
        {"an unlistable folder", source_ / "sub", perms::owner_all},
        {"a folder listed but not searchable", source_ / "sub", perms::owner_all | perms::others_read},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const perms before = fs::status(row.path).permissions();
        fs::permissions(row.path, row.permissions);
        const std::optional<int> code = ZipAsNobody(archives_ / "save_1_1.zip", source_);
        fs::permissions(row.path, before);
        if (!code) {
            GTEST_SKIP() << "cannot drop privileges here";
        }
        EXPECT_EQ(*code, Code(ArchiveFailure::ReadFailed));
        EXPECT_EQ(ReadFile(archives_ / "save_1_1.zip"), "the previous archive");
        EXPECT_EQ(Listing(archives_), (std::set<std::string>{"save_1_1.zip"}));
    }
}

TEST_F(WriterUnprivileged, AnUnwritableArchiveFolderFailsTheRun) {
    const std::optional<int> code = ZipAsNobody(dir_ / "save_1_1.zip", source_);
    if (!code) {
        GTEST_SKIP() << "cannot drop privileges here";
    }
    EXPECT_EQ(*code, Code(ArchiveFailure::WriteFailed));
    EXPECT_FALSE(fs::exists(dir_ / "save_1_1.zip"));
    EXPECT_FALSE(fs::exists(dir_ / ".save_1_1.zip.partial"));
}

TEST(WriterFaults, AFullDiskFailsTheRunAndKeepsThePreviousArchive) {
    TempDir dir;
    const fs::path small = dir / "small";
    fs::create_directories(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") != 0) {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    struct Unmount {
        const fs::path& at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};
    WriteFile(small / "save_1_1.zip", "the previous archive");
    WriteFile(dir / "source" / "a.bin", RandomBytes(600 << 10, 4));
    WriteFile(dir / "source" / "b.bin", RandomBytes(600 << 10, 5));
    for (std::size_t threads : {1, 3}) {
        EXPECT_EQ(FailureOf(small / "save_1_1.zip", dir / "source", {.threads = threads}), ArchiveFailure::WriteFailed);
        EXPECT_EQ(ReadFile(small / "save_1_1.zip"), "the previous archive");
        EXPECT_EQ(Listing(small), (std::set<std::string>{"save_1_1.zip"}));
    }
}

// A stop asked while the data are read (the program ending) fails the run
// within a block and leaves things as any other failure does.
TEST(WriterFaults, AStopRequestFailsTheRunAndKeepsThePreviousArchive) {
    TempDir dir;
    WriteFile(dir / "save_1_1.zip", "the previous archive");
    WriteFile(dir / "source" / "a.bin", RandomBytes(3 << 20, 4));
    for (std::size_t threads : {1, 3}) {
        std::atomic<bool> stop{false};
        ZipOptions options{.threads = threads};
        options.control.cancel = &stop;
        options.control.progress = [&stop](std::uint64_t done, std::uint64_t) {
            if (done > 0) {
                stop = true;
            }
        };
        EXPECT_EQ(FailureOf(dir / "save_1_1.zip", dir / "source", options), ArchiveFailure::Cancelled);
        EXPECT_EQ(ReadFile(dir / "save_1_1.zip"), "the previous archive");
        EXPECT_EQ(Listing(dir.path()), (std::set<std::string>{"save_1_1.zip", "source", "source/a.bin"}));
    }
}

} // namespace
} // namespace vantorel::test

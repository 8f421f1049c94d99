#pragma once

// Unchanged files cost almost nothing: their compressed bytes are copied from
// the archive the previous run wrote instead of being compressed again.
//
// A copy is only as good as the proof that the file has not changed since it
// was read, so each archive carries, in a user extended attribute of its file
// (never in the archive's bytes), the stamp of the run that wrote it: the
// moment that run started, by the kernel's clock that also dates every
// change of a file (the status-change time of the temporary archive when it
// was created, before any file was listed or read), the source folder it
// read, and what it wrote (the archive's size and the CRC-32 of its central
// directory), so that the stamp cannot vouch for other bytes put under the
// same name. An archive without a valid stamp (copied, from a file system
// without user attributes, or written for another source folder) is never
// used.
//
// A file is copied only when its stored name, size and DOS time match a
// previous entry and both its modification and status-change times are
// earlier than the previous run's start by more than the kernel's writeback
// delay: a change made while that run read the file, or since, gives a later
// status-change time, which no tool can set back; and a write through a
// shared mapping to a page still unwritten from an earlier write changes no
// time at all, but that earlier write did, no longer than the writeback delay
// before. The times prove this only where the file system keeps them so
// (platform/file_system_kind.h): files elsewhere (tmpfs, FAT and exFAT, FUSE,
// network shares) are always read; the walk tells which.
//
// Copied data are decoded and their CRC-32 compared with the previous
// central directory before they are handed on; the first entry that fails
// turns reuse off for the rest of the run, so damage never spreads into the
// new generation.

#include "archive/reader/archive_source.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/zip_reader.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace vantorel::archive::writer {

struct CompressedEntry;
class MemoryBudget;

// What a run records on the archive it wrote.
struct RunStamp {
    std::timespec start{};
    std::uint64_t sourceDevice = 0;
    std::uint64_t sourceInode = 0;
    std::string sourceFolder;
    std::uint64_t archiveSize = 0;
    std::uint32_t centralDirectoryCrc = 0;
};

// The stamp as the attribute holds it, and back; nullopt for anything else.
std::string FormatRunStamp(const RunStamp& stamp);
std::optional<RunStamp> ParseRunStamp(std::string_view text);

// Records `stamp` on the open archive; false when the file system refuses
// (the next run then compresses everything).
bool WriteRunStamp(int fd, const RunStamp& stamp);

class PreviousArchive {
public:
    // The archive at `path` when its stamp says it was written by a run over
    // the same source folder (same path, same device and inode) and matches
    // its bytes; nullptr otherwise, and when it cannot be read.
    // `writebackDelay` is the kernel's (KernelWritebackDelay).
    static std::unique_ptr<PreviousArchive> Open(const std::filesystem::path& path, const RunStamp& current,
                                                 std::chrono::milliseconds writebackDelay);

    // When the file described by `info` is unchanged since the previous run
    // read it and its previous data prove sound, puts those data into
    // `result.data` and sets the entry's method, CRC and size; false (and
    // `result.data` left empty) otherwise. Safe to call from several threads.
    // Buffers beyond what a worker keeps come from `budget` when set.
    bool Reuse(const struct stat& info, CompressedEntry& result, MemoryBudget* budget);

    std::size_t reused() const { return reused_.load(); }

private:
    PreviousArchive(std::filesystem::path path, std::timespec settled);
    bool CopyVerified(std::size_t index, CompressedEntry& result, MemoryBudget* budget) const;

    std::filesystem::path path_;
    std::timespec settled_; // files changed since are read again
    std::unique_ptr<reader::FileSource> file_;
    reader::CentralDirectory directory_;
    std::unique_ptr<reader::EntryLayout> layout_;
    std::unordered_map<std::string_view, std::size_t> byName_;
    std::atomic<bool> off_ = false;
    std::atomic<std::size_t> reused_ = 0;
};

} // namespace vantorel::archive::writer

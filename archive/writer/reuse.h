#pragma once

// Unchanged files cost almost nothing: their compressed bytes are copied from
// the archive the previous run wrote instead of being compressed again.
//
// A copy is only as good as the proof that the file has not changed since it
// was read. Only an archive whose run stamp (run_stamp.h) is valid for this
// source folder and these bytes is used.
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
// Copied data are read through the reader, as a restore reads them: the
// local header must repeat the central one, and the data must decode to the
// size and CRC-32 of the previous central directory, ending where the entry
// ends, before a byte is handed on; the bytes copied are the very bytes
// decoded, never a second reading of them. The first entry that fails turns reuse
// off for the rest of the run, so damage never spreads into the new
// generation.

#include "archive/reader/archive_source.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/zip_reader.h"
#include "archive/writer/run_stamp.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <unordered_map>

namespace vantorel::archive::writer {

struct CompressedEntry;
class MemoryBudget;

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
    // Why the file described by `info` may have changed since `previous` was
    // written, or null when it has not.
    const char* Changed(const reader::CentralEntry& previous, const struct stat& info,
                        const CompressedEntry& result) const;
    bool CopyChecked(std::size_t index, CompressedEntry& result, MemoryBudget* budget) const;

    std::filesystem::path path_;
    std::timespec settled_; // files changed since are read again
    std::unique_ptr<reader::ArchiveFileSource> file_;
    reader::DirectoryAsRead directory_;
    std::unique_ptr<reader::EntryLayout> layout_;
    std::unordered_map<std::string_view, std::size_t> byName_;
    std::atomic<bool> off_ = false;
    std::atomic<std::size_t> reused_ = 0;
};

} // namespace vantorel::archive::writer

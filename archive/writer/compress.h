#pragma once

#include "archive/writer/entry.h"
#include "archive/writer/spill.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace vantorel {
class ProgressMeter;
} // namespace vantorel

namespace vantorel::archive::writer {

class MemoryBudget;
class PreviousArchive;

// What each worker thread keeps from one file to the next: its read block,
// buffers up to kKeptBuffer, its compressor and inflater states.
inline constexpr std::size_t kKeptBuffer = 256 << 10;
inline constexpr std::size_t kWorkerMemory = 3 << 20;

// An entry ready to be written: its header values and its data.
struct CompressedEntry {
    ZipEntry entry;
    Spill data;
};

struct CompressSettings {
    std::filesystem::path spillFolder; // where data beyond spillMemory go (the archive's folder)
    std::size_t spillMemory = 0;       // bytes of each entry's data kept in memory
    // The size a file not opened as a large file may not reach while it is
    // read (the 32-bit limit of its headers; lower only in tests).
    std::uint64_t classicLimit = 0xFFFFFFFF;
    // When set and true, reading stops with ArchiveError(ReadFailed, ECANCELED):
    // the run has already failed elsewhere.
    const std::atomic<bool>* cancelled = nullptr;
    // Threads that deflate the chunks of one large file.
    std::size_t deflateThreads = 1;
    // Counts every block read, and stops the reading on request; may be null.
    ProgressMeter* meter = nullptr;
    // When set, an unchanged file's data are copied from there (reuse.h).
    PreviousArchive* previous = nullptr;
    // When set, every buffer beyond what a worker keeps is taken from there.
    MemoryBudget* budget = nullptr;
};

// Reads the file at `file` and compresses it (or, when it is unchanged since
// the previous archive, takes its data from there): raw deflate, or stored when
// deflating would make it larger (equal sizes keep deflate); a 0-byte file is
// stored. The header values come from the file as opened (size, last-write
// time, attribute word). Throws ArchiveError: ReadFailed when the file cannot
// be opened or read, TooLarge when a file under 4 GiB at open grows past the
// 32-bit limit while read. `listed`, when given, is the file's status as the
// walk saw it (a regular file): enough to find it unchanged without looking
// at it again; without it, the file is always read. `folder`, when set, is
// called once the file must be read and gives the open folder it is read
// from, as file.filename(); otherwise it is opened by its path.
using OpenFolder = std::function<int()>;
CompressedEntry CompressFile(const std::filesystem::path& file, std::string storedName, std::uint16_t flags,
                             const CompressSettings& settings, const struct stat* listed = nullptr,
                             const OpenFolder& folder = {});

} // namespace vantorel::archive::writer

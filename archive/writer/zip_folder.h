#pragma once

#include "archive/step_control.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace vantorel {

struct ZipOptions {
    // Threads that deflate entries; 0 means one per processor. Capped where
    // the memory budget would be spent on threads rather than on the data
    // they work on (5). The archive's bytes do not depend on it.
    std::size_t threads = 0;
    // Progress by bytes read from the source files, and the stop request.
    StepControl control{};
    // The archive the previous run of the same job wrote; when it can be
    // trusted, the files unchanged since that run are copied from it instead
    // of being compressed again. Empty: everything is compressed.
    std::filesystem::path previousArchive{};
    // How long the kernel may hold a file's written pages before writing them
    // back: a file changed that little before the previous run started is
    // read again. Unset: the kernel's own (KernelWritebackDelay, read from
    // /proc/sys/vm when a previous archive is given).
    std::optional<std::chrono::milliseconds> writebackDelay{};
};

// What a ZipFolder call did.
struct ZipSummary {
    std::uint64_t entries = 0;
    std::uint64_t reused = 0; // entries whose data came from the previous archive
    // The memory budget of the large buffers, and the most of it ever held.
    std::size_t memoryHighWater = 0;
    std::size_t memoryBudget = 0;
};

// Writes every eligible file of sourceFolder (subfolders included) into a
// fresh zip archive at archivePath. The archive is built in a temporary file
// beside archivePath and takes its name only once complete and flushed, so an
// archive under its final name is always whole. Nothing is written into the
// source folder. Each file is read from the very folder the walk listed it
// in, reached again from the source folder without following links: a folder
// replaced meanwhile (by a link or by another folder) fails the run with
// ArchiveError(ReadFailed) naming the file, so the archive never holds other
// files under the names it lists. Throws ArchiveError on any failure, leaving whatever file
// archivePath named before untouched; a stop request throws
// ArchiveError(Cancelled) the same way.
ZipSummary ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
                     const ZipOptions& options = {});
// The same, leaving out these files too when the source folder holds them: a
// job's generations, which a run writes beside the new archive.
ZipSummary ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
                     const ZipOptions& options, const std::vector<std::filesystem::path>& leftOut);

// True when sourceFolder holds at least one file ZipFolder would archive.
bool HasArchivableFile(const std::filesystem::path& sourceFolder);

} // namespace vantorel

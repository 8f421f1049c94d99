#pragma once

#include "archive/step_control.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
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
// source folder. Throws ArchiveError on any failure, leaving whatever file
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

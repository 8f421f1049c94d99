#pragma once

#include "archive/step_control.h"

#include <cstddef>
#include <filesystem>
#include <vector>

namespace vantorel {

struct ZipOptions {
    // Threads that deflate entries; 0 means one per processor. The archive's
    // bytes do not depend on it.
    std::size_t threads = 0;
    // Progress by bytes read from the source files, and the stop request.
    StepControl control{};
};

// Writes every eligible file of sourceFolder (subfolders included) into a
// fresh zip archive at archivePath. The archive is built in a temporary file
// beside archivePath and takes its name only once complete and flushed, so an
// archive under its final name is always whole. Nothing is written into the
// source folder. Throws ArchiveError on any failure, leaving whatever file
// archivePath named before untouched; a stop request throws
// ArchiveError(Cancelled) the same way.
void ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
               const ZipOptions& options = {});
// The same, leaving out these files too when the source folder holds them: a
// job's generations, which a run writes beside the new archive.
void ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
               const ZipOptions& options, const std::vector<std::filesystem::path>& leftOut);

// True when sourceFolder holds at least one file ZipFolder would archive.
bool HasArchivableFile(const std::filesystem::path& sourceFolder);

} // namespace vantorel

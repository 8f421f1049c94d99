#pragma once

#include <cstdint>
#include <optional>

#include "archive/reader/archive_source.h"

namespace vantorel::archive::reader {

// The end-of-central-directory record (APPNOTE 4.3.16), as found in a file.
struct EndRecord {
    std::uint64_t offset = 0; // where its signature starts in the file
    std::uint16_t diskNumber = 0;
    std::uint16_t centralDirectoryDisk = 0;
    std::uint16_t entriesOnDisk = 0;
    std::uint16_t totalEntries = 0;
    std::uint32_t centralDirectorySize = 0;
    std::uint32_t centralDirectoryOffset = 0;
    std::uint16_t commentLength = 0;
};

// Finds the end record: first the last 22 bytes, taken when they start with
// the signature and declare no comment; otherwise the file is searched
// backwards through a window that starts at 512 bytes and doubles up to 65536,
// moving back by the window less 4 bytes, so a signature across two windows
// is still seen. A hit counts only when the comment it declares fits in the
// bytes after it. nullopt when no record is found or the file cannot be read.
std::optional<EndRecord> FindEndRecord(const ArchiveSource& source);

} // namespace vantorel::archive::reader

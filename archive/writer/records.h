#pragma once

// The records of a zip archive, each laid out field by field in little-endian
// order (APPNOTE 4.3). Every function checks that its values fit their fields
// and throws ArchiveError(TooLarge) instead of writing a wrapped value.

#include "archive/writer/entry.h"

#include <cstdint>
#include <vector>

namespace vantorel::archive::writer {

// The central directory as this run writes it: what the end records
// describe.
struct DirectoryWritten {
    std::uint64_t entries = 0;
    std::uint64_t size = 0;   // bytes of all central directory headers
    std::uint64_t offset = 0; // where the first one starts
};

// True when the classic end record cannot hold the directory's values, so
// the ZIP64 end record and its locator come first (APPNOTE 4.3.14, 4.3.15).
bool NeedsZip64End(const DirectoryWritten& directory);

std::vector<std::uint8_t> LocalHeaderRecord(const ZipEntry& entry);
std::vector<std::uint8_t> CentralHeaderRecord(const ZipEntry& entry);
std::vector<std::uint8_t> Zip64EndRecord(const DirectoryWritten& directory);
std::vector<std::uint8_t> Zip64LocatorRecord(std::uint64_t zip64EndOffset);
std::vector<std::uint8_t> EndOfCentralDirRecord(const DirectoryWritten& directory);

} // namespace vantorel::archive::writer

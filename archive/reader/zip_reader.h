#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/reader/archive_source.h"

namespace vantorel::archive::reader {

// One central directory header (APPNOTE 4.3.12), with the ZIP64 values
// (APPNOTE 4.5.3) already folded into the sizes and the offset.
struct CentralEntry {
    std::uint16_t versionMadeBy = 0;
    std::uint16_t versionNeeded = 0;
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0;
    // Where the local header starts in the file (bytes in front of the
    // archive, as a self-extractor has, are already counted in).
    std::uint64_t localHeaderOffset = 0;
    std::string rawName;        // the stored bytes, in code page 850 or UTF-8 (bit 11)
    std::string unicodeName;    // from a Unicode path field that speaks for rawName, else empty
    bool hasZip64Extra = false; // the header carries a ZIP64 extended information field
    bool extraDamaged = false;  // a block of the extra field runs past its end
};

// The central directory of an archive as read: its entries in their stored
// order and where the directory lies. Entry data belong before `start`.
struct DirectoryAsRead {
    std::uint64_t start = 0;
    std::uint64_t end = 0;
    bool zip64 = false; // found through a ZIP64 end record
    std::vector<CentralEntry> entries;
};

// Locates the end record (and the ZIP64 end record through its locator) and
// reads every central directory header. Throws ArchiveError with `path`:
// NotAnArchive when no end record is found, Unsupported for a spanned or
// multi-disk archive, InvalidArchive for a damaged directory.
DirectoryAsRead ReadCentralDirectory(const ArchiveSource& source, const std::filesystem::path& path);

// The values of a ZIP64 extended information field (ID 0x0001) inside an
// extra field, for the fields that the header left at their maximum (a value
// the field lacks keeps the header's). A block whose length runs past the
// extra field makes it Damaged: nothing past the field is ever read.
struct Zip64Values {
    bool wantUncompressed = false;
    bool wantCompressed = false;
    bool wantOffset = false;
    std::uint64_t uncompressed = 0;
    std::uint64_t compressed = 0;
    std::uint64_t offset = 0;
};
enum class ExtraField { NoZip64, Zip64, Damaged };
ExtraField ReadZip64Extra(std::span<const std::uint8_t> extra, Zip64Values& values);

// The entry's name in UTF-8: the name of its Unicode path field when one
// speaks for the stored bytes, else the stored bytes read by the stored-name
// rule (archive/stored_name.h).
std::string EntryName(const CentralEntry& entry);

} // namespace vantorel::archive::reader

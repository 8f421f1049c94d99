#pragma once

#include "platform/dos_time.h"

#include <cstdint>
#include <string>

namespace vantorel::archive::writer {

// One archived file as its two headers describe it, apart from how the
// headers are laid out (records.h does that).
struct ZipEntry {
    std::string storedName;  // the bytes of the name: code page 850, or UTF-8 with kFlagUtf8Name
    std::uint16_t flags = 0; // general-purpose flags
    std::uint16_t method = 0;
    DosDateTime modified;
    std::uint32_t crc = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint32_t externalAttributes = 0;
    std::uint64_t localHeaderOffset = 0;
    // Decided from the file's size when it was opened: the sizes may reach the
    // 32-bit limit, so both headers carry them in a ZIP64 extra field.
    bool largeFile = false;
};

// True when the entry's headers carry a ZIP64 extra field: a large file, or a
// local header that starts where a 32-bit offset cannot reach.
bool UsesZip64(const ZipEntry& entry);

// The version needed to extract the entry: 10 stored, 20 deflated, 45 with ZIP64.
std::uint16_t VersionNeeded(const ZipEntry& entry);

} // namespace vantorel::archive::writer

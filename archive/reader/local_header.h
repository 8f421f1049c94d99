#pragma once

#include "archive/reader/archive_source.h"
#include "archive/reader/zip_reader.h"

#include <cstdint>
#include <optional>
#include <string>

namespace vantorel::archive::reader {

// A local header (APPNOTE 4.3.7): what an entry says of itself just before
// its data. The central directory's values are the ones used; these are read
// to find the data and to see that the header belongs to the entry.
struct LocalHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint32_t crc32 = 0; // 0 when a data descriptor follows the data
    std::string rawName;     // the stored bytes
    std::uint64_t dataOffset = 0;
    bool hasZip64Extra = false; // the extra field holds a ZIP64 block
};

// The local header at `offset`; nullopt when it is not there, is cut short,
// or its extra field contradicts its own lengths.
std::optional<LocalHeader> ReadLocalHeader(const ArchiveSource& source, std::uint64_t offset);

// True when the local header repeats the central one's flags, method, CRC-32
// and name, as every header this program writes does: the strict check for
// data that are copied unread into a new archive.
bool RepeatsCentral(const LocalHeader& local, const CentralEntry& entry);

} // namespace vantorel::archive::reader

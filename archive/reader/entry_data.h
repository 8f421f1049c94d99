#pragma once

#include <cstdint>

#include "archive/reader/archive_source.h"

namespace vantorel::archive::reader {

// Where an entry's data lie and what they must decode to.
struct EntryData {
    std::uint64_t offset = 0; // first byte after the local header's name and extra field
    std::uint64_t compressedSize = 0;
    std::uint64_t uncompressedSize = 0;
    std::uint16_t method = 0; // stored or deflated; others are refused before this point
};

struct DecodeResult {
    enum class Status {
        Ok,         // exactly uncompressedSize bytes were written
        BadData,    // damaged, cut short, or decoding to more or fewer bytes than declared
        WriteFailed // the output refused bytes; sysErrno tells why
    };
    Status status = Status::Ok;
    std::uint32_t crc32 = 0; // of the bytes written
    int sysErrno = 0;
};

// Decodes one entry's data into the file open at `outFd`, streaming through
// fixed buffers. Never writes more than the declared uncompressed size, and
// never reads past the declared compressed size.
DecodeResult DecodeEntryData(const ArchiveSource& source, const EntryData& entry, int outFd);

} // namespace vantorel::archive::reader

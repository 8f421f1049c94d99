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

// Decodes entries' data into files, one entry at a time, keeping its state
// and buffers from one entry to the next. Never writes more than the declared
// uncompressed size, and never reads past the declared compressed size.
class EntryDecoder {
public:
    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Decodes one entry's data into the file open at `outFd`. A deflated
    // entry whose declared sizes fit kWholeLimit is decoded in memory at once
    // and written only when it decodes to exactly its declared size; larger
    // ones stream through fixed buffers.
    DecodeResult decode(const ArchiveSource& source, const EntryData& entry, int outFd);

    static constexpr std::uint64_t kWholeLimit = 4 << 20;

private:
    DecodeResult copyStored(const ArchiveSource& source, const EntryData& entry, int outFd);
    DecodeResult inflateWhole(const ArchiveSource& source, const EntryData& entry, int outFd);
    DecodeResult inflateStream(const ArchiveSource& source, const EntryData& entry, int outFd);

    struct State;
    State* state_;
};

} // namespace vantorel::archive::reader

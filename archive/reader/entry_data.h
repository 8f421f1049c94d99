#pragma once

#include <cstddef>
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
    // The compressed stream ended exactly at the data's declared end (bytes
    // after its end are harmless to a restore, but a copy must hold none).
    bool endsWithData = false;
};

// Decodes entries' data, one entry at a time, counting the bytes and their
// CRC-32 and handing them to a file, keeping its state and buffers from one
// entry to the next. Never writes more than the declared uncompressed size,
// and never reads past the declared compressed size.
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
    DecodeResult Decode(const ArchiveSource& source, const EntryData& entry, int outFd);

    // Decodes one entry's data only to count them and take their CRC-32:
    // the proof that stored data are sound before they are copied.
    DecodeResult Check(const ArchiveSource& source, const EntryData& entry);

    // Gives back the buffers grown beyond `keep` bytes by a large entry.
    void Trim(std::size_t keep);

    // True when `entry` is decoded whole in memory, in buffers of its
    // compressed and its uncompressed size; other entries stream through
    // fixed buffers.
    static bool DecodesWhole(const EntryData& entry);

    static constexpr std::uint64_t kWholeLimit = 4 << 20;

private:
    DecodeResult CopyStored(const ArchiveSource& source, const EntryData& entry, int outFd);
    DecodeResult InflateWhole(const ArchiveSource& source, const EntryData& entry, int outFd);
    // Sets the inflater up, or resets it for a new entry; false (and
    // `result` saying why) when zlib refuses.
    bool ResetStream(DecodeResult& result);
    DecodeResult InflateStream(const ArchiveSource& source, const EntryData& entry, int outFd);

    struct State;
    State* state_;
};

} // namespace vantorel::archive::reader

#include "archive/reader/end_record.h"

#include "archive/reader/byte_reader.h"
#include "archive/zip_format.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vantorel::archive::reader {

namespace {

constexpr std::size_t kFirstWindow = 512;
constexpr std::size_t kLargestWindow = 65536;
// Consecutive windows share this many bytes, so a 4-byte signature split by
// a window border lies whole in one of them.
constexpr std::size_t kWindowOverlap = 4;

// The record starting at `offset`, when it holds the signature and its
// declared comment ends within the file.
std::optional<EndRecord> RecordAt(const ArchiveSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, kEndOfCentralDirLength> bytes{};
    if (!source.ReadAt(offset, bytes)) {
        return std::nullopt;
    }
    ByteReader reader(bytes);
    EndRecord record;
    record.offset = offset;
    const std::uint32_t signature = reader.u32();
    record.diskNumber = reader.u16();
    record.centralDirectoryDisk = reader.u16();
    record.entriesOnDisk = reader.u16();
    record.totalEntries = reader.u16();
    record.centralDirectorySize = reader.u32();
    record.centralDirectoryOffset = reader.u32();
    record.commentLength = reader.u16();
    if (!reader.ok() || signature != kEndOfCentralDirSignature) {
        return std::nullopt;
    }
    if (record.commentLength > source.size() - offset - kEndOfCentralDirLength) {
        return std::nullopt; // the comment would run past the end of the file
    }
    return record;
}

bool SignatureAt(const std::vector<std::uint8_t>& window, std::size_t at) {
    ByteReader reader(std::span<const std::uint8_t>(window).subspan(at));
    return reader.u32() == kEndOfCentralDirSignature && reader.ok();
}

} // namespace

std::optional<EndRecord> FindEndRecord(const ArchiveSource& source) {
    const std::uint64_t size = source.size();
    if (size < kEndOfCentralDirLength) {
        return std::nullopt;
    }
    const std::uint64_t last = size - kEndOfCentralDirLength;
    if (std::optional<EndRecord> record = RecordAt(source, last); record && record->commentLength == 0) {
        return record;
    }

    std::vector<std::uint8_t> window;
    std::size_t windowSize = kFirstWindow;
    std::uint64_t end = size;
    for (;;) {
        const std::uint64_t start = end > windowSize ? end - windowSize : 0;
        window.resize(static_cast<std::size_t>(end - start));
        if (!source.ReadAt(start, window)) {
            return std::nullopt;
        }
        // Latest first: the record nearest the end of the file wins.
        for (std::size_t at = window.size() >= 4 ? window.size() - 4 + 1 : 0; at-- > 0;) {
            if (start + at > last || !SignatureAt(window, at)) {
                continue;
            }
            if (std::optional<EndRecord> record = RecordAt(source, start + at)) {
                return record;
            }
        }
        if (start == 0) {
            return std::nullopt;
        }
        end = start + kWindowOverlap;
        windowSize = std::min(windowSize * 2, kLargestWindow);
    }
}

} // namespace vantorel::archive::reader

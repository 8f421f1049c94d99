#include "archive/reader/zip_reader.h"

#include "archive/archive_error.h"
#include "archive/reader/byte_reader.h"
#include "archive/reader/end_record.h"
#include "archive/stored_name.h"
#include "archive/zip_format.h"
#include "platform/code_page.h"

#include <algorithm>
#include <array>
#include <optional>
#include <zlib.h>

namespace vantorel::archive::reader {

namespace {

// Sequential reads of the central directory through one buffer, so that a
// directory of many small headers costs a few large reads, not two per entry.
class DirectoryCursor {
public:
    DirectoryCursor(const ArchiveSource& source, std::uint64_t end) : source_(source), end_(end) {}

    // The `length` bytes at `offset`, which must end by the directory's end;
    // an empty span when they do not or cannot be read.
    std::span<const std::uint8_t> Read(std::uint64_t offset, std::size_t length) {
        if (offset > end_ || length > end_ - offset) {
            return {};
        }
        if (offset < bufferStart_ || offset + length > bufferStart_ + buffer_.size()) {
            const std::uint64_t wanted = std::max<std::uint64_t>(length, kChunk);
            buffer_.resize(static_cast<std::size_t>(std::min<std::uint64_t>(wanted, end_ - offset)));
            bufferStart_ = offset;
            if (!source_.ReadAt(offset, buffer_)) {
                buffer_.clear();
                return {};
            }
        }
        return std::span<const std::uint8_t>(buffer_).subspan(static_cast<std::size_t>(offset - bufferStart_), length);
    }

private:
    static constexpr std::uint64_t kChunk = 65536;
    const ArchiveSource& source_;
    std::uint64_t end_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t bufferStart_ = 0;
};

std::uint32_t SignatureAt(const ArchiveSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, 4> bytes{};
    if (!source.ReadAt(offset, bytes)) {
        return 0;
    }
    ByteReader reader(bytes);
    return reader.u32();
}

// What the end records declare about the central directory.
struct Declared {
    std::uint64_t end = 0; // where the directory must stop: the (ZIP64) end record
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t entries = 0;
    bool zip64 = false;
};

// The ZIP64 end record (APPNOTE 4.3.14) that the locator (4.3.15) just before
// the classic end record points at. nullopt when there is no locator; throws
// when there is one but its record cannot be found or is for several disks.
std::optional<Declared> ReadZip64End(const ArchiveSource& source, const EndRecord& end,
                                     const std::filesystem::path& path) {
    if (end.offset < kZip64LocatorLength) {
        return std::nullopt;
    }
    const std::uint64_t locatorOffset = end.offset - kZip64LocatorLength;
    std::array<std::uint8_t, kZip64LocatorLength> locator{};
    if (!source.ReadAt(locatorOffset, locator)) {
        return std::nullopt;
    }
    ByteReader l(locator);
    const std::uint32_t signature = l.u32();
    const std::uint32_t recordDisk = l.u32();
    const std::uint64_t recordOffset = l.u64();
    const std::uint32_t totalDisks = l.u32();
    if (!l.ok() || signature != kZip64LocatorSignature) {
        return std::nullopt;
    }
    if (recordDisk != 0 || totalDisks > 1) {
        throw ArchiveError(ArchiveFailure::Unsupported, path, 0, "archive on several disks");
    }
    // The record normally sits where the locator says; with bytes in front of
    // the archive it sits just before the locator instead.
    std::uint64_t at = recordOffset;
    if (SignatureAt(source, at) != kZip64EndOfCentralDirSignature) {
        at = locatorOffset >= kZip64EndOfCentralDirLength ? locatorOffset - kZip64EndOfCentralDirLength : 0;
        if (SignatureAt(source, at) != kZip64EndOfCentralDirSignature) {
            throw ArchiveError(ArchiveFailure::InvalidArchive, path, 0, "ZIP64 end record not found");
        }
    }
    std::array<std::uint8_t, kZip64EndOfCentralDirLength> record{};
    if (!source.ReadAt(at, record)) {
        throw ArchiveError(ArchiveFailure::InvalidArchive, path, 0, "ZIP64 end record cut short");
    }
    ByteReader r(record);
    r.Skip(4); // signature, checked above
    r.Skip(8); // size of the record: its extensible data are not used
    r.Skip(4); // versions made by and needed
    const std::uint32_t disk = r.u32();
    const std::uint32_t directoryDisk = r.u32();
    const std::uint64_t entriesOnDisk = r.u64();
    Declared declared;
    declared.entries = r.u64();
    declared.size = r.u64();
    declared.offset = r.u64();
    declared.end = at;
    declared.zip64 = true;
    if (!r.ok() || disk != 0 || directoryDisk != 0 || entriesOnDisk != declared.entries) {
        throw ArchiveError(ArchiveFailure::Unsupported, path, 0, "archive on several disks");
    }
    return declared;
}

Declared ReadDeclared(const ArchiveSource& source, const EndRecord& end, const std::filesystem::path& path) {
    if (std::optional<Declared> zip64 = ReadZip64End(source, end, path)) {
        return *zip64;
    }
    if (end.diskNumber != 0 || end.centralDirectoryDisk != 0 || end.entriesOnDisk != end.totalEntries) {
        throw ArchiveError(ArchiveFailure::Unsupported, path, 0, "archive on several disks");
    }
    Declared declared;
    declared.end = end.offset;
    declared.offset = end.centralDirectoryOffset;
    declared.size = end.centralDirectorySize;
    declared.entries = end.totalEntries;
    return declared;
}

// Where the central directory really starts. Offsets count from the start of
// the archive, which is the start of the file unless bytes were put in front
// (a self-extractor's program): then the directory lies just before the end
// record and every offset moves by the same amount (`base`).
//
// Bytes in front are accepted only when the file does not itself start like a
// zip entry. When it does, the end record found is most likely that of a zip
// archive stored inside a larger archive whose own end was cut off, and
// extracting the inner archive's files would be a wrong restore.
std::uint64_t LocateDirectory(const ArchiveSource& source, const Declared& declared, std::uint64_t& base,
                              const std::filesystem::path& path) {
    const bool empty = declared.entries == 0 && declared.size == 0;
    if (declared.offset < declared.end || (empty && declared.offset == declared.end)) {
        if (empty ? declared.offset == declared.end : SignatureAt(source, declared.offset) == kCentralHeaderSignature) {
            base = 0;
            return declared.offset;
        }
    }
    if (declared.size <= declared.end && declared.offset <= declared.end - declared.size &&
        SignatureAt(source, 0) != kLocalHeaderSignature) {
        const std::uint64_t start = declared.end - declared.size;
        base = start - declared.offset;
        if (base > 0 && (empty || SignatureAt(source, start) == kCentralHeaderSignature)) {
            return start;
        }
    }
    throw ArchiveError(ArchiveFailure::InvalidArchive, path, 0, "central directory not found");
}

// The data of the first block `id` of an extra field (APPNOTE 4.5.1), or
// nullopt when there is none. `damaged` tells a block before it whose length
// runs past the field: nothing past the field is ever read. Fewer than 4
// bytes left are padding (alignment tools add such), no block.
std::optional<std::span<const std::uint8_t>> FindExtraBlock(std::span<const std::uint8_t> extra, std::uint16_t id,
                                                            bool& damaged) {
    ByteReader blocks(extra);
    while (blocks.remaining() >= kExtraHeaderLength) {
        const std::uint16_t blockId = blocks.u16();
        const std::uint16_t length = blocks.u16();
        const std::span<const std::uint8_t> data = blocks.bytes(length);
        if (!blocks.ok()) {
            damaged = true;
            return std::nullopt;
        }
        if (blockId == id) {
            return data;
        }
    }
    return std::nullopt;
}

// The UTF-8 name of a Unicode path field (APPNOTE 4.6.9) that speaks for
// `rawName`, or empty. It must be of version 1 and carry the CRC-32 of
// exactly these stored bytes: a tool that renamed the entry without knowing
// the field leaves a stale one behind, and the stored name is then the truth.
// A name that is not UTF-8 is no better than the stored one either.
std::string ReadUnicodePath(std::span<const std::uint8_t> extra, std::string_view rawName) {
    bool damaged = false;
    const std::optional<std::span<const std::uint8_t>> data = FindExtraBlock(extra, kUnicodePathExtraId, damaged);
    if (!data) {
        return {};
    }
    ByteReader r(*data);
    const std::uint8_t version = r.u8();
    const std::uint32_t nameCrc = r.u32();
    if (!r.ok() || version != kUnicodePathVersion) {
        return {};
    }
    const std::string_view name = AsText(r.bytes(r.remaining()));
    const auto rawCrc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(rawName.data()), static_cast<uInt>(rawName.size())));
    if (nameCrc != rawCrc || !IsValidUtf8(name)) {
        return {};
    }
    return std::string(name);
}

// Reads one central header at `offset`; returns its full length, or 0 when
// the bytes there are not a central header that ends within the directory.
std::size_t ReadCentralHeader(DirectoryCursor& cursor, std::uint64_t offset, std::uint64_t base, CentralEntry& entry) {
    std::span<const std::uint8_t> fixed = cursor.Read(offset, kCentralHeaderLength);
    if (fixed.empty()) {
        return 0;
    }
    ByteReader r(fixed);
    const std::uint32_t signature = r.u32();
    entry.versionMadeBy = r.u16();
    entry.versionNeeded = r.u16();
    entry.flags = r.u16();
    entry.method = r.u16();
    entry.dosTime = r.u16();
    entry.dosDate = r.u16();
    entry.crc32 = r.u32();
    const std::uint32_t compressed = r.u32();
    const std::uint32_t uncompressed = r.u32();
    const std::uint16_t nameLength = r.u16();
    const std::uint16_t extraLength = r.u16();
    const std::uint16_t commentLength = r.u16();
    r.Skip(2); // disk number start: single-disk archives only
    r.Skip(2); // internal attributes: not used
    entry.externalAttributes = r.u32();
    const std::uint32_t localOffset = r.u32();
    if (!r.ok() || signature != kCentralHeaderSignature) {
        return 0;
    }
    const std::size_t variable = std::size_t{nameLength} + extraLength + commentLength;
    std::span<const std::uint8_t> rest = cursor.Read(offset + kCentralHeaderLength, variable);
    if (rest.size() != variable) {
        return 0;
    }
    entry.rawName.assign(AsText(rest.first(nameLength)));

    Zip64Values values;
    values.wantUncompressed = uncompressed == kMax32;
    values.wantCompressed = compressed == kMax32;
    values.wantOffset = localOffset == kMax32;
    values.uncompressed = uncompressed;
    values.compressed = compressed;
    values.offset = localOffset;
    const ExtraField extra = ReadZip64Extra(rest.subspan(nameLength, extraLength), values);
    entry.unicodeName = ReadUnicodePath(rest.subspan(nameLength, extraLength), entry.rawName);
    entry.hasZip64Extra = extra == ExtraField::Zip64;
    entry.extraDamaged = extra == ExtraField::Damaged;
    entry.uncompressedSize = values.uncompressed;
    entry.compressedSize = values.compressed;
    // A hostile offset near 2^64 must not wrap when the base is added; the
    // layout check then finds it outside the archive.
    entry.localHeaderOffset = values.offset > UINT64_MAX - base ? UINT64_MAX : values.offset + base;
    return kCentralHeaderLength + variable;
}

} // namespace

ExtraField ReadZip64Extra(std::span<const std::uint8_t> extra, Zip64Values& values) {
    bool damaged = false;
    const std::optional<std::span<const std::uint8_t>> data = FindExtraBlock(extra, kZip64ExtraId, damaged);
    if (!data) {
        return damaged ? ExtraField::Damaged : ExtraField::NoZip64;
    }
    // The values appear in this order, and only for the fields the header
    // left at their maximum (APPNOTE 4.5.3). A value missing from a short
    // field keeps the header's own value.
    ByteReader r(*data);
    if (values.wantUncompressed && r.remaining() >= 8) {
        values.uncompressed = r.u64();
    }
    if (values.wantCompressed && r.remaining() >= 8) {
        values.compressed = r.u64();
    }
    if (values.wantOffset && r.remaining() >= 8) {
        values.offset = r.u64();
    }
    return ExtraField::Zip64;
}

std::string EntryName(const CentralEntry& entry) {
    if (!entry.unicodeName.empty()) {
        return entry.unicodeName;
    }
    return DecodeStoredName(entry.rawName, entry.flags);
}

DirectoryAsRead ReadCentralDirectory(const ArchiveSource& source, const std::filesystem::path& path) {
    const std::uint32_t first = SignatureAt(source, 0);
    if (first == kSpannedMarkerSignature || first == kSpannedSingleMarkerSignature) {
        throw ArchiveError(ArchiveFailure::Unsupported, path, 0, "spanned archive");
    }
    const std::optional<EndRecord> end = FindEndRecord(source);
    if (!end) {
        throw ArchiveError(ArchiveFailure::NotAnArchive, path);
    }
    const Declared declared = ReadDeclared(source, *end, path);
    std::uint64_t base = 0;
    DirectoryAsRead directory;
    directory.start = LocateDirectory(source, declared, base, path);
    directory.end = declared.end;
    directory.zip64 = declared.zip64;

    DirectoryCursor cursor(source, declared.end);
    std::uint64_t offset = directory.start;
    while (offset < declared.end) {
        CentralEntry entry;
        const std::size_t length = ReadCentralHeader(cursor, offset, base, entry);
        if (length == 0) {
            // A trailing record (a digital signature, APPNOTE 4.3.13) may follow
            // the last header; anything else before the end record is damage.
            if (directory.entries.size() == declared.entries) {
                break;
            }
            throw ArchiveError(ArchiveFailure::InvalidArchive, path, 0, "damaged central directory header");
        }
        directory.entries.push_back(std::move(entry));
        offset += length;
    }
    // The classic count holds 16 bits: more entries than that wrap, which
    // writers without ZIP64 do; the ZIP64 count is exact.
    const std::uint64_t walked = directory.entries.size();
    const bool countAgrees = declared.zip64 ? walked == declared.entries : (walked & kMax16) == declared.entries;
    if (!countAgrees) {
        throw ArchiveError(ArchiveFailure::InvalidArchive, path, 0, "entry count disagrees with the directory");
    }
    return directory;
}

} // namespace vantorel::archive::reader

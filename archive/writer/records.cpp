#include "archive/writer/records.h"

#include "archive/archive_error.h"
#include "archive/stored_name.h"
#include "archive/zip_format.h"
#include "platform/code_page.h"

#include <algorithm>
#include <string>
#include <zlib.h>

namespace vantorel::archive::writer {

namespace {

// Appends little-endian fields to a record buffer.
class RecordWriter {
public:
    explicit RecordWriter(std::size_t length) { bytes_.reserve(length); }

    void u8(std::uint64_t value) { Put(value, 1, 0xFF); }
    void u16(std::uint64_t value) { Put(value, 2, kMax16); }
    void u32(std::uint64_t value) { Put(value, 4, kMax32); }
    void u64(std::uint64_t value) { Put(value, 8, ~std::uint64_t{0}); }
    void bytes(const std::string& text) { bytes_.insert(bytes_.end(), text.begin(), text.end()); }
    void bytes(const std::vector<std::uint8_t>& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }

    std::vector<std::uint8_t> take() { return std::move(bytes_); }

private:
    void Put(std::uint64_t value, int width, std::uint64_t max) {
        if (value > max) {
            throw ArchiveError(ArchiveFailure::TooLarge, {}, 0, "value " + std::to_string(value));
        }
        for (int i = 0; i < width; ++i) {
            bytes_.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
        }
    }

    std::vector<std::uint8_t> bytes_;
};

// A 32-bit size or offset field: the value, or 0xFFFFFFFF when the ZIP64
// extra field holds it.
std::uint64_t Field32(std::uint64_t value, bool inExtra) {
    return inExtra ? kMax32 : value;
}

bool OffsetInExtra(const ZipEntry& entry) {
    return entry.localHeaderOffset >= kMax32;
}

void CheckName(const ZipEntry& entry) {
    if (entry.storedName.size() > kMaxNameLength) {
        throw ArchiveError(ArchiveFailure::TooLarge, entry.storedName, 0, "name longer than 65535 bytes");
    }
}

// The Unicode path field that follows the other extra fields of both headers
// (APPNOTE 4.6.9), or nothing. Zip tools on Linux read an unflagged name in
// a code page of their own and show "�t�.txt"; this field gives them the
// UTF-8 name, while Windows tools go on reading the code page 850 bytes. A
// bit-11 name is UTF-8 already, yet Debian's unzip still converts it as if it
// were a DOS name ("œuvre" comes out as "+\xF4uvre"), while it honours this field:
// such names carry it too. A plain ASCII name reads the same everywhere and
// goes without, so its headers stay as they were. The UTF-8 name is the one
// this program's own reader gives the stored bytes.
std::vector<std::uint8_t> UnicodePathField(const ZipEntry& entry, std::size_t otherExtraLength) {
    if (IsAscii(entry.storedName)) {
        return {};
    }
    const std::string utf8 = DecodeStoredName(entry.storedName, entry.flags);
    const std::size_t dataLength = kUnicodePathFixedLength + utf8.size();
    // A name whose UTF-8 form overflows the extra field goes without: its
    // stored bytes still read in code page 850.
    if (otherExtraLength + kExtraHeaderLength + dataLength > kMax16) {
        return {};
    }
    const auto nameCrc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(entry.storedName.data()), static_cast<uInt>(entry.storedName.size())));
    RecordWriter r(kExtraHeaderLength + dataLength);
    r.u16(kUnicodePathExtraId); // extra: header ID
    r.u16(dataLength);          // extra: data size
    r.u8(kUnicodePathVersion);  // extra: version
    r.u32(nameCrc);             // extra: CRC-32 of the stored name
    r.bytes(utf8);              // extra: the name in UTF-8
    return r.take();
}

// Entries whose names keep "\" or ":" as ordinary characters are made on
// Unix (host 3); every other entry on MS-DOS (host 0), whose readers convert
// code page 850 names.
bool MadeOnUnix(const ZipEntry& entry) {
    return NeedsUnixHost(entry.storedName);
}

std::uint16_t VersionMadeBy(const ZipEntry& entry, bool zip64) {
    const std::uint16_t version = zip64 ? kVersionNeededZip64 : kVersionMadeBy;
    return MadeOnUnix(entry) ? static_cast<std::uint16_t>((kHostUnix << 8) | version) : version;
}

// A Unix-made entry carries a Unix mode in the high 16 bits, which its readers
// apply: a regular file, read-only when the DOS bit says so.
std::uint32_t ExternalAttributes(const ZipEntry& entry) {
    if (!MadeOnUnix(entry)) {
        return entry.externalAttributes;
    }
    const std::uint32_t mode = (entry.externalAttributes & kAttrReadOnly) != 0 ? 0100444 : 0100644;
    return (mode << 16) | entry.externalAttributes;
}

} // namespace

bool UsesZip64(const ZipEntry& entry) {
    return entry.largeFile || OffsetInExtra(entry);
}

std::uint16_t VersionNeeded(const ZipEntry& entry) {
    if (UsesZip64(entry)) {
        return kVersionNeededZip64;
    }
    return entry.method == kMethodStored ? kVersionNeededStored : kVersionNeededDeflated;
}

std::vector<std::uint8_t> LocalHeaderRecord(const ZipEntry& entry) {
    CheckName(entry);
    const bool zip64 = UsesZip64(entry);
    // In a local header the ZIP64 field holds both sizes, always (APPNOTE 4.5.3).
    const std::size_t zip64Length = zip64 ? kExtraHeaderLength + 16 : 0;
    const std::vector<std::uint8_t> unicodePath = UnicodePathField(entry, zip64Length);
    const std::size_t extraLength = zip64Length + unicodePath.size();
    RecordWriter r(kLocalHeaderLength + entry.storedName.size() + extraLength);
    r.u32(kLocalHeaderSignature);                  // signature
    r.u16(VersionNeeded(entry));                   // version needed to extract
    r.u16(entry.flags);                            // general-purpose flags
    r.u16(entry.method);                           // compression method
    r.u16(entry.modified.time);                    // last-mod time
    r.u16(entry.modified.date);                    // last-mod date
    r.u32(entry.crc);                              // CRC-32
    r.u32(Field32(entry.compressedSize, zip64));   // compressed size
    r.u32(Field32(entry.uncompressedSize, zip64)); // uncompressed size
    r.u16(entry.storedName.size());                // name length
    r.u16(extraLength);                            // extra field length
    r.bytes(entry.storedName);                     // name
    if (zip64) {
        r.u16(kZip64ExtraId);          // extra: header ID
        r.u16(16);                     // extra: data size
        r.u64(entry.uncompressedSize); // extra: uncompressed size
        r.u64(entry.compressedSize);   // extra: compressed size
    }
    r.bytes(unicodePath);
    return r.take();
}

std::vector<std::uint8_t> CentralHeaderRecord(const ZipEntry& entry) {
    CheckName(entry);
    const bool zip64 = UsesZip64(entry);
    const bool offsetInExtra = OffsetInExtra(entry);
    // With ZIP64 both size fields hold 0xFFFFFFFF and the extra field both
    // sizes, as in the local header; the offset goes there only when it must
    // (APPNOTE 4.5.3: fields appear only for header fields set to 0xFFFFFFFF).
    const std::size_t extraData = 16 + (offsetInExtra ? 8 : 0);
    const std::size_t zip64Length = zip64 ? kExtraHeaderLength + extraData : 0;
    const std::vector<std::uint8_t> unicodePath = UnicodePathField(entry, zip64Length);
    const std::size_t extraLength = zip64Length + unicodePath.size();
    RecordWriter r(kCentralHeaderLength + entry.storedName.size() + extraLength);
    r.u32(kCentralHeaderSignature);                         // signature
    r.u16(VersionMadeBy(entry, zip64));                     // version made by
    r.u16(VersionNeeded(entry));                            // version needed to extract
    r.u16(entry.flags);                                     // general-purpose flags
    r.u16(entry.method);                                    // compression method
    r.u16(entry.modified.time);                             // last-mod time
    r.u16(entry.modified.date);                             // last-mod date
    r.u32(entry.crc);                                       // CRC-32
    r.u32(Field32(entry.compressedSize, zip64));            // compressed size
    r.u32(Field32(entry.uncompressedSize, zip64));          // uncompressed size
    r.u16(entry.storedName.size());                         // name length
    r.u16(extraLength);                                     // extra field length
    r.u16(0);                                               // file comment length
    r.u16(0);                                               // disk number start
    r.u16(0);                                               // internal attributes
    r.u32(ExternalAttributes(entry));                       // external attributes
    r.u32(Field32(entry.localHeaderOffset, offsetInExtra)); // local header offset
    r.bytes(entry.storedName);                              // name
    if (zip64) {
        r.u16(kZip64ExtraId);          // extra: header ID
        r.u16(extraData);              // extra: data size
        r.u64(entry.uncompressedSize); // extra: uncompressed size
        r.u64(entry.compressedSize);   // extra: compressed size
        if (offsetInExtra) {
            r.u64(entry.localHeaderOffset); // extra: local header offset
        }
    }
    r.bytes(unicodePath);
    return r.take();
}

bool NeedsZip64End(const DirectoryWritten& directory) {
    // A count of exactly 0xFFFF or a value of exactly 0xFFFFFFFF would read as
    // "see the ZIP64 record" to many readers, so those go to ZIP64 as well.
    return directory.entries >= kMax16 || directory.size >= kMax32 || directory.offset >= kMax32;
}

std::vector<std::uint8_t> Zip64EndRecord(const DirectoryWritten& directory) {
    RecordWriter r(kZip64EndOfCentralDirLength);
    r.u32(kZip64EndOfCentralDirSignature); // signature
    r.u64(kZip64EndOfCentralDirRemainder); // size of the rest of this record
    r.u16(kVersionNeededZip64);            // version made by
    r.u16(kVersionNeededZip64);            // version needed to extract
    r.u32(0);                              // number of this disk
    r.u32(0);                              // disk where the central directory starts
    r.u64(directory.entries);              // entries on this disk
    r.u64(directory.entries);              // total entries
    r.u64(directory.size);                 // central directory size
    r.u64(directory.offset);               // central directory offset
    return r.take();
}

std::vector<std::uint8_t> Zip64LocatorRecord(std::uint64_t zip64EndOffset) {
    RecordWriter r(kZip64LocatorLength);
    r.u32(kZip64LocatorSignature); // signature
    r.u32(0);                      // disk holding the ZIP64 end record
    r.u64(zip64EndOffset);         // offset of the ZIP64 end record
    r.u32(1);                      // total number of disks
    return r.take();
}

std::vector<std::uint8_t> EndOfCentralDirRecord(const DirectoryWritten& directory) {
    // Values the classic fields cannot hold read 0xFFFF or 0xFFFFFFFF; the
    // ZIP64 end record written before this one holds them (APPNOTE 4.4.1.4).
    const std::uint64_t entries = std::min(directory.entries, kMax16);
    RecordWriter r(kEndOfCentralDirLength);
    r.u32(kEndOfCentralDirSignature);          // signature
    r.u16(0);                                  // number of this disk
    r.u16(0);                                  // disk where the central directory starts
    r.u16(entries);                            // entries on this disk
    r.u16(entries);                            // total entries
    r.u32(std::min(directory.size, kMax32));   // central directory size
    r.u32(std::min(directory.offset, kMax32)); // central directory offset
    r.u16(0);                                  // comment length
    return r.take();
}

} // namespace vantorel::archive::writer

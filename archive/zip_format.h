#pragma once

// The numbers of the zip format (PKWARE APPNOTE) that the writer and the
// extractor share. Each record's fixed length is the length of its fields
// before the variable parts (name, extra field, comment).

#include <cstddef>
#include <cstdint>

namespace vantorel::archive {

// Record signatures (APPNOTE 4.3.7, 4.3.12, 4.3.14, 4.3.15, 4.3.16).
inline constexpr std::uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr std::uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr std::uint32_t kEndOfCentralDirSignature = 0x06054B50;
inline constexpr std::uint32_t kZip64EndOfCentralDirSignature = 0x06064B50;
inline constexpr std::uint32_t kZip64LocatorSignature = 0x07064B50;
inline constexpr std::uint32_t kDataDescriptorSignature = 0x08074B50; // also the spanned-archive marker
inline constexpr std::uint32_t kSpannedMarkerSignature = 0x08074B50;
inline constexpr std::uint32_t kSpannedSingleMarkerSignature = 0x30304B50;

// Fixed lengths.
inline constexpr std::size_t kLocalHeaderLength = 30;
inline constexpr std::size_t kCentralHeaderLength = 46;
inline constexpr std::size_t kEndOfCentralDirLength = 22;
inline constexpr std::size_t kZip64EndOfCentralDirLength = 56; // with its signature and size field
inline constexpr std::size_t kZip64LocatorLength = 20;
// The ZIP64 end record's "size of record" field counts what follows it.
inline constexpr std::uint64_t kZip64EndOfCentralDirRemainder = kZip64EndOfCentralDirLength - 12;

// Extra fields (APPNOTE 4.5). The ZIP64 extended information field has a
// 4-byte header (ID, data size) followed by 8-byte values.
inline constexpr std::uint16_t kZip64ExtraId = 0x0001;
inline constexpr std::size_t kExtraHeaderLength = 4;
// The Info-ZIP Unicode path field (APPNOTE 4.6.9): after the header, a
// version byte, the CRC-32 of the header's stored name and the name in UTF-8.
inline constexpr std::uint16_t kUnicodePathExtraId = 0x7075;
inline constexpr std::uint8_t kUnicodePathVersion = 1;
inline constexpr std::size_t kUnicodePathFixedLength = 5; // version and name CRC

// Versions: version made by 20 = host 0 (MS-DOS, FAT attributes), APPNOTE 2.0.
inline constexpr std::uint16_t kVersionMadeBy = 20;
// The host byte (the high byte of "version made by") of entries made on Unix.
inline constexpr std::uint16_t kHostUnix = 3;
inline constexpr std::uint16_t kVersionNeededStored = 10;
inline constexpr std::uint16_t kVersionNeededDeflated = 20;
inline constexpr std::uint16_t kVersionNeededZip64 = 45;
// The highest version the extractor reads without ZIP64 (low byte of the field).
inline constexpr std::uint16_t kVersionReadable = 20;

// General-purpose flags (APPNOTE 4.4.4).
inline constexpr std::uint16_t kFlagEncrypted = 1u << 0;
inline constexpr std::uint16_t kFlagDataDescriptor = 1u << 3;
inline constexpr std::uint16_t kFlagUtf8Name = 1u << 11;

// Compression methods (APPNOTE 4.4.5).
inline constexpr std::uint16_t kMethodStored = 0;
inline constexpr std::uint16_t kMethodDeflated = 8;

// Limits of the classic fields; a value at the 16/32-bit maximum in a record
// means "see the ZIP64 field" (APPNOTE 4.4.1.4).
inline constexpr std::uint64_t kMax16 = 0xFFFF;
inline constexpr std::uint64_t kMax32 = 0xFFFFFFFF;
inline constexpr std::size_t kMaxNameLength = 0xFFFF;
inline constexpr std::size_t kMaxCommentLength = 0xFFFF;

// DOS attribute bits of the external attributes' low byte.
inline constexpr std::uint32_t kAttrReadOnly = 0x01;
inline constexpr std::uint32_t kAttrHidden = 0x02;
inline constexpr std::uint32_t kAttrSystem = 0x04;
inline constexpr std::uint32_t kAttrDirectory = 0x10;
inline constexpr std::uint32_t kAttrArchive = 0x20;

// Raw deflate (no zlib or gzip wrapper, 32 KiB window) at zlib's default level.
inline constexpr int kDeflateWindowBits = -15;
inline constexpr int kDeflateLevel = 6;
inline constexpr int kDeflateMemLevel = 8;

} // namespace vantorel::archive

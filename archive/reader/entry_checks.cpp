#include "archive/reader/entry_checks.h"

#include "archive/zip_format.h"

#include <sys/stat.h>

namespace vantorel::archive::reader {

namespace {

// Hosts whose external attributes carry a Unix mode in their high 16 bits
// (APPNOTE 4.4.2): Unix, and OS X.
constexpr std::uint16_t kHostOsX = 19;
// General-purpose bits that need more than this program reads: patched data
// (5), strong encryption (6), an encrypted central directory (13).
constexpr std::uint16_t kFlagsNotRead = (1u << 5) | (1u << 6) | (1u << 13);

} // namespace

bool MadeOnUnix(const CentralEntry& entry) {
    const std::uint16_t host = entry.versionMadeBy >> 8;
    return host == kHostUnix || host == kHostOsX;
}

std::optional<SkipReason> NotAFile(const CentralEntry& entry) {
    if ((entry.externalAttributes & kAttrDirectory) != 0) {
        return SkipReason::FolderEntry;
    }
    if (!MadeOnUnix(entry)) {
        return std::nullopt;
    }
    switch (static_cast<mode_t>(entry.externalAttributes >> 16) & S_IFMT) {
    case S_IFDIR:
        return SkipReason::FolderEntry;
    case S_IFLNK:
        return SkipReason::LinkEntry;
    default:
        return std::nullopt;
    }
}

// Version needed above 2.0 is refused (the low byte holds it, APPNOTE
// 4.4.3), except 4.5 when ZIP64 is the only reason: a stored or deflated,
// unencrypted entry of an archive that uses ZIP64.
std::optional<SkipReason> CheckVersion(const CentralEntry& entry, const LocalHeader* local, bool archiveZip64) {
    const unsigned needed = entry.versionNeeded & 0xFF;
    if (needed <= kVersionReadable) {
        return std::nullopt;
    }
    if (needed != kVersionNeededZip64 || (entry.method != kMethodStored && entry.method != kMethodDeflated) ||
        (entry.flags & (kFlagEncrypted | kFlagsNotRead)) != 0) {
        return SkipReason::NewerVersion;
    }
    if (local == nullptr) {
        return std::nullopt; // decided once the local header is read
    }
    const bool usesZip64 = archiveZip64 || entry.hasZip64Extra || local->hasZip64Extra;
    return usesZip64 ? std::nullopt : std::optional(SkipReason::NewerVersion);
}

std::variant<EntryData, SkipReason> FindEntryData(const ArchiveSource& source, const DirectoryAsRead& directory,
                                                  const EntryLayout& layout, std::size_t index, LocalHeader* local) {
    const CentralEntry& entry = directory.entries[index];
    std::optional<LocalHeader> header = ReadLocalHeader(source, entry.localHeaderOffset);
    if (!header || entry.extraDamaged) {
        return SkipReason::BadLocalHeader;
    }
    if (std::optional<SkipReason> reason = CheckVersion(entry, &*header, directory.zip64)) {
        return *reason;
    }
    if (((entry.flags | header->flags) & (kFlagEncrypted | kFlagsNotRead)) != 0) {
        return SkipReason::Encrypted;
    }
    if (header->method != kMethodStored && header->method != kMethodDeflated) {
        return SkipReason::UnknownMethod;
    }
    const std::uint64_t dataEnd = header->dataOffset + entry.compressedSize;
    if (dataEnd < header->dataOffset || !layout.ownsItsBytes(index, dataEnd)) {
        return SkipReason::OverlappingData;
    }
    const EntryData data{header->dataOffset, entry.compressedSize, entry.uncompressedSize, header->method};
    if (local != nullptr) {
        *local = std::move(*header);
    }
    return data;
}

} // namespace vantorel::archive::reader

#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantorel::test {

// An archive's records as read byte by byte, independently of the program's
// own zip code, so tests can check what was written against the format.

struct LocalHeaderFields {
    std::uint32_t signature = 0;
    std::uint16_t versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::string name, extra;
    std::uint64_t dataOffset = 0; // first byte after the header
};

struct CentralHeaderFields {
    std::uint16_t versionMadeBy = 0, versionNeeded = 0, flags = 0, method = 0, time = 0, date = 0;
    std::uint32_t crc = 0, compressedSize = 0, uncompressedSize = 0;
    std::uint16_t diskStart = 0, internalAttributes = 0;
    std::uint32_t externalAttributes = 0, localHeaderOffset = 0;
    std::string name, extra, comment;
    // The values after applying a ZIP64 extra field (or the 32-bit ones).
    std::uint64_t size = 0, compressed = 0, offset = 0;
    LocalHeaderFields local;
};

struct Zip64End {
    std::uint64_t recordSize = 0;
    std::uint16_t versionMadeBy = 0, versionNeeded = 0;
    std::uint32_t disk = 0, directoryDisk = 0;
    std::uint64_t entriesOnDisk = 0, entries = 0, directorySize = 0, directoryOffset = 0;
    std::uint64_t recordOffset = 0;
};

struct ZipLayout {
    std::uint64_t fileSize = 0;
    // The classic end record, read from the last 22 bytes (no comment).
    std::uint16_t disk = 0, directoryDisk = 0, entriesOnDisk = 0, entries = 0, commentLength = 0;
    std::uint32_t directorySize = 0, directoryOffset = 0;
    std::optional<Zip64End> zip64;
    std::vector<CentralHeaderFields> headers;
    std::string error; // empty when every record was well formed
};

// Reads every record of an archive written without a comment. Problems go to
// `error` (the first one found); the test decides what to make of them.
ZipLayout ReadZipLayout(const std::filesystem::path& archive);

// The uncompressed data of an entry (stored or raw deflate), through zlib
// alone; nullopt when the data cannot be decoded or their CRC-32 is wrong.
std::optional<std::string> ReadEntryData(const std::filesystem::path& archive, const CentralHeaderFields& entry);

// zlib's raw deflate (windowBits -15, level 6) of `data`: what a deflated
// entry of that content holds.
std::string RawDeflate(const std::string& data);

} // namespace vantorel::test

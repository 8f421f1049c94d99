#pragma once

// Builds zip archives byte by byte for the extractor's tests, so that every
// field can be made wrong on purpose. Independent of the program's writer.
// Also lists a restored tree, for the extractor's tests and the round trips.

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace vantorel::test {

struct ZipEntryPlan {
    std::string name{}; // stored bytes
    std::string content{};
    bool deflate = true;
    std::uint16_t versionMadeBy = 20;
    std::optional<std::uint16_t> versionNeeded{}; // default: 20 deflated, 10 stored
    std::uint16_t flags = 0;
    std::uint16_t dosTime = 0x6000; // 12:00:00
    std::uint16_t dosDate = 0x5A87; // 2025-04-07
    std::uint32_t externalAttributes = 0x20;
    // Overrides, to damage an entry.
    std::optional<std::uint16_t> method{};
    std::optional<std::uint32_t> crc32{};
    std::optional<std::uint64_t> compressedSize{};
    std::optional<std::uint64_t> uncompressedSize{};
    std::optional<std::uint64_t> localHeaderOffset{};
    std::optional<std::string> data{}; // the bytes after the local header, instead of the encoded content
    std::uint32_t localSignature = 0x04034B50;
    bool zip64Extra = false; // ZIP64 extra fields with sizes and offset, 0xFFFFFFFF in the headers
    std::string extra{};     // more extra-field blocks, after the ZIP64 one, in both headers
};

struct ZipPlan {
    std::vector<ZipEntryPlan> entries;
    std::string prefix;  // bytes in front of the archive
    std::string between; // bytes after each entry's data
    std::string comment;
    std::string trailing;  // bytes after the end record
    bool zip64End = false; // ZIP64 end record and locator before the classic one
};

// The archive's bytes.
std::string BuildZip(const ZipPlan& plan);

// Raw deflate of `content` through zlib.
std::string Deflate(const std::string& content);

// Writes `bytes` to `file`.
void WriteBytes(const std::filesystem::path& file, const std::string& bytes);

// Every regular file below `folder`, by relative path ("a/b.txt"), with its
// content. Links and other kinds of entries are listed under `others`.
struct TreeListing {
    std::map<std::string, std::string> files;
    std::vector<std::string> folders;
    std::vector<std::string> others;
};
TreeListing ListTree(const std::filesystem::path& folder);

} // namespace vantorel::test

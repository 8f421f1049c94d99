#pragma once

#include "archive/step_control.h"

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vantorel {

// Why one entry was not extracted.
enum class SkipReason {
    FolderEntry,     // a name ending with "/": no file to write
    UnsafeName,      // absolute, a drive, a ".." component, or through a link leading out
    NewerVersion,    // version needed above what the program reads
    Encrypted,       // no password is available
    UnknownMethod,   // neither stored nor deflate
    BadLocalHeader,  // the local header is missing or damaged (or an extra field of the entry)
    BadData,         // the compressed data are damaged or cut short
    BadCrc,          // the data fail their CRC-32: the file already at the path stays
    OverlappingData, // the data overlap another entry's or lie outside the archive
    CannotCreate,    // the file or one of its folders cannot be created (a read-only file stays)
    WriteFailed,     // writing the file failed
    LinkEntry,       // a symbolic link stored by another tool: links are never created
};

struct SkippedEntry {
    std::string name; // the stored name, as UTF-8
    SkipReason reason;
};

struct ExtractReport {
    // Set when the whole archive was refused before any entry (not a zip
    // archive, damaged central directory, missing target folder).
    std::optional<std::string> archiveRejected;
    std::size_t extracted = 0;
    // Entries whose data fail their CRC-32, written as decoded because no file
    // held their path (a damaged file beats none).
    std::size_t crcMismatches = 0;
    std::vector<std::string> damaged; // their names, as UTF-8
    std::vector<SkippedEntry> skipped;
    bool stopped = false; // a stop request ended it before the last entry
};

// Extracts every file entry of archivePath into targetFolder, recreating the
// stored paths. Never throws and never reports a failure to the user: the
// report is for code that wants to know. Nothing is created or changed
// outside targetFolder (a missing archive stays missing). `control` gets the
// progress by uncompressed bytes, entry by entry, and a stop request ends the
// extraction between two entries (the files written so far stay).
ExtractReport ExtractArchive(const std::filesystem::path& targetFolder, const std::filesystem::path& archivePath,
                             const StepControl& control = {});

// The number of entries in an archive's central directory, or nullopt when
// the file is missing or not a readable archive.
std::optional<std::size_t> CountArchiveEntries(const std::filesystem::path& archivePath);

} // namespace vantorel

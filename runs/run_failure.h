#pragma once

// Why a run or a restore failed, kept with each failure so that the user can
// tell a full disk from a missing share from a refused file. The core only
// classifies; ui/ words each kind in French.

#include "archive/reader/extract_archive.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace vantorel {

enum class FailureKind {
    SourceMissing,      // the source folder is missing or is no folder
    SourceEmpty,        // the source holds nothing while the newest archive holds files
    DestinationMissing, // the destination (disk, share or folder) is absent
    NoRoom,             // the disk is full or the user's quota is reached
    TooLarge,           // a file too large for the destination's file system or for the archive
    AccessRefused,      // the system refused access (permissions, read-only disk)
    FileUnreadable,     // a source file changed, vanished or could not be read during the run
    WriteFailed,        // the archive could not be written, for another reason
    LockHeld,           // another run is writing these archives
    JobListNotWritten,  // ListeSave.ini refused the run's results
    ArchiveMissing,     // a restore found no archive to extract
    ArchiveUnreadable,  // a restore found an archive it cannot read
    PathTooLong,        // a stored folder path was too long to be read back whole
    Stopped,            // the program was closing
    Other,              // anything else: the text says what
};

struct FailureCause {
    FailureKind kind = FailureKind::Other;
    std::string path;       // the file or folder concerned; empty when none
    std::string systemText; // the system's error text, or the error's own words

    friend bool operator==(const FailureCause&, const FailureCause&) = default;
};

// The short stable name of a kind, as the run log writes it ("no-room").
const char* FailureKindName(FailureKind kind);

// The system's text for an errno value; empty for 0.
std::string SystemText(int sysErrno);

// The cause of a caught failure: the archive's errors with their kind, path
// and errno, the settings files' errors, the system's errors (about
// `fallbackPath` when they name no path) and, for anything else, its own
// words. A failure to write the archive names `fallbackPath` too (the
// archive folder), not the hidden file being written. An errno that says what happened (no room, access refused) wins
// over the step that met it.
FailureCause CauseOf(const std::exception& error, const std::filesystem::path& fallbackPath);

// Why the folder check refused a run: the source, then the archive folder,
// then an empty source beside a newest archive with files. `createError` is
// what creating the archive folder reported.
FailureCause FolderCheckCause(const std::filesystem::path& source, const std::filesystem::path& archiveFolder,
                              const std::error_code& createError);

// Why the lock of a job's archives was not taken: a folder the user may not
// write in, or else another run holding it.
FailureCause LockCause(const std::filesystem::path& archiveFolder);

// What kept a restore from using its archive at all; nullopt when the
// archive was read (its entries' own problems are reported apart).
std::optional<FailureCause> RestoreArchiveCause(const std::filesystem::path& archive,
                                                const std::filesystem::path& target, const ExtractReport& report);

} // namespace vantorel

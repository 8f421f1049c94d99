#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>

namespace vantorel {

enum class ArchiveFailure {
    PathNotAbsolute,   // the archive path is relative
    NoSuchFolder,      // the source (or target) folder is missing
    ReadFailed,        // a source file vanished, cannot be opened or read
    WriteFailed,       // the archive (or its temporary file) cannot be written
    TooLarge,          // a value does not fit the archive's fields
    NotAnArchive,      // no end-of-central-directory record
    InvalidArchive,    // a damaged record
    Unsupported,       // a feature the program does not read (spanned archives...)
    CompressionFailed, // zlib reported an error
    Cancelled          // the caller asked the step to stop (StepControl::cancel)
};

// The one error type of the archive component: the kind, the system errno
// (0 when none) and the path concerned.
class ArchiveError : public std::runtime_error {
public:
    ArchiveError(ArchiveFailure kind, std::filesystem::path path, int sysErrno = 0, const std::string& detail = {});

    ArchiveFailure kind() const noexcept { return kind_; }
    const std::filesystem::path& path() const noexcept { return path_; }
    int sysErrno() const noexcept { return sysErrno_; }

private:
    ArchiveFailure kind_;
    std::filesystem::path path_;
    int sysErrno_;
};

} // namespace vantorel

#include "archive/archive_error.h"

#include <cstring>

namespace vantorel {

namespace {

const char* KindText(ArchiveFailure kind) {
    switch (kind) {
    case ArchiveFailure::PathNotAbsolute:
        return "archive path is not absolute";
    case ArchiveFailure::NoSuchFolder:
        return "no such folder";
    case ArchiveFailure::ReadFailed:
        return "cannot read";
    case ArchiveFailure::WriteFailed:
        return "cannot write";
    case ArchiveFailure::TooLarge:
        return "too large for the archive's fields";
    case ArchiveFailure::NotAnArchive:
        return "not a zip archive";
    case ArchiveFailure::InvalidArchive:
        return "damaged zip archive";
    case ArchiveFailure::Unsupported:
        return "unsupported zip feature";
    case ArchiveFailure::CompressionFailed:
        return "compression failed";
    case ArchiveFailure::Cancelled:
        return "stopped on request";
    }
    return "archive failure";
}

std::string Describe(ArchiveFailure kind, const std::filesystem::path& path, int sysErrno, const std::string& detail) {
    std::string text = KindText(kind);
    if (!path.empty()) {
        text += ": " + path.string();
    }
    if (!detail.empty()) {
        text += " (" + detail + ")";
    }
    if (sysErrno != 0) {
        text += std::string(" [") + std::strerror(sysErrno) + "]";
    }
    return text;
}

} // namespace

ArchiveError::ArchiveError(ArchiveFailure kind, std::filesystem::path path, int sysErrno, const std::string& detail)
    : std::runtime_error(Describe(kind, path, sysErrno, detail)), kind_(kind), path_(std::move(path)),
      sysErrno_(sysErrno) {}

} // namespace vantorel

#include "runs/run_failure.h"

#include "archive/archive_error.h"
#include "archive/writer/zip_folder.h"
#include "platform/errors.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel {

namespace fs = std::filesystem;

namespace {

// The kind an errno value says by itself, or `otherwise` when it only says
// that the step failed.
FailureKind KindOfErrno(int sysErrno, FailureKind otherwise) {
    switch (sysErrno) {
    case ENOSPC:
    case EDQUOT:
        return FailureKind::NoRoom;
    case EFBIG:
        return FailureKind::TooLarge;
    case EACCES:
    case EPERM:
    case EROFS:
        return FailureKind::AccessRefused;
    default:
        return otherwise;
    }
}

// A disk unplugged or a share gone while it was written to.
bool DeviceGone(int sysErrno) {
    switch (sysErrno) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ESTALE:
    case ENOTCONN:
    case EHOSTDOWN:
    case EHOSTUNREACH:
        return true;
    default:
        return false;
    }
}

FailureCause FromArchiveError(const ArchiveError& error, const fs::path& destination) {
    std::string path = error.path().string();
    const int sysErrno = error.sysErrno();
    const std::string text = sysErrno != 0 ? SystemText(sysErrno) : std::string(error.what());
    switch (error.kind()) {
    case ArchiveFailure::NoSuchFolder:
        return {FailureKind::SourceMissing, path, text};
    case ArchiveFailure::ReadFailed:
        return {KindOfErrno(sysErrno, FailureKind::FileUnreadable), path, text};
    case ArchiveFailure::WriteFailed:
        // The file being written is a hidden temporary one: the user knows
        // the folder it goes to.
        if (!destination.empty()) {
            path = destination.string();
        }
        return {
            KindOfErrno(sysErrno, DeviceGone(sysErrno) ? FailureKind::DestinationMissing : FailureKind::WriteFailed),
            path, text};
    case ArchiveFailure::TooLarge:
        return {FailureKind::TooLarge, path, text};
    case ArchiveFailure::Cancelled:
        return {FailureKind::Stopped, path, {}};
    case ArchiveFailure::NotAnArchive:
    case ArchiveFailure::InvalidArchive:
    case ArchiveFailure::Unsupported:
        return {FailureKind::ArchiveUnreadable, path, text};
    case ArchiveFailure::PathNotAbsolute:
    case ArchiveFailure::CompressionFailed:
        break;
    }
    return {KindOfErrno(sysErrno, FailureKind::Other), path, text};
}

// errno of a failed stat of `path`, 0 when it succeeds.
int StatErrno(const fs::path& path, struct stat& status) {
    return ::stat(path.c_str(), &status) == 0 ? 0 : errno;
}

} // namespace

const char* FailureKindName(FailureKind kind) {
    switch (kind) {
    case FailureKind::SourceMissing:
        return "source-missing";
    case FailureKind::SourceEmpty:
        return "source-empty";
    case FailureKind::DestinationMissing:
        return "destination-missing";
    case FailureKind::NoRoom:
        return "no-room";
    case FailureKind::TooLarge:
        return "too-large";
    case FailureKind::AccessRefused:
        return "access-refused";
    case FailureKind::FileUnreadable:
        return "file-unreadable";
    case FailureKind::WriteFailed:
        return "write-failed";
    case FailureKind::LockHeld:
        return "lock-held";
    case FailureKind::JobListNotWritten:
        return "job-list-not-written";
    case FailureKind::ArchiveMissing:
        return "archive-missing";
    case FailureKind::ArchiveUnreadable:
        return "archive-unreadable";
    case FailureKind::PathTooLong:
        return "path-too-long";
    case FailureKind::Stopped:
        return "stopped";
    case FailureKind::Other:
        break;
    }
    return "other";
}

std::string SystemText(int sysErrno) {
    return sysErrno == 0 ? std::string() : std::generic_category().message(sysErrno);
}

FailureCause CauseOf(const std::exception& error, const fs::path& fallbackPath) {
    if (const auto* archive = dynamic_cast<const ArchiveError*>(&error)) {
        return FromArchiveError(*archive, fallbackPath);
    }
    if (const auto* settings = dynamic_cast<const Error*>(&error)) {
        if (const auto* platform = dynamic_cast<const PlatformError*>(settings);
            platform != nullptr && platform->kind() == PlatformFailure::WriteRefused) {
            return {KindOfErrno(settings->sysErrno(), FailureKind::JobListNotWritten), settings->subject(),
                    SystemText(settings->sysErrno())};
        }
        return {FailureKind::Other, settings->subject(), settings->what()};
    }
    if (const auto* system = dynamic_cast<const std::system_error*>(&error)) {
        const int sysErrno =
            system->code().category() == std::generic_category() || system->code().category() == std::system_category()
                ? system->code().value()
                : 0;
        const std::string text = sysErrno != 0 ? SystemText(sysErrno) : std::string(system->what());
        // Filesystem errors name their path; the others are about the archives.
        std::string path = fallbackPath.string();
        if (const auto* filesystem = dynamic_cast<const fs::filesystem_error*>(&error);
            filesystem != nullptr && !filesystem->path1().empty()) {
            path = filesystem->path1().string();
        }
        return {
            KindOfErrno(sysErrno, DeviceGone(sysErrno) ? FailureKind::DestinationMissing : FailureKind::WriteFailed),
            path, text};
    }
    return {FailureKind::Other, fallbackPath.string(), error.what()};
}

FailureCause FolderCheckCause(const fs::path& source, const fs::path& archiveFolder,
                              const std::error_code& createError) {
    struct stat status {};
    if (!source.is_absolute()) {
        return {FailureKind::SourceMissing, source.string(), {}};
    }
    if (const int sourceErrno = StatErrno(source, status); sourceErrno != 0) {
        return {KindOfErrno(sourceErrno, FailureKind::SourceMissing), source.string(), SystemText(sourceErrno)};
    }
    if (!S_ISDIR(status.st_mode)) {
        return {FailureKind::SourceMissing, source.string(), SystemText(ENOTDIR)};
    }
    if (!archiveFolder.is_absolute()) {
        return {FailureKind::DestinationMissing, archiveFolder.string(), {}};
    }
    if (const int folderErrno = StatErrno(archiveFolder, status); folderErrno != 0 || !S_ISDIR(status.st_mode)) {
        // Creating it said more than looking at it can: a refusal, no room,
        // or a path that leads nowhere (a disk that is not there).
        const int sysErrno = createError ? createError.value() : (folderErrno != 0 ? folderErrno : ENOTDIR);
        return {KindOfErrno(sysErrno, FailureKind::DestinationMissing), archiveFolder.string(), SystemText(sysErrno)};
    }
    try {
        if (!HasArchivableFile(source)) {
            return {FailureKind::SourceEmpty, source.string(), {}};
        }
    } catch (const std::exception& error) {
        return CauseOf(error, source);
    }
    // Both folders are there now: they came back between the check and this look.
    return {FailureKind::SourceMissing, source.string(), {}};
}

FailureCause LockCause(const fs::path& archiveFolder) {
    // The lock is a file made in the archive folder: a folder the user may not
    // write in refuses it before any other run could hold it.
    if (::faccessat(AT_FDCWD, archiveFolder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
        const int sysErrno = errno;
        return {KindOfErrno(sysErrno, FailureKind::WriteFailed), archiveFolder.string(), SystemText(sysErrno)};
    }
    return {FailureKind::LockHeld, archiveFolder.string(), {}};
}

std::optional<FailureCause> RestoreArchiveCause(const fs::path& archive, const fs::path& target,
                                                const ExtractReport& report) {
    if (!report.archiveRejected) {
        return std::nullopt;
    }
    struct stat status {};
    if (const int archiveErrno = StatErrno(archive, status); archiveErrno != 0) {
        return FailureCause{KindOfErrno(archiveErrno, FailureKind::ArchiveMissing), archive.string(),
                            SystemText(archiveErrno)};
    }
    if (const int targetErrno = StatErrno(target, status); targetErrno != 0 || !S_ISDIR(status.st_mode)) {
        const int sysErrno = targetErrno != 0 ? targetErrno : ENOTDIR;
        return FailureCause{KindOfErrno(sysErrno, FailureKind::SourceMissing), target.string(), SystemText(sysErrno)};
    }
    return FailureCause{FailureKind::ArchiveUnreadable, archive.string(), *report.archiveRejected};
}

} // namespace vantorel

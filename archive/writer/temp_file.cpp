#include "archive/writer/temp_file.h"

#include "archive/archive_error.h"
#include "platform/hidden_name.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::archive::writer {

std::filesystem::path TemporaryArchive::NameFor(const std::filesystem::path& archivePath) {
    return HiddenBeside(archivePath, {kSuffix});
}

TemporaryArchive::TemporaryArchive(std::filesystem::path archivePath)
    : archive_(std::move(archivePath)), temporary_(NameFor(archive_)) {
    if (unlink(temporary_.c_str()) != 0 && errno != ENOENT) {
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary_, errno, "leftover temporary archive");
    }
    // O_EXCL and O_NOFOLLOW: the file is ours, not one that appeared meanwhile
    // or a link planted to make us write elsewhere.
    fd_ = UniqueFd(open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!fd_) {
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary_, errno);
    }
    struct stat info {};
    if (fstat(fd_.get(), &info) != 0) {
        const int error = errno;
        static_cast<void>(unlink(temporary_.c_str())); // the fstat failure is the one reported
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary_, error);
    }
    identity_ = FileIdentity{info.st_dev, info.st_ino};
}

TemporaryArchive::~TemporaryArchive() {
    if (!committed_) {
        static_cast<void>(fd_.Close());                // the content is being thrown away
        static_cast<void>(unlink(temporary_.c_str())); // best effort; the next run removes it otherwise
    }
}

void TemporaryArchive::Commit() {
    if (fsync(fd_.get()) != 0) {
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary_, errno);
    }
    if (const int error = fd_.Close(); error != 0) {
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary_, error);
    }
    if (std::rename(temporary_.c_str(), archive_.c_str()) != 0) {
        throw ArchiveError(ArchiveFailure::WriteFailed, archive_, errno);
    }
    committed_ = true;
    // The new name is durable only once the folder is flushed too. A refusal
    // here is not a failure of the backup: the archive is whole under its
    // name, and reporting a failure would make the caller put the previous
    // generation back over it.
    UniqueFd folder(open(archive_.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder) {
        static_cast<void>(fsync(folder.get())); // see above: the archive is complete either way
    }
}

} // namespace vantorel::archive::writer

#include "archive/reader/archive_source.h"

#include "archive/archive_error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantorel::archive::reader {

namespace {

bool RangeFits(std::uint64_t offset, std::size_t length, std::uint64_t size) {
    return offset <= size && length <= size - offset;
}

} // namespace

bool MemorySource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!RangeFits(offset, out.size(), bytes_.size())) {
        return false;
    }
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), out.size(), out.begin());
    return true;
}

ArchiveFileSource::ArchiveFileSource(const std::filesystem::path& path) {
    // Without O_NONBLOCK a FIFO under the archive's name would block the call
    // until some writer came; for a regular file the flag changes nothing.
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        throw ArchiveError(ArchiveFailure::ReadFailed, path, errno);
    }
    struct stat info {};
    int error = 0;
    if (fstat(fd_, &info) != 0) {
        error = errno;
    } else if (!S_ISREG(info.st_mode)) {
        error = EINVAL; // a folder or a device is no archive
    }
    if (error != 0) {
        close(fd_); // read-only descriptor: nothing to lose
        fd_ = -1;
        throw ArchiveError(ArchiveFailure::ReadFailed, path, error);
    }
    size_ = static_cast<std::uint64_t>(info.st_size);
}

ArchiveFileSource::~ArchiveFileSource() {
    if (fd_ >= 0) {
        close(fd_); // read-only descriptor: closing cannot lose data
    }
}

bool ArchiveFileSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    if (!RangeFits(offset, out.size(), size_)) {
        return false;
    }
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t got = pread(fd_, out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return false; // a read error, or the file shrank under us
        }
        done += static_cast<std::size_t>(got);
    }
    return true;
}

} // namespace vantorel::archive::reader

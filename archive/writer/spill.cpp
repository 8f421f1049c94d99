#include "archive/writer/spill.h"

#include "archive/archive_error.h"
#include "platform/trace.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

} // namespace

Spill::Spill(std::filesystem::path spillFolder, std::size_t memoryLimit)
    : folder_(std::move(spillFolder)), memoryLimit_(memoryLimit) {}

void Spill::Write(const std::uint8_t* data, std::size_t size) {
    size_ += size;
    if (!file_ && memory_.size() + size <= memoryLimit_) {
        memory_.insert(memory_.end(), data, data + size);
        return;
    }
    if (!file_) {
        OpenFile();
    }
    while (size > 0) {
        const ssize_t put = pwrite(file_.get(), data, size, static_cast<off_t>(fileSize_));
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ArchiveError(ArchiveFailure::WriteFailed, folder_, errno, "temporary data");
        }
        data += put;
        size -= static_cast<std::size_t>(put);
        fileSize_ += static_cast<std::uint64_t>(put);
    }
}

void Spill::Clear() {
    memory_.clear();
    size_ = 0;
    if (file_) {
        if (ftruncate(file_.get(), 0) != 0) {
            throw ArchiveError(ArchiveFailure::WriteFailed, folder_, errno, "temporary data");
        }
        fileSize_ = 0;
    }
}

void Spill::CopyTo(ByteSink& out) const {
    out.Write(memory_.data(), memory_.size());
    if (!file_) {
        return;
    }
    std::vector<std::uint8_t> block(static_cast<std::size_t>(std::min<std::uint64_t>(kCopyBlock, fileSize_)));
    std::uint64_t at = 0;
    while (at < fileSize_) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), fileSize_ - at));
        const ssize_t got = pread(file_.get(), block.data(), want, static_cast<off_t>(at));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            throw ArchiveError(ArchiveFailure::ReadFailed, folder_, got < 0 ? errno : 0, "temporary data");
        }
        out.Write(block.data(), static_cast<std::size_t>(got));
        at += static_cast<std::uint64_t>(got);
    }
}

void Spill::OpenFile() {
    trace::Line("pipeline", "data past ", memoryLimit_, " bytes spill to a temporary file in ", folder_);
    // A nameless file: nothing to clean up after a crash, nothing a walk of
    // this folder could ever pick up.
    int fd = open(folder_.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // File systems without O_TMPFILE: a hidden name, removed at once.
        std::string pattern = (folder_ / ".vantorel-spill-XXXXXX").string();
        fd = mkostemp(pattern.data(), O_CLOEXEC);
        if (fd >= 0 && unlink(pattern.c_str()) != 0) {
            const int error = errno;
            static_cast<void>(close(fd)); // the failure reported is the unlink's
            throw ArchiveError(ArchiveFailure::WriteFailed, pattern, error, "temporary data");
        }
    }
    if (fd < 0) {
        throw ArchiveError(ArchiveFailure::WriteFailed, folder_, errno, "temporary data");
    }
    file_ = UniqueFd(fd);
}

} // namespace vantorel::archive::writer

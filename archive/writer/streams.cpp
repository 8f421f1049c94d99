#include "archive/writer/streams.h"

#include "archive/archive_error.h"
#include "archive/zip_format.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kSinkBufferSize = 1 << 20;
constexpr std::size_t kDeflateBufferSize = 1 << 16;
// zlib counts in uInt; larger pieces are fed in slices of this size.
constexpr std::size_t kZlibSlice = UINT_MAX / 2;

} // namespace

UniqueFd::~UniqueFd() {
    if (fd_ >= 0) {
        static_cast<void>(close(fd_)); // error paths only: Close() reports when it matters
    }
}

UniqueFd& UniqueFd::operator=(UniqueFd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            static_cast<void>(close(fd_)); // replaced descriptors were only read or are being discarded
        }
        fd_ = other.release();
    }
    return *this;
}

int UniqueFd::Close() {
    if (fd_ < 0) {
        return 0;
    }
    const int result = close(release());
    return result == 0 ? 0 : errno;
}

SourceFile::SourceFile(std::filesystem::path path, int folderFd) : path_(std::move(path)) {
    const std::filesystem::path& name = folderFd == AT_FDCWD ? path_ : path_.filename();
    fd_ = UniqueFd(openat(folderFd, name.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (!fd_) {
        throw ArchiveError(ArchiveFailure::ReadFailed, path_, errno);
    }
    if (fstat(fd_.get(), &info_) != 0) {
        throw ArchiveError(ArchiveFailure::ReadFailed, path_, errno);
    }
    if (!S_ISREG(info_.st_mode)) {
        // The walk saw a regular file here; something else took its place.
        throw ArchiveError(ArchiveFailure::ReadFailed, path_, 0, "no longer a regular file");
    }
}

std::size_t SourceFile::Read(std::uint8_t* data, std::size_t size) {
    for (;;) {
        const ssize_t got = read(fd_.get(), data, size);
        if (got >= 0) {
            return static_cast<std::size_t>(got);
        }
        if (errno != EINTR) {
            throw ArchiveError(ArchiveFailure::ReadFailed, path_, errno);
        }
    }
}

void SourceFile::Rewind() {
    if (lseek(fd_.get(), 0, SEEK_SET) != 0) {
        throw ArchiveError(ArchiveFailure::ReadFailed, path_, errno);
    }
}

FileSink::FileSink(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {
    buffer_.reserve(kSinkBufferSize);
}

void FileSink::Write(const std::uint8_t* data, std::size_t size) {
    offset_ += size;
    if (buffer_.size() + size > kSinkBufferSize) {
        Flush();
        if (size >= kSinkBufferSize) {
            WriteOut(data, size); // a big block goes straight out, unbuffered
            return;
        }
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

void FileSink::Flush() {
    WriteOut(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void FileSink::WriteOut(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t put = write(fd_, data, size);
        if (put < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw ArchiveError(ArchiveFailure::WriteFailed, path_, errno);
        }
        data += put;
        size -= static_cast<std::size_t>(put);
    }
}

void Crc32::Update(const std::uint8_t* data, std::size_t size) {
    value_ = libdeflate_crc32(value_, data, size); // zlib's value, computed several times faster
}

DeflateSink::~DeflateSink() {
    if (initialised_) {
        static_cast<void>(deflateEnd(&stream_)); // Z_DATA_ERROR here only means a stream was abandoned midway
    }
}

void DeflateSink::Start(ByteSink& out, const std::filesystem::path& path) {
    out_ = &out;
    path_ = &path;
    if (initialised_) {
        if (deflateReset(&stream_) != Z_OK) {
            throw ArchiveError(ArchiveFailure::CompressionFailed, path, 0, "deflateReset");
        }
        return;
    }
    if (deflateInit2(&stream_, kDeflateLevel, Z_DEFLATED, kDeflateWindowBits, kDeflateMemLevel, Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        throw ArchiveError(ArchiveFailure::CompressionFailed, path, 0, "deflateInit2");
    }
    initialised_ = true;
    buffer_.reset(new std::uint8_t[kDeflateBufferSize]); // never read before deflate fills it
}

void DeflateSink::Write(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const std::size_t slice = std::min(size, kZlibSlice);
        Run(data, slice, Z_NO_FLUSH);
        data += slice;
        size -= slice;
    }
}

void DeflateSink::Finish() {
    Run(nullptr, 0, Z_FINISH);
}

void DeflateSink::Run(const std::uint8_t* data, std::size_t size, int flush) {
    stream_.next_in = const_cast<Bytef*>(data); // zlib's signature; the input is not written
    stream_.avail_in = static_cast<uInt>(size);
    for (;;) {
        stream_.next_out = buffer_.get();
        stream_.avail_out = static_cast<uInt>(kDeflateBufferSize);
        const int result = deflate(&stream_, flush);
        // Z_BUF_ERROR only says no progress was possible and is not fatal;
        // with a fresh output buffer, Z_FINISH always progresses.
        if (result == Z_STREAM_ERROR) {
            throw ArchiveError(ArchiveFailure::CompressionFailed, *path_, 0, "deflate");
        }
        const std::size_t produced = kDeflateBufferSize - stream_.avail_out;
        if (produced > 0) {
            out_->Write(buffer_.get(), produced);
        }
        if (flush == Z_FINISH) {
            if (result == Z_STREAM_END) {
                return;
            }
        } else if (stream_.avail_in == 0 && stream_.avail_out != 0) {
            return;
        }
    }
}

} // namespace vantorel::archive::writer

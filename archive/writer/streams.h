#pragma once

// Small RAII byte streams the zip writer is built from: a file source, a
// buffered file sink, a CRC-32 accumulator and a raw deflate decorator.

#include <cstddef>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

namespace vantorel::archive::writer {

// A file descriptor closed on scope exit.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd();
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept;
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now and reports close's errno (0 on success): a write-back error
    // may only show here.
    int Close();

private:
    int fd_ = -1;
};

// Where bytes go. Write either takes every byte or throws ArchiveError.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(const std::uint8_t* data, std::size_t size) = 0;
    void Write(const std::vector<std::uint8_t>& bytes) { Write(bytes.data(), bytes.size()); }
};

// A file of the source folder, opened for reading: a regular file. Opening never blocks (a FIFO put in a
// file's place is refused, not waited on). Failures throw ArchiveError(ReadFailed).
class SourceFile {
public:
    // The file at `path`; or, when `folderFd` is an open folder, its entry
    // named path.filename() (a link to a file is followed), `path` then only
    // naming it in failures.
    explicit SourceFile(std::filesystem::path path, int folderFd = AT_FDCWD);

    // The file's status at open.
    const struct stat& info() const { return info_; }
    // Reads up to `size` bytes; 0 at the end of the file.
    std::size_t Read(std::uint8_t* data, std::size_t size);
    // Back to the first byte.
    void Rewind();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    UniqueFd fd_;
    struct stat info_ {};
};

// Appends to an open file through a buffer, counting the bytes written so far
// (the offset of the next record). Failures throw ArchiveError(WriteFailed).
class FileSink final : public ByteSink {
public:
    FileSink(int fd, std::filesystem::path path);
    using ByteSink::Write;
    void Write(const std::uint8_t* data, std::size_t size) override;
    std::uint64_t offset() const { return offset_; }
    // Writes the buffered bytes out.
    void Flush();

private:
    void WriteOut(const std::uint8_t* data, std::size_t size);

    int fd_;
    std::filesystem::path path_;
    std::vector<std::uint8_t> buffer_;
    std::uint64_t offset_ = 0;
};

// The CRC-32 of the zip format over any number of pieces.
class Crc32 {
public:
    void Update(const std::uint8_t* data, std::size_t size);
    std::uint32_t value() const { return value_; }

private:
    std::uint32_t value_ = 0;
};

// Raw deflate (no wrapper, 32 KiB window, level 6) into another sink. One
// object serves many streams in turn: Start begins one, Finish must be called
// once after its last Write. zlib's state and the output buffer are set up on
// the first Start and reused (a reset costs far less than a fresh stream for
// each small file). zlib failures throw ArchiveError(CompressionFailed)
// naming the path given to Start.
class DeflateSink final : public ByteSink {
public:
    DeflateSink() = default;
    ~DeflateSink() override;
    DeflateSink(const DeflateSink&) = delete;
    DeflateSink& operator=(const DeflateSink&) = delete;

    // `out` and `path` must outlive the stream.
    void Start(ByteSink& out, const std::filesystem::path& path);
    using ByteSink::Write;
    void Write(const std::uint8_t* data, std::size_t size) override;
    void Finish();

private:
    void Run(const std::uint8_t* data, std::size_t size, int flush);

    ByteSink* out_ = nullptr;
    const std::filesystem::path* path_ = nullptr;
    z_stream stream_{};
    bool initialised_ = false;
    std::unique_ptr<std::uint8_t[]> buffer_;
};

} // namespace vantorel::archive::writer

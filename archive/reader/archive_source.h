#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace vantorel::archive::reader {

// Random read access to the bytes of an archive. The reader reaches the file
// only through this, so the end-record search and the central directory walk
// can be tested on bytes built in memory.
class ArchiveSource {
public:
    virtual ~ArchiveSource() = default;

    virtual std::uint64_t size() const = 0;
    // Fills `out` from `offset`; false when the range lies past the end or
    // the read fails (then `out` holds nothing useful).
    virtual bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
    // The `length` bytes at `offset` when they are already in memory, so
    // they need not be copied; an empty span otherwise.
    virtual std::span<const std::uint8_t> Held(std::uint64_t offset, std::uint64_t length) const {
        static_cast<void>(offset);
        static_cast<void>(length);
        return {};
    }
};

// Bytes held in memory.
class MemorySource final : public ArchiveSource {
public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    std::uint64_t size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    std::vector<std::uint8_t> bytes_;
};

// The bytes of an archive file opened read-only. Its size is taken once at opening: a file
// that another process rewrites meanwhile reads as cut short, never past the
// end.
class ArchiveFileSource final : public ArchiveSource {
public:
    // Throws ArchiveError (ReadFailed) when the file cannot be opened or is
    // not a regular file; errno ENOENT tells a missing archive.
    explicit ArchiveFileSource(const std::filesystem::path& path);
    ~ArchiveFileSource() override;
    ArchiveFileSource(const ArchiveFileSource&) = delete;
    ArchiveFileSource& operator=(const ArchiveFileSource&) = delete;

    std::uint64_t size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace vantorel::archive::reader

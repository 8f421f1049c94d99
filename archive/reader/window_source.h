#pragma once

#include "archive/reader/archive_source.h"
#include "archive/reader/zip_reader.h"

#include <cstdint>
#include <memory>
#include <span>

namespace vantorel::archive::reader {

// The archive read through a window: a small entry's local header, name,
// extra field and data come in one read instead of three; every other read
// goes to the archive itself.
class WindowSource final : public ArchiveSource {
public:
    explicit WindowSource(const ArchiveSource& archive) : archive_(&archive) {}

    // Reads `archive` from now on, keeping the memory of the window: a
    // thread that checks entries of several archives in turn.
    void Attach(const ArchiveSource& archive);

    std::uint64_t size() const override { return archive_->size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    std::span<const std::uint8_t> Held(std::uint64_t offset, std::uint64_t length) const override;

    // Loads the window with `entry`'s local header and data when the entry
    // is small enough to be read in one go; otherwise empties it.
    void LoadEntry(const CentralEntry& entry);

    // Gives back the window's memory when it grew beyond `keep` bytes.
    void Trim(std::size_t keep);

    // The most bytes LoadEntry holds for `entry` (0 when it holds none).
    static std::uint64_t WindowFor(const CentralEntry& entry);

private:
    // Holds up to `length` bytes from `offset`, fewer where the archive ends;
    // nothing when the read fails (the reads then go to the archive and fail
    // or succeed there, as without a window).
    void Load(std::uint64_t offset, std::uint64_t length);

    const ArchiveSource* archive_;
    std::uint64_t start_ = 0;
    // Filled by each read before it is used: never cleared for nothing.
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

} // namespace vantorel::archive::reader

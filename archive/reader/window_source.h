#pragma once

#include "archive/reader/archive_source.h"
#include "archive/reader/zip_reader.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vantorel::archive::reader {

// The archive read through a window: a small entry's local header, name,
// extra field and data come in one read instead of three; every other read
// goes to the archive itself.
class WindowSource final : public ArchiveSource {
public:
    explicit WindowSource(const ArchiveSource& archive) : archive_(archive) {}

    std::uint64_t size() const override { return archive_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;

    // The `length` bytes at `offset` when the window holds them all, else an
    // empty span: the caller then reads them with ReadAt.
    std::span<const std::uint8_t> Held(std::uint64_t offset, std::uint64_t length) const;

    // Loads the window with `entry`'s local header and data when the entry
    // is small enough to be read in one go; otherwise empties it.
    void LoadEntry(const CentralEntry& entry);

    // The most bytes LoadEntry holds for `entry` (0 when it holds none).
    static std::uint64_t WindowFor(const CentralEntry& entry);

private:
    // Holds up to `length` bytes from `offset`, fewer where the archive ends;
    // nothing when the read fails (the reads then go to the archive and fail
    // or succeed there, as without a window).
    void Load(std::uint64_t offset, std::uint64_t length);

    const ArchiveSource& archive_;
    std::uint64_t start_ = 0;
    std::vector<std::uint8_t> bytes_;
};

} // namespace vantorel::archive::reader

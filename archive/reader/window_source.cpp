#include "archive/reader/window_source.h"

#include "archive/zip_format.h"

#include <algorithm>

namespace vantorel::archive::reader {

namespace {

// Entries up to this size are read with their local header in one go.
constexpr std::uint64_t kWindowLimit = 1 << 20;
// Room for the local extra field, which usually repeats the central one's
// blocks (a Unicode path holds the name again).
constexpr std::uint64_t kExtraRoom = 64;

} // namespace

bool WindowSource::ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    const std::span<const std::uint8_t> held = Held(offset, out.size());
    if (held.size() == out.size() && !out.empty()) {
        std::copy(held.begin(), held.end(), out.begin());
        return true;
    }
    return archive_->ReadAt(offset, out);
}

std::span<const std::uint8_t> WindowSource::Held(std::uint64_t offset, std::uint64_t length) const {
    if (offset >= start_ && offset - start_ <= size_ && length <= size_ - (offset - start_)) {
        return std::span<const std::uint8_t>(bytes_.get() + (offset - start_), static_cast<std::size_t>(length));
    }
    return {};
}

void WindowSource::Attach(const ArchiveSource& archive) {
    archive_ = &archive;
    size_ = 0;
}

void WindowSource::Trim(std::size_t keep) {
    if (capacity_ > keep) {
        bytes_.reset();
        size_ = 0;
        capacity_ = 0;
    }
}

std::uint64_t WindowSource::WindowFor(const CentralEntry& entry) {
    if (entry.compressedSize > kWindowLimit) {
        return 0;
    }
    return kLocalHeaderLength + 2 * entry.rawName.size() + kExtraRoom + entry.compressedSize;
}

void WindowSource::LoadEntry(const CentralEntry& entry) {
    Load(entry.localHeaderOffset, WindowFor(entry));
}

void WindowSource::Load(std::uint64_t offset, std::uint64_t length) {
    size_ = 0;
    start_ = offset;
    if (offset >= archive_->size() || length == 0) {
        return;
    }
    const auto wanted = static_cast<std::size_t>(std::min(length, archive_->size() - offset));
    if (wanted > capacity_) {
        bytes_.reset(); // first: the old window and the new one are never held at once
        capacity_ = 0;
        bytes_.reset(new std::uint8_t[wanted]);
        capacity_ = wanted;
    }
    if (archive_->ReadAt(offset, std::span(bytes_.get(), wanted))) {
        size_ = wanted;
    }
}

} // namespace vantorel::archive::reader

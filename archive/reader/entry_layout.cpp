#include "archive/reader/entry_layout.h"

#include <algorithm>

namespace vantorel::archive::reader {

EntryLayout::EntryLayout(const DirectoryAsRead& directory) : directoryStart_(directory.start) {
    headers_.reserve(directory.entries.size());
    offsets_.reserve(directory.entries.size());
    for (std::size_t i = 0; i < directory.entries.size(); ++i) {
        headers_.emplace_back(directory.entries[i].localHeaderOffset, i);
        offsets_.push_back(directory.entries[i].localHeaderOffset);
    }
    std::sort(headers_.begin(), headers_.end());
}

bool EntryLayout::ownsItsBytes(std::size_t index, std::uint64_t dataEnd) const {
    const std::uint64_t offset = offsets_[index];
    if (dataEnd < offset || dataEnd > directoryStart_) {
        return false;
    }
    // The first entry listed with this offset comes first among equal offsets.
    const auto first = std::lower_bound(headers_.begin(), headers_.end(), std::make_pair(offset, std::size_t{0}));
    if (first == headers_.end() || first->second != index) {
        return false;
    }
    const auto next = std::upper_bound(headers_.begin(), headers_.end(), std::make_pair(offset, SIZE_MAX));
    return next == headers_.end() || dataEnd <= next->first;
}

} // namespace vantorel::archive::reader

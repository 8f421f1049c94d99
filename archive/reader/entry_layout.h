#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "archive/reader/zip_reader.h"

namespace vantorel::archive::reader {

// Where each entry's bytes may lie. An entry owns the bytes from its local
// header to the end of its data; they must end before the next local header
// in the file and before the central directory. An overlapping entry, such as
// those of a "zip bomb" whose entries share one compressed stream, is refused
// instead of being decoded again and again. Bytes between entries (a data
// descriptor, junk left by an editing tool) belong to nobody and are allowed.
class EntryLayout {
public:
    explicit EntryLayout(const DirectoryAsRead& directory);

    // True when entry `index` (central directory order), whose data end at
    // `dataEnd`, claims only bytes of its own. Of several entries that name the
    // same local header, only the first one listed owns it.
    bool ownsItsBytes(std::size_t index, std::uint64_t dataEnd) const;

private:
    std::vector<std::pair<std::uint64_t, std::size_t>> headers_; // (local header offset, index), sorted
    std::vector<std::uint64_t> offsets_;                         // by index
    std::uint64_t directoryStart_;
};

} // namespace vantorel::archive::reader

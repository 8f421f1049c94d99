#pragma once

#include "archive/reader/zip_reader.h"

#include <vector>

namespace vantorel::archive::reader {

// The entries whose result would depend on the order they are written in:
// two file entries for the same path, or a file entry where another needs a
// folder, on a file system that may ignore letter case. Those are written
// one after the other, in the archive's order, once the rest is done.
std::vector<bool> EntriesThatMeet(const DirectoryAsRead& directory);

} // namespace vantorel::archive::reader

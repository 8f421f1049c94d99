#pragma once

#include "archive/reader/archive_source.h"
#include "archive/reader/entry_data.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/extract_archive.h"
#include "archive/reader/local_header.h"
#include "archive/reader/zip_reader.h"

#include <cstddef>
#include <optional>
#include <variant>

namespace vantorel::archive::reader {

// True for entries made on Unix (or OS X), whose external attributes carry a
// Unix mode and whose names use only "/" between folders.
bool MadeOnUnix(const CentralEntry& entry);

// Entries that are no file to write: folders (a DOS folder bit without the
// trailing "/" included) and Unix links, which this program's archives never
// hold and which, from another tool, could point anywhere.
std::optional<SkipReason> NotAFile(const CentralEntry& entry);

// Refuses an entry that needs more than this program reads, by its central
// header alone (`local` null) or with its local header too.
std::optional<SkipReason> CheckVersion(const CentralEntry& entry, const LocalHeader* local, bool archiveZip64);

// Reads entry `index`'s local header from `source` and checks that its data
// can be decoded: no damaged header, no version, encryption or method this
// program does not read, no byte outside the archive or shared with another
// entry. The data's place, or why the entry is skipped; `local`, when given,
// receives the header.
std::variant<EntryData, SkipReason> FindEntryData(const ArchiveSource& source, const DirectoryAsRead& directory,
                                                  const EntryLayout& layout, std::size_t index,
                                                  LocalHeader* local = nullptr);

} // namespace vantorel::archive::reader

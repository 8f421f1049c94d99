#pragma once

#include "archive/progress_meter.h"
#include "archive/reader/archive_source.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/extract_archive.h"
#include "archive/reader/target_folder.h"
#include "archive/reader/zip_reader.h"

namespace vantorel::archive::reader {

// Extracts every entry of `directory` into `target` on a few threads, the
// entries that meet (entries_that_meet.h) last and in the archive's order,
// and fills `report` with what became of them, in the archive's order. A
// stop request through `meter` ends it between two entries.
void ExtractEntries(const ArchiveSource& source, const DirectoryAsRead& directory, const EntryLayout& layout,
                    TargetFolder& target, ProgressMeter& meter, ExtractReport& report);

} // namespace vantorel::archive::reader

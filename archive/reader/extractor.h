#pragma once

#include "archive/reader/archive_source.h"
#include "archive/reader/entry_data.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/extract_archive.h"
#include "archive/reader/relative_path.h"
#include "archive/reader/target_folder.h"
#include "archive/reader/window_source.h"
#include "archive/reader/zip_reader.h"
#include "platform/dos_time.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantorel::archive::reader {

// What one thread of an extraction found, by entry index, merged into the
// report in the archive's order once every thread is done.
struct Outcome {
    std::size_t extracted = 0;
    std::size_t crcMismatches = 0;
    std::vector<std::pair<std::size_t, std::string>> damaged;
    std::vector<std::pair<std::size_t, SkippedEntry>> skipped;
};

// Writes entries' files below the target folder, one entry at a time, for
// one thread: each entry is checked, decoded into a temporary file and
// renamed over its name only once whole.
class Extractor {
public:
    Extractor(const ArchiveSource& source, const DirectoryAsRead& directory, const EntryLayout& layout,
              TargetFolder& target, Outcome& outcome)
        : window_(source), directory_(directory), layout_(layout), target_(target), outcome_(outcome) {}

    // Extracts entry `index`, recording in the outcome what became of it.
    void Extract(std::size_t index);

private:
    // Checks the entry and writes its file; the reason when it is skipped.
    std::optional<SkipReason> Write(std::size_t index, const CentralEntry& entry, const std::string& name);
    std::optional<SkipReason> WriteFile(std::size_t index, const CentralEntry& entry, const RelativePath& path,
                                        const EntryData& data, const std::string& name);

    WindowSource window_;
    const DirectoryAsRead& directory_;
    const EntryLayout& layout_;
    TargetFolder& target_;
    Outcome& outcome_;
    DosTimeCache times_;
    EntryDecoder decoder_;
};

} // namespace vantorel::archive::reader

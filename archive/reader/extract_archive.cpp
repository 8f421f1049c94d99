// The reader: what restores a backup, and what the writer reads the previous
// archive through when it copies unchanged files' data.
//
// An archive is read from its end: the end record (end_record.cpp) says
// where the central directory lies, and the directory (zip_reader.cpp) lists
// every entry with its sizes, CRC-32 and the offset of its local header.
// The directory is the truth; each entry's own local header
// (local_header.cpp) is read to find where its data start, and the entry is
// checked before its data are trusted (entry_checks.cpp): nothing this
// program does not read (a newer version, encryption, another method), and
// no byte outside the archive or claimed by two entries (entry_layout.cpp),
// so a hostile archive cannot make the same bytes decode again and again.
// A small entry's header and data come in one read (window_source.cpp).
//
// The data are decoded by EntryDecoder (entry_data.cpp), which holds them to
// their declared size and takes their CRC-32 for the caller to compare with
// the directory's: into a file for a restore (extractor.cpp), into nothing
// when the writer only checks an entry before copying it.
//
// A restore writes each file under a temporary name and renames it only
// once whole (target_folder.cpp), through folders opened one level at a time
// without following links, so no name can lead outside the target folder
// (relative_path.cpp). A few threads write at once (extraction_threads.cpp);
// the entries whose result would depend on their order, two for one path on a
// file system that may ignore letter case, are written last, one after the
// other, in the archive's order (entries_that_meet.cpp).

#include "archive/reader/extract_archive.h"

#include "archive/progress_meter.h"
#include "archive/reader/archive_source.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/extraction_threads.h"
#include "archive/reader/target_folder.h"
#include "archive/reader/zip_reader.h"

#include <algorithm>
#include <limits>

namespace vantorel {

using namespace archive::reader;

ExtractReport ExtractArchive(const std::filesystem::path& targetFolder, const std::filesystem::path& archivePath,
                             const StepControl& control) {
    ExtractReport report;
    ProgressMeter meter(control, archivePath);
    try {
        // Only opened for reading: a missing archive stays missing.
        const ArchiveFileSource source(archivePath);
        TargetFolder target(targetFolder);
        if (source.size() == 0) {
            return report; // an empty file is an archive without entries
        }
        const DirectoryAsRead directory = ReadCentralDirectory(source, archivePath);
        const EntryLayout layout(directory);
        if (meter.wanted()) {
            std::uint64_t total = 0;
            for (const CentralEntry& entry : directory.entries) {
                // Declared sizes may be anything: the total stops at the largest value.
                total += std::min(entry.uncompressedSize, std::numeric_limits<std::uint64_t>::max() - total);
            }
            meter.Start(total);
        }
        ExtractEntries(source, directory, layout, target, meter, report);
    } catch (const std::exception& error) {
        // The whole archive is refused before any entry: nothing was written.
        report.archiveRejected = error.what();
    }
    return report;
}

std::optional<std::size_t> CountArchiveEntries(const std::filesystem::path& archivePath) {
    try {
        const ArchiveFileSource source(archivePath);
        if (source.size() == 0) {
            return 0;
        }
        return ReadCentralDirectory(source, archivePath).entries.size();
    } catch (const std::exception&) {
        return std::nullopt; // missing, unreadable or not an archive: the caller only asks how many
    }
}

} // namespace vantorel

// ZipFolder: a folder tree into a fresh zip archive.
//
// The archive is written in one pass into a temporary file beside it
// (writer_temp_file.h): for each entry its local header, then its data; then
// the central directory and the end records. A local header needs the CRC and
// sizes before the data, so every entry is first compressed into a bounded
// spill (writer_spill.h), on worker threads (writer_pipeline.h), and written
// in enumeration order by this thread. Nothing is ever written into the
// source folder, and the archive takes its name only once complete.

#include "archive/zip_folder.h"

#include "archive/archive_error.h"
#include "archive/writer_compress.h"
#include "archive/writer_names.h"
#include "archive/writer_pipeline.h"
#include "archive/writer_records.h"
#include "archive/writer_temp_file.h"
#include "platform/folder_walk.h"

#include <cerrno>
#include <deque>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unordered_set>
#include <vector>

namespace vantorel {

namespace {

using namespace writer;

// Bytes of one entry's data kept in memory before its spill goes to a file.
constexpr std::size_t kSpillMemory = 2 << 20;

// A file found by the walk, waiting to be compressed.
struct PendingFile {
    std::string relative;
    StoredName name;
};

// Lists the files to archive, in enumeration order. A later file whose
// stored name is byte for byte the same as an earlier one's is left out (two
// names differing only in case are two files, and both are kept).
std::deque<PendingFile> ListFiles(const std::filesystem::path& sourceFolder,
                                  const std::vector<FileIdentity>& excluded) {
    std::deque<PendingFile> files; // a deque: the names seen below point into it
    std::unordered_set<std::string_view> seen;
    try {
        WalkFolder(sourceFolder, excluded, [&](std::string_view relative) {
            StoredName name = FormStoredName(relative);
            if (seen.count(name.bytes) == 0) {
                files.push_back(PendingFile{std::string(relative), std::move(name)});
                seen.insert(files.back().name.bytes);
            }
            return WalkStep::Continue;
        });
    } catch (const FolderWalkError& error) {
        throw ArchiveError(ArchiveFailure::ReadFailed, error.path(), error.code().value());
    }
    return files;
}

std::size_t WorkerCount(const ZipOptions& options) {
    if (options.threads != 0) {
        return options.threads;
    }
    const unsigned processors = std::thread::hardware_concurrency();
    return processors == 0 ? 1 : processors;
}

void WriteCentralDirectory(FileSink& sink, const std::vector<ZipEntry>& entries) {
    CentralDirectory directory;
    directory.entries = entries.size();
    directory.offset = sink.offset();
    for (const ZipEntry& entry : entries) {
        sink.Write(CentralHeaderRecord(entry));
    }
    directory.size = sink.offset() - directory.offset;
    if (NeedsZip64End(directory)) {
        const std::uint64_t zip64EndOffset = sink.offset();
        sink.Write(Zip64EndRecord(directory));
        sink.Write(Zip64LocatorRecord(zip64EndOffset));
    }
    sink.Write(EndOfCentralDirRecord(directory));
}

std::vector<FileIdentity> ArchiveIdentities(const std::filesystem::path& archivePath,
                                            const TemporaryArchive& temporary) {
    std::vector<FileIdentity> identities{temporary.identity()};
    struct stat info {};
    if (stat(archivePath.c_str(), &info) == 0) {
        identities.push_back(FileIdentity{info.st_dev, info.st_ino}); // the generation being replaced
    }
    return identities;
}

} // namespace

void ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
               const ZipOptions& options) {
    if (!archivePath.is_absolute()) {
        throw ArchiveError(ArchiveFailure::PathNotAbsolute, archivePath);
    }
    struct stat source {};
    if (stat(sourceFolder.c_str(), &source) != 0 || !S_ISDIR(source.st_mode)) {
        throw ArchiveError(ArchiveFailure::NoSuchFolder, sourceFolder, errno);
    }
    TemporaryArchive temporary(archivePath);
    std::deque<PendingFile> files = ListFiles(sourceFolder, ArchiveIdentities(archivePath, temporary));

    const std::size_t threads = WorkerCount(options);
    const CompressSettings settings{archivePath.parent_path(), kSpillMemory};
    FileSink sink(temporary.fd(), temporary.path());
    std::vector<ZipEntry> entries;
    entries.reserve(files.size());
    RunInOrder(
        files.size(), threads, threads + 2,
        [&](std::size_t index) {
            PendingFile& file = files[index];
            CompressedEntry entry =
                CompressFile(sourceFolder / file.relative, std::move(file.name.bytes), file.name.flags, settings);
            file.relative = {}; // only the stored name is kept until the central directory is written
            return entry;
        },
        [&](std::size_t, CompressedEntry& compressed) {
            compressed.entry.localHeaderOffset = sink.offset();
            sink.Write(LocalHeaderRecord(compressed.entry));
            compressed.data.CopyTo(sink);
            entries.push_back(std::move(compressed.entry));
        });
    files = {};
    WriteCentralDirectory(sink, entries);
    sink.Flush();
    temporary.Commit();
}

bool HasArchivableFile(const std::filesystem::path& sourceFolder) {
    bool found = false;
    try {
        WalkFolder(sourceFolder, {}, [&found](std::string_view) {
            found = true;
            return WalkStep::Stop;
        });
    } catch (const FolderWalkError&) {
        // An unlistable folder holds nothing we could archive; ZipFolder
        // reports the failure itself if it is asked to.
    }
    return found;
}

} // namespace vantorel

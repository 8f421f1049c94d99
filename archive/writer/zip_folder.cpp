// ZipFolder: a folder tree into a fresh zip archive.
//
// The archive is written in one pass into a temporary file beside it
// (temp_file.h): for each entry its local header, then its data; then
// the central directory and the end records. A local header needs the CRC and
// sizes before the data, so every entry is first compressed into a bounded
// spill (spill.h), on worker threads (pipeline.h), and written
// in enumeration order by this thread. Nothing is ever written into the
// source folder, and the archive takes its name only once complete. Files
// unchanged since the previous archive have their data copied from it
// (reuse.h); the archive records, as a file attribute, what the next run needs
// to trust it in turn.

#include "archive/writer/zip_folder.h"

#include "archive/archive_error.h"
#include "archive/progress_meter.h"
#include "archive/stored_name.h"
#include "archive/writer/budget.h"
#include "archive/writer/chunked_deflate.h"
#include "archive/writer/compress.h"
#include "archive/writer/path_list.h"
#include "archive/writer/pipeline.h"
#include "archive/writer/records.h"
#include "archive/writer/reuse.h"
#include "archive/writer/temp_file.h"
#include "platform/code_page.h"
#include "platform/file_system_kind.h"
#include "platform/folder_walk.h"
#include "platform/trace.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <malloc.h>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unordered_set>
#include <vector>

namespace vantorel {

namespace {

using namespace archive;
using namespace archive::writer;

// Bytes of one entry's data kept in memory before its spill goes to a file.
constexpr std::size_t kSpillMemory = 2 << 20;
// Entries compressed ahead of the one being written, and the memory their
// data may hold meanwhile.
constexpr std::size_t kWindowEntries = 256;
constexpr std::size_t kHeldMemory = 8 << 20;
// Bytes of the central directory kept in memory before it goes to a file.
constexpr std::size_t kCentralDirectoryMemory = 8 << 20;

// Lists the files to archive into `files`, as paths relative to the source
// folder (open as `rootFd`) in enumeration order, with the folder each was
// listed in and whether its times can prove it unchanged, announcing each as
// it comes; returns the bytes they hold as listed.
//
// Two entries are duplicates when their stored names are byte for byte the
// same under the same name flag; the later one is left out. Names differing
// only in letter case are two files, and both are kept. Relative paths from
// one walk are unique and an ASCII or bit-11 name is stored as it is, so only
// non-ASCII names stored with flags 0 (converted to code page 850, or bytes
// that are not UTF-8) could ever meet again: only those are remembered, which
// keeps the memory of a large tree to its paths.
std::uint64_t ListFiles(int rootFd, const std::filesystem::path& sourceFolder,
                        const std::vector<FileIdentity>& excluded, const ProgressMeter& meter, PathList& files,
                        const std::function<bool(std::size_t listed)>& announce) {
    std::unordered_set<std::string> remembered;
    HonestDatesByDevice honest;
    std::unordered_set<dev_t> untrusted; // devices already traced
    std::uint64_t bytes = 0;
    std::size_t listed = 0;
    int folderFd = -1;
    struct stat folderStatus {};
    std::optional<std::uint32_t> folder; // numbered with its first file
    try {
        WalkFolder(
            rootFd, sourceFolder, excluded,
            [&](std::string_view relative, const struct stat& status) {
                meter.CheckStop();
                StoredName name = FormStoredName(relative);
                const bool mayMeetAgain = name.flags == 0 && !IsAscii(name.bytes);
                if (!mayMeetAgain || remembered.insert(std::move(name.bytes)).second) {
                    if (!folder) {
                        folder = files.AddFolder(FileIdentity{folderStatus.st_dev, folderStatus.st_ino});
                    }
                    const std::string_view fileName = relative.substr(relative.rfind('/') + 1); // npos + 1 is 0
                    const bool reusable = honest.Honest(folderFd, folderStatus, fileName, status);
                    if (!reusable && untrusted.insert(status.st_dev).second) {
                        trace::Line("reuse", "files on device ", status.st_dev, " (", relative,
                                    "...) are always read: their file system cannot prove them unchanged");
                    }
                    files.Add(relative, status, *folder, reusable);
                    bytes += static_cast<std::uint64_t>(status.st_size);
                    if (!announce(++listed)) {
                        return WalkStep::Stop; // the run failed meanwhile
                    }
                }
                return WalkStep::Continue;
            },
            [&](const WalkedFolder& walked) {
                folderFd = walked.fd;
                folderStatus = walked.status;
                folder.reset();
            });
    } catch (const FolderWalkError& error) {
        throw ArchiveError(ArchiveFailure::ReadFailed, error.path(), error.code().value());
    }
    return bytes;
}

// The folder a worker reads its files from, kept open from one file to the
// next of the same folder (files come folder by folder).
class WorkerFolder {
public:
    // The folder the walk listed `file` in, reached again from the source
    // folder without following links, and checked to be the very folder the
    // walk listed, not another one put in its place since.
    int Open(int rootFd, const std::filesystem::path& sourceFolder, const PathList& files, const PathList::Item& file) {
        if (fd_ && folder_ == file.folder) {
            return fd_.get();
        }
        fd_ = UniqueFd();
        const std::size_t slash = file.path.rfind('/');
        const std::string_view relative =
            slash == std::string_view::npos ? std::string_view() : file.path.substr(0, slash);
        UniqueFd fd(OpenFolderBeneath(rootFd, relative));
        struct stat status {};
        if (!fd || fstat(fd.get(), &status) != 0) {
            throw ArchiveError(ArchiveFailure::ReadFailed, sourceFolder / file.path, errno);
        }
        if (FileIdentity{status.st_dev, status.st_ino} != files.Folder(file.folder)) {
            throw ArchiveError(ArchiveFailure::ReadFailed, sourceFolder / file.path, 0,
                               "its folder was replaced while the files were read");
        }
        fd_ = std::move(fd);
        folder_ = file.folder;
        return fd_.get();
    }

private:
    UniqueFd fd_;
    std::uint32_t folder_ = 0;
};

// The memory budget of a run's large buffers. Each worker keeps
// kWorkerMemory of it for the whole run, and half of it stays for the units
// in flight (a file under 4 MiB and its deflated bytes, a large file's
// chunks, a previous entry being checked), each of which fits that half
// alone, so a worker waiting for its share always gets it in the end.
constexpr std::size_t kMemoryBudget = 32 << 20;
// More threads would only eat the units' half: the single consumer and the
// walk are the serial part beyond a few processors anyway.
constexpr std::size_t kMaxThreads = (kMemoryBudget / 2) / kWorkerMemory;
// Chunks of one large file deflated at a time.
constexpr std::size_t kMaxChunkThreads = 4;
static_assert(kMaxChunkThreads * ChunkedDeflater::kChunkMemory <= kMemoryBudget / 2);

// glibc raises its mmap threshold each time a large block is freed, after
// which the next blocks of that size come from per-thread arenas that keep
// them after free: with a few workers, the resident memory would grow well
// past the budget. A fixed threshold keeps every large buffer mapped for its
// own use only and returned when freed.
void KeepLargeBlocksMapped() {
    static std::once_flag once;
    std::call_once(once, [] { static_cast<void>(mallopt(M_MMAP_THRESHOLD, static_cast<int>(kKeptBuffer))); });
}

std::size_t WorkerCount(const ZipOptions& options) {
    std::size_t threads = options.threads;
    if (threads == 0) {
        const unsigned processors = std::thread::hardware_concurrency();
        threads = processors == 0 ? 1 : processors;
    }
    return std::clamp<std::size_t>(threads, 1, kMaxThreads);
}

// Passes bytes on to another sink, keeping their CRC-32.
class CrcTee final : public ByteSink {
public:
    explicit CrcTee(ByteSink& out) : out_(out) {}
    using ByteSink::Write;
    void Write(const std::uint8_t* data, std::size_t size) override {
        crc_.Update(data, size);
        out_.Write(data, size);
    }
    std::uint32_t crc() const { return crc_.value(); }

private:
    ByteSink& out_;
    Crc32 crc_;
};

// Appends the central directory, gathered in `headers` while the entries were
// written, and the end records. Returns the CRC-32 of the central directory.
std::uint32_t WriteCentralDirectory(FileSink& sink, const Spill& headers, std::uint64_t entries) {
    DirectoryWritten directory;
    directory.entries = entries;
    directory.offset = sink.offset();
    CrcTee tee(sink);
    headers.CopyTo(tee);
    directory.size = sink.offset() - directory.offset;
    if (NeedsZip64End(directory)) {
        const std::uint64_t zip64EndOffset = sink.offset();
        sink.Write(Zip64EndRecord(directory));
        sink.Write(Zip64LocatorRecord(zip64EndOffset));
    }
    sink.Write(EndOfCentralDirRecord(directory));
    return tee.crc();
}

// What this run will record on its archive, but for what it writes: its
// start, by the clock that dates the changes of the files (the temporary
// archive's status-change time, read before any file is listed), and the
// source folder.
RunStamp StampThisRun(const TemporaryArchive& temporary, const struct stat& source,
                      const std::filesystem::path& sourceFolder) {
    struct stat created {};
    if (fstat(temporary.fd(), &created) != 0) {
        throw ArchiveError(ArchiveFailure::WriteFailed, temporary.path(), errno);
    }
    RunStamp stamp;
    stamp.start = created.st_ctim;
    stamp.sourceDevice = source.st_dev;
    stamp.sourceInode = source.st_ino;
    stamp.sourceFolder = sourceFolder.string();
    return stamp;
}

// Writes an entry's local header and data, and lays out its central header.
void WriteEntry(CompressedEntry& compressed, FileSink& sink, Spill& centralHeaders) {
    compressed.entry.localHeaderOffset = sink.offset();
    sink.Write(LocalHeaderRecord(compressed.entry));
    compressed.data.CopyTo(sink);
    centralHeaders.Write(CentralHeaderRecord(compressed.entry));
}

CompressSettings SettingsFor(const std::filesystem::path& archivePath, std::size_t threads, PreviousArchive* previous,
                             ProgressMeter& meter, MemoryBudget& budget) {
    CompressSettings settings;
    settings.spillFolder = archivePath.parent_path();
    settings.spillMemory = kSpillMemory;
    settings.deflateThreads = std::min(threads, kMaxChunkThreads);
    settings.previous = previous;
    settings.meter = &meter;
    settings.budget = &budget;
    return settings;
}

// Appends the central directory and the end records after the `entries`
// entries written, and records the run's stamp before the archive takes its
// name.
void Finish(FileSink& sink, const Spill& centralHeaders, std::uint64_t entries, RunStamp& stamp,
            TemporaryArchive& temporary) {
    stamp.centralDirectoryCrc = WriteCentralDirectory(sink, centralHeaders, entries);
    sink.Flush();
    stamp.archiveSize = sink.offset();
    // Without the stamp (a file system without user attributes) the next run
    // simply compresses everything.
    if (!WriteRunStamp(temporary.fd(), stamp)) {
        trace::Line("reuse", "no run stamp on ", temporary.path(), ": the next run reads every file");
    }
    temporary.Commit();
}

std::vector<FileIdentity> ArchiveIdentities(const std::filesystem::path& archivePath, const TemporaryArchive& temporary,
                                            const std::vector<std::filesystem::path>& leftOut) {
    std::vector<FileIdentity> identities{temporary.identity()};
    std::vector<std::filesystem::path> others = leftOut;
    others.push_back(archivePath); // the generation being replaced
    for (const std::filesystem::path& other : others) {
        struct stat info {};
        if (stat(other.c_str(), &info) == 0) {
            identities.push_back(FileIdentity{info.st_dev, info.st_ino});
        }
    }
    return identities;
}

} // namespace

ZipSummary ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
                     const ZipOptions& options) {
    return ZipFolder(archivePath, sourceFolder, options, {});
}

ZipSummary ZipFolder(const std::filesystem::path& archivePath, const std::filesystem::path& sourceFolder,
                     const ZipOptions& options, const std::vector<std::filesystem::path>& leftOut) {
    if (!archivePath.is_absolute()) {
        throw ArchiveError(ArchiveFailure::PathNotAbsolute, archivePath);
    }
    // Every file is reached from this descriptor: the folder the run began
    // with, whatever its path names later.
    const UniqueFd root(open(sourceFolder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat source {};
    if (!root || fstat(root.get(), &source) != 0) {
        throw ArchiveError(ArchiveFailure::NoSuchFolder, sourceFolder, errno);
    }
    KeepLargeBlocksMapped();
    TemporaryArchive temporary(archivePath);
    RunStamp stamp = StampThisRun(temporary, source, sourceFolder);
    std::unique_ptr<PreviousArchive> previous;
    if (!options.previousArchive.empty()) {
        previous = PreviousArchive::Open(options.previousArchive, stamp,
                                         options.writebackDelay.value_or(KernelWritebackDelay()));
    }

    const std::vector<FileIdentity> excluded = ArchiveIdentities(archivePath, temporary, leftOut);
    ProgressMeter meter(options.control, archivePath);
    meter.CheckStop();

    const std::size_t threads = WorkerCount(options);
    MemoryBudget budget(kMemoryBudget);
    const CompressSettings settings = SettingsFor(archivePath, threads, previous.get(), meter, budget);
    const BudgetShare kept(&budget, threads * kWorkerMemory);
    FileSink sink(temporary.fd(), temporary.path());
    // Each central header is laid out as soon as its entry is written, so
    // beyond the paths the memory a run needs does not grow with the tree.
    Spill centralHeaders(archivePath.parent_path(), kCentralDirectoryMemory);
    std::uint64_t entries = 0;
    // The files are compressed while the walk still lists them, and the
    // progress has its whole once the walk is done.
    PathList files;
    std::vector<WorkerFolder> folders(threads);
    RunInOrder(
        [&](const std::function<bool(std::size_t)>& announce) {
            meter.Start(ListFiles(root.get(), sourceFolder, excluded, meter, files, announce));
        },
        threads, kWindowEntries, kHeldMemory,
        [&](std::size_t index, std::size_t worker, const std::atomic<bool>& cancelled) {
            CompressSettings mine = settings;
            mine.cancelled = &cancelled;
            const PathList::Item file = files[index];
            StoredName name = FormStoredName(file.path);
            const std::filesystem::path path = sourceFolder / file.path;
            return CompressFile(path, std::move(name.bytes), name.flags, mine, file.reusable ? &file.status : nullptr,
                                [&] { return folders[worker].Open(root.get(), sourceFolder, files, file); });
        },
        [&](std::size_t, CompressedEntry& compressed) {
            meter.CheckStop(); // a tree of empty files reads no block to stop at
            WriteEntry(compressed, sink, centralHeaders);
            ++entries;
        });
    Finish(sink, centralHeaders, entries, stamp, temporary);
    return ZipSummary{entries, previous ? previous->reused() : 0, budget.highWater(), budget.limit()};
}

bool HasArchivableFile(const std::filesystem::path& sourceFolder) {
    bool found = false;
    try {
        WalkFolder(sourceFolder, {}, [&found](std::string_view, const struct stat&) {
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

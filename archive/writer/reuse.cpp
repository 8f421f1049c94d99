#include "archive/writer/reuse.h"

#include "archive/archive_error.h"
#include "archive/reader/entry_checks.h"
#include "archive/reader/entry_data.h"
#include "archive/reader/local_header.h"
#include "archive/reader/window_source.h"
#include "archive/writer/budget.h"
#include "archive/writer/compress.h"
#include "archive/zip_format.h"
#include "platform/trace.h"

#include <algorithm>
#include <libdeflate.h>
#include <optional>
#include <variant>
#include <vector>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kBlock = 1 << 18;

std::size_t BeyondKept(std::uint64_t size) {
    return size > kKeptBuffer ? static_cast<std::size_t>(size) : 0;
}

bool Earlier(const std::timespec& a, const std::timespec& b) {
    return a.tv_sec < b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec < b.tv_nsec);
}

// The moment `delay` before `moment`.
std::timespec Before(const std::timespec& moment, std::chrono::milliseconds delay) {
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(delay).count();
    std::timespec result{moment.tv_sec - static_cast<std::time_t>(nanoseconds / 1000000000),
                         moment.tv_nsec - static_cast<long>(nanoseconds % 1000000000)};
    if (result.tv_nsec < 0) {
        result.tv_nsec += 1000000000;
        --result.tv_sec;
    }
    return result;
}

std::uint32_t DirectoryCrc(const reader::ArchiveSource& source, const reader::DirectoryAsRead& directory, bool& ok) {
    std::vector<std::uint8_t> block(kBlock);
    std::uint32_t crc = 0;
    for (std::uint64_t at = directory.start; at < directory.end;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), directory.end - at));
        if (!source.ReadAt(at, std::span(block.data(), want))) {
            ok = false;
            return 0;
        }
        crc = libdeflate_crc32(crc, block.data(), want);
        at += want;
    }
    ok = true;
    return crc;
}

// What a worker thread keeps from one checked entry to the next.
struct CheckScratch {
    reader::EntryDecoder decoder;
    std::optional<reader::WindowSource> window;
};

CheckScratch& Scratch() {
    thread_local CheckScratch scratch;
    return scratch;
}

// The archive as read for one entry's check, handing every byte of the
// entry's data the decoder reads on to `out` as it goes: the bytes copied are
// the very bytes checked, even for data too large to be held at once.
class CopyingSource final : public reader::ArchiveSource {
public:
    CopyingSource(const reader::ArchiveSource& archive, const reader::EntryData& data, ByteSink& out)
        : archive_(archive), end_(data.offset + data.compressedSize), out_(out), next_(data.offset) {}

    std::uint64_t size() const override { return archive_.size(); }
    bool ReadAt(std::uint64_t offset, std::span<std::uint8_t> bytes) const override {
        if (!archive_.ReadAt(offset, bytes)) {
            return false;
        }
        if (offset != next_) {
            inOrder_ = false; // the copy would not be the data as read
            return true;
        }
        out_.Write(bytes.data(), bytes.size());
        next_ += bytes.size();
        return true;
    }

    // True when the data were read once, in order, to their end.
    bool CopiedAll() const { return inOrder_ && next_ == end_; }

private:
    const reader::ArchiveSource& archive_;
    const std::uint64_t end_;
    ByteSink& out_;
    // ReadAt is a const reading, but the copy follows it.
    mutable std::uint64_t next_;
    mutable bool inOrder_ = true;
};

} // namespace

PreviousArchive::PreviousArchive(std::filesystem::path path, std::timespec settled)
    : path_(std::move(path)), settled_(settled) {}

std::unique_ptr<PreviousArchive> PreviousArchive::Open(const std::filesystem::path& path, const RunStamp& current,
                                                       std::chrono::milliseconds writebackDelay) {
    const std::optional<RunStamp> stamp = ReadRunStamp(path);
    if (!stamp) {
        trace::Line("reuse", "no run stamp on ", path, ": every file is read");
        return nullptr; // copied, or a file system without user attributes
    }
    if (stamp->sourceFolder != current.sourceFolder || stamp->sourceDevice != current.sourceDevice ||
        stamp->sourceInode != current.sourceInode || !Earlier(stamp->start, current.start)) {
        trace::Line("reuse", "the stamp of ", path, " is for another source folder or from the future");
        return nullptr;
    }
    std::unique_ptr<PreviousArchive> previous(new PreviousArchive(path, Before(stamp->start, writebackDelay)));
    try {
        previous->file_ = std::make_unique<reader::ArchiveFileSource>(path);
        if (previous->file_->size() != stamp->archiveSize) {
            trace::Line("reuse", path, " is not the size its stamp says");
            return nullptr;
        }
        previous->directory_ = reader::ReadCentralDirectory(*previous->file_, path);
    } catch (const ArchiveError& error) {
        trace::Line("reuse", "cannot read ", path, ": ", error.what());
        return nullptr; // unreadable or damaged: everything is compressed
    }
    bool read = false;
    if (DirectoryCrc(*previous->file_, previous->directory_, read) != stamp->centralDirectoryCrc || !read) {
        trace::Line("reuse", "the central directory of ", path, " is not the one its stamp says");
        return nullptr; // other bytes than the stamped run wrote
    }
    previous->layout_ = std::make_unique<reader::EntryLayout>(previous->directory_);
    const std::vector<reader::CentralEntry>& entries = previous->directory_.entries;
    previous->byName_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        previous->byName_.emplace(entries[i].rawName, i); // of duplicates, the first
    }
    trace::Line("reuse", "previous archive ", path, " opened: ", entries.size(), " entries");
    return previous;
}

bool PreviousArchive::Reuse(const struct stat& info, CompressedEntry& result, MemoryBudget* budget) {
    if (off_.load(std::memory_order_relaxed)) {
        return false;
    }
    ZipEntry& entry = result.entry;
    const auto found = byName_.find(entry.storedName);
    if (found == byName_.end()) {
        trace::Line("reuse", entry.storedName, ": new");
        return false;
    }
    const reader::CentralEntry& previous = directory_.entries[found->second];
    if (const char* why = Changed(previous, info, result)) {
        trace::Line("reuse", entry.storedName, ": read again, ", why);
        return false;
    }
    if (!CopyChecked(found->second, result, budget)) {
        trace::Line("reuse", entry.storedName, ": failed its check in ", path_, ", reuse is off for this run");
        off_.store(true, std::memory_order_relaxed);
        result.data.Clear();
        return false;
    }
    entry.method = previous.method;
    entry.crc = previous.crc32;
    entry.uncompressedSize = previous.uncompressedSize;
    reused_.fetch_add(1, std::memory_order_relaxed);
    return true;
}

const char* PreviousArchive::Changed(const reader::CentralEntry& previous, const struct stat& info,
                                     const CompressedEntry& result) const {
    const ZipEntry& entry = result.entry;
    if (previous.flags != entry.flags || previous.uncompressedSize != static_cast<std::uint64_t>(info.st_size) ||
        previous.dosTime != entry.modified.time || previous.dosDate != entry.modified.date) {
        return "its size or time changed";
    }
    if (!Earlier(info.st_ctim, settled_) || !Earlier(info.st_mtim, settled_)) {
        return "changed since the previous run started, or within the writeback delay before";
    }
    if (previous.method != kMethodStored && previous.method != kMethodDeflated) {
        return "stored by another method";
    }
    return nullptr;
}

bool PreviousArchive::CopyChecked(std::size_t index, CompressedEntry& result, MemoryBudget* budget) const {
    const reader::CentralEntry& previous = directory_.entries[index];
    // The window and, for an entry decoded whole, both its sizes.
    const reader::EntryData planned{0, previous.compressedSize, previous.uncompressedSize, previous.method};
    const bool whole = reader::EntryDecoder::DecodesWhole(planned);
    const BudgetShare share(
        budget, BeyondKept(reader::WindowSource::WindowFor(previous)) +
                    (whole ? BeyondKept(previous.compressedSize) + BeyondKept(previous.uncompressedSize) : 0));
    CheckScratch& scratch = Scratch();
    if (!scratch.window) {
        scratch.window.emplace(*file_);
    }
    reader::WindowSource& window = *scratch.window;
    window.Attach(*file_);
    struct Trim {
        CheckScratch& scratch;
        ~Trim() {
            scratch.window->Trim(kKeptBuffer);
            scratch.decoder.Trim(kKeptBuffer);
        }
    } trim{scratch};
    window.LoadEntry(previous);
    reader::LocalHeader local;
    const std::variant<reader::EntryData, SkipReason> found =
        reader::FindEntryData(window, directory_, *layout_, index, &local);
    const reader::EntryData* data = std::get_if<reader::EntryData>(&found);
    if (data == nullptr || !reader::RepeatsCentral(local, previous)) {
        return false;
    }
    const auto sound = [&](const reader::DecodeResult& checked) {
        return checked.status == reader::DecodeResult::Status::Ok && checked.endsWithData &&
               checked.crc32 == previous.crc32;
    };
    // Data held in the window are checked, then copied from the same memory;
    // larger data are copied as they are read for the check.
    if (const std::span<const std::uint8_t> held = window.Held(data->offset, data->compressedSize); !held.empty()) {
        if (!sound(scratch.decoder.Check(window, *data))) {
            return false;
        }
        result.data.Write(held.data(), held.size());
        return true;
    }
    CopyingSource copying(window, *data, result.data);
    return sound(scratch.decoder.Check(copying, *data)) && copying.CopiedAll();
}

} // namespace vantorel::archive::writer

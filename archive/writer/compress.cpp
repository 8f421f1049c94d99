#include "archive/writer/compress.h"

#include "archive/archive_error.h"
#include "archive/writer/chunked_deflate.h"
#include "archive/zip_format.h"
#include "platform/file_attributes.h"

#include <cerrno>
#include <memory>
#include <vector>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kReadBlock = 1 << 18;
// A file this small is kept as read while it is deflated, so storing it
// needs no second read.
constexpr std::size_t kKeepRawLimit = 1 << 20;
// Files this large (at open) are deflated in chunks on several threads; the
// choice depends on the size alone, so the bytes never depend on the threads.
constexpr std::uint64_t kChunkedThreshold = 4 * ChunkedDeflater::kChunkSize;

// What a worker thread reuses from one file to the next: set up on its first
// file, freed when the thread ends, never zeroed (every byte read from it was
// written first).
struct WorkerScratch {
    std::unique_ptr<std::uint8_t[]> block{new std::uint8_t[kReadBlock]};
    std::vector<std::uint8_t> raw; // keeps its capacity between files
    DeflateSink deflater;
};

WorkerScratch& Scratch() {
    thread_local WorkerScratch scratch;
    return scratch;
}

// Reads a file to its end, block by block, watching the 32-bit limit of an
// entry that was not opened as a large file.
class LimitedReader {
public:
    LimitedReader(FileSource& source, bool largeFile, const CompressSettings& settings)
        : source_(source), largeFile_(largeFile), limit_(settings.classicLimit), cancelled_(settings.cancelled),
          expected_(static_cast<std::uint64_t>(source.info().st_size)), block_(Scratch().block.get()) {}

    // The next block; empty at the end of the file.
    std::pair<const std::uint8_t*, std::size_t> Next() {
        if (atEnd_) {
            return {block_, 0};
        }
        if (cancelled_ != nullptr && cancelled_->load(std::memory_order_relaxed)) {
            throw ArchiveError(ArchiveFailure::ReadFailed, source_.path(), ECANCELED);
        }
        const std::size_t got = source_.Read(block_, kReadBlock);
        total_ += got;
        if (!largeFile_ && total_ >= limit_) {
            // Its headers have no room for this size: fail rather than wrap.
            throw ArchiveError(ArchiveFailure::TooLarge, source_.path(), 0, "the file grew past 4 GiB while read");
        }
        // A short read that completes the size seen at open is the end: no
        // need to ask again for the empty read that would confirm it.
        atEnd_ = got < kReadBlock && total_ == expected_;
        return {block_, got};
    }
    std::uint64_t total() const { return total_; }

private:
    FileSource& source_;
    bool largeFile_;
    std::uint64_t limit_;
    const std::atomic<bool>* cancelled_;
    std::uint64_t expected_;
    std::uint8_t* block_;
    std::uint64_t total_ = 0;
    bool atEnd_ = false;
};

// Copies the file again from its start into `data`, stored as is.
void StoreByRereading(FileSource& source, ZipEntry& entry, Spill& data, const CompressSettings& settings) {
    source.Rewind();
    data.Clear();
    LimitedReader reader(source, entry.largeFile, settings);
    Crc32 crc;
    for (;;) {
        const auto [bytes, size] = reader.Next();
        if (size == 0) {
            break;
        }
        crc.Update(bytes, size);
        data.Write(bytes, size);
    }
    entry.crc = crc.value();
    entry.uncompressedSize = reader.total();
}

// The bytes of a small file as read, so that storing it needs no second read.
class RawCopy {
public:
    RawCopy() : bytes_(Scratch().raw) { bytes_.clear(); }

    void Add(const std::uint8_t* data, std::size_t size) {
        if (kept_ && bytes_.size() + size <= kKeepRawLimit) {
            bytes_.insert(bytes_.end(), data, data + size);
        } else {
            kept_ = false;
        }
    }
    bool kept() const { return kept_; }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<std::uint8_t>& bytes_;
    bool kept_ = true;
};

// Reads the whole file through the CRC into the deflater.
template <class Deflater> void Pump(LimitedReader& reader, Crc32& crc, Deflater& deflater, RawCopy& raw) {
    for (;;) {
        const auto [bytes, size] = reader.Next();
        if (size == 0) {
            return;
        }
        crc.Update(bytes, size);
        deflater.Write(bytes, size);
        raw.Add(bytes, size);
    }
}

} // namespace

CompressedEntry CompressFile(const std::filesystem::path& file, std::string storedName, std::uint16_t flags,
                             const CompressSettings& settings) {
    FileSource source(file);
    const struct stat& info = source.info();
    CompressedEntry result{ZipEntry{}, Spill(settings.spillFolder, settings.spillMemory)};
    ZipEntry& entry = result.entry;
    entry.storedName = std::move(storedName);
    entry.flags = flags;
    entry.modified = ToDosDateTime(info.st_mtim);
    entry.externalAttributes = DosAttributeWord(info);
    entry.largeFile = static_cast<std::uint64_t>(info.st_size) >= settings.classicLimit;

    LimitedReader reader(source, entry.largeFile, settings);
    Crc32 crc;
    RawCopy raw;
    if (static_cast<std::uint64_t>(info.st_size) >= kChunkedThreshold) {
        ChunkedDeflater deflater(result.data, file, settings.deflateThreads);
        Pump(reader, crc, deflater, raw);
        deflater.Finish();
    } else {
        DeflateSink& deflater = Scratch().deflater;
        deflater.Start(result.data, file);
        Pump(reader, crc, deflater, raw);
        deflater.Finish();
    }
    entry.crc = crc.value();
    entry.uncompressedSize = reader.total();
    entry.method = kMethodDeflated;
    if (result.data.size() > entry.uncompressedSize) {
        // Deflating made it larger (always so for a 0-byte file): store it.
        entry.method = kMethodStored;
        if (raw.kept()) {
            result.data.Clear();
            result.data.Write(raw.bytes());
        } else {
            StoreByRereading(source, entry, result.data, settings);
        }
    }
    entry.compressedSize = result.data.size();
    return result;
}

} // namespace vantorel::archive::writer

#include "archive/writer/compress.h"

#include "archive/archive_error.h"
#include "archive/progress_meter.h"
#include "archive/writer/budget.h"
#include "archive/writer/chunked_deflate.h"
#include "archive/writer/reuse.h"
#include "archive/zip_format.h"
#include "platform/file_attributes.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <libdeflate.h>
#include <memory>

namespace vantorel::archive::writer {

namespace {

constexpr std::size_t kReadBlock = 1 << 18;
// Files this large (at open) are deflated in chunks on several threads; the
// choice depends on the size alone, so the bytes never depend on the threads.
// Smaller files are read whole and deflated in one call.
constexpr std::uint64_t kChunkedThreshold = 4 * ChunkedDeflater::kChunkSize;

struct CompressorDeleter {
    void operator()(libdeflate_compressor* compressor) const { libdeflate_free_compressor(compressor); }
};

// A buffer never zeroed (every byte read from it was written first), kept
// from one file to the next up to kKeptBuffer bytes; beyond that it is held
// only for one file, within that file's share of the memory budget.
class ByteBuffer {
public:
    std::uint8_t* Reserve(std::size_t size) {
        if (size > capacity_) {
            bytes_.reset(new std::uint8_t[size]);
            capacity_ = size;
        }
        return bytes_.get();
    }
    void Trim() {
        if (capacity_ > kKeptBuffer) {
            bytes_.reset();
            capacity_ = 0;
        }
    }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t capacity_ = 0;
};

// What a worker thread reuses from one file to the next: set up on its first
// file, freed when the thread ends (kWorkerMemory covers it).
struct WorkerScratch {
    ByteBuffer block;  // streaming reads of large or growing files
    ByteBuffer input;  // a whole small file
    ByteBuffer output; // its deflated bytes
    std::unique_ptr<libdeflate_compressor, CompressorDeleter> compressor;
    DeflateSink deflater;
};

WorkerScratch& Scratch() {
    thread_local WorkerScratch scratch;
    return scratch;
}

std::size_t BeyondKept(std::size_t size) {
    return size > kKeptBuffer ? size : 0;
}

void ThrowIfCancelled(const CompressSettings& settings, const std::filesystem::path& file) {
    if (settings.cancelled != nullptr && settings.cancelled->load(std::memory_order_relaxed)) {
        throw ArchiveError(ArchiveFailure::ReadFailed, file, ECANCELED);
    }
}

// Reads a file to its end, block by block, watching the 32-bit limit of an
// entry that was not opened as a large file.
class LimitedReader {
public:
    // `alreadyRead` bytes of the file were taken before this reader.
    LimitedReader(SourceFile& source, bool largeFile, const CompressSettings& settings, std::uint64_t alreadyRead = 0)
        : source_(source), largeFile_(largeFile), settings_(settings),
          expected_(static_cast<std::uint64_t>(source.info().st_size)), block_(Scratch().block.Reserve(kReadBlock)),
          total_(alreadyRead) {}

    // The next block; empty at the end of the file.
    std::pair<const std::uint8_t*, std::size_t> Next() {
        if (atEnd_) {
            return {block_, 0};
        }
        ThrowIfCancelled(settings_, source_.path());
        const std::size_t got = source_.Read(block_, kReadBlock);
        total_ += got;
        if (settings_.meter != nullptr) {
            settings_.meter->Add(got);
        }
        if (!largeFile_ && total_ >= settings_.classicLimit) {
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
    SourceFile& source_;
    bool largeFile_;
    const CompressSettings& settings_;
    std::uint64_t expected_;
    std::uint8_t* block_;
    std::uint64_t total_;
    bool atEnd_ = false;
};

// Copies the file again from its start into `data`, stored as is.
void StoreByRereading(SourceFile& source, ZipEntry& entry, Spill& data, const CompressSettings& settings) {
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

// Reads the rest of the file through the CRC into the deflater.
template <class Deflater> void Pump(LimitedReader& reader, Crc32& crc, Deflater& deflater) {
    for (;;) {
        const auto [bytes, size] = reader.Next();
        if (size == 0) {
            return;
        }
        crc.Update(bytes, size);
        deflater.Write(bytes, size);
    }
}

// Streams the file through `deflater` (its first `already` bytes are in
// `head`), then stores it instead when deflating made it larger.
template <class Deflater>
void DeflateStreaming(SourceFile& source, const std::uint8_t* head, std::size_t already, Deflater& deflater,
                      CompressedEntry& result, const CompressSettings& settings) {
    ZipEntry& entry = result.entry;
    Crc32 crc;
    crc.Update(head, already);
    deflater.Write(head, already);
    LimitedReader reader(source, entry.largeFile, settings, already);
    Pump(reader, crc, deflater);
    deflater.Finish();
    entry.crc = crc.value();
    entry.uncompressedSize = reader.total();
    entry.method = kMethodDeflated;
    if (result.data.size() > entry.uncompressedSize) {
        entry.method = kMethodStored;
        StoreByRereading(source, entry, result.data, settings);
    }
}

// Reads a file of fewer than kChunkedThreshold bytes (at open) whole and
// deflates it in one call. A file that turns out longer than it was at open
// is still growing: it goes on streaming through zlib from where the read is.
void DeflateWhole(SourceFile& source, CompressedEntry& result, const CompressSettings& settings) {
    WorkerScratch& scratch = Scratch();
    ZipEntry& entry = result.entry;
    const auto expected = static_cast<std::size_t>(source.info().st_size);
    if (!scratch.compressor) {
        scratch.compressor.reset(libdeflate_alloc_compressor(kDeflateLevel));
        if (!scratch.compressor) {
            throw ArchiveError(ArchiveFailure::CompressionFailed, source.path(), ENOMEM, "compressor");
        }
    }
    // One byte more than the size at open, so a single read tells the end.
    const std::size_t want = expected + 1;
    const std::size_t bound = libdeflate_deflate_compress_bound(scratch.compressor.get(), expected);
    const BudgetShare share(settings.budget, BeyondKept(want) + BeyondKept(bound));
    struct Trim {
        WorkerScratch& scratch;
        ~Trim() {
            scratch.input.Trim();
            scratch.output.Trim();
        }
    } trim{scratch};
    std::uint8_t* input = scratch.input.Reserve(want);
    std::size_t total = 0;
    for (;;) {
        ThrowIfCancelled(settings, source.path());
        const std::size_t got = source.Read(input + total, want - total);
        total += got;
        if (settings.meter != nullptr) {
            settings.meter->Add(got);
        }
        if (got == 0 || total == expected) {
            break;
        }
        if (total == want) {
            scratch.deflater.Start(result.data, source.path());
            DeflateStreaming(source, input, total, scratch.deflater, result, settings);
            return;
        }
    }
    entry.crc = libdeflate_crc32(0, input, total);
    entry.uncompressedSize = total;
    entry.method = kMethodStored;
    if (total > 0) {
        std::uint8_t* output = scratch.output.Reserve(bound);
        const std::size_t deflated = libdeflate_deflate_compress(scratch.compressor.get(), input, total, output, bound);
        // Equal sizes keep deflate; 0 would mean the bound was not enough.
        if (deflated != 0 && deflated <= total) {
            entry.method = kMethodDeflated;
            result.data.Write(output, deflated);
            return;
        }
    }
    // Deflating made it larger (always so for a 0-byte file): store it.
    result.data.Write(input, total);
}

} // namespace

CompressedEntry CompressFile(const std::filesystem::path& file, std::string storedName, std::uint16_t flags,
                             const CompressSettings& settings, const struct stat* listed, const OpenFolder& folder) {
    CompressedEntry result{ZipEntry{}, Spill(settings.spillFolder, settings.spillMemory)};
    ZipEntry& entry = result.entry;
    entry.storedName = std::move(storedName);
    entry.flags = flags;
    const auto describe = [&](const struct stat& info) {
        entry.modified = ToDosDateTime(info.st_mtim);
        entry.externalAttributes = DosAttributeWord(info);
        entry.largeFile = static_cast<std::uint64_t>(info.st_size) >= settings.classicLimit;
    };

    // An unchanged file needs only its status as listed: its data come from
    // the previous archive, so it is not even opened.
    if (settings.previous != nullptr && listed != nullptr) {
        describe(*listed);
        if (settings.previous->Reuse(*listed, result, settings.budget)) {
            entry.compressedSize = result.data.size();
            if (settings.meter != nullptr) {
                settings.meter->Add(entry.uncompressedSize); // done as surely as a file read
            }
            return result;
        }
    }
    SourceFile source(file, folder ? folder() : AT_FDCWD);
    const struct stat& info = source.info();
    describe(info);
    if (static_cast<std::uint64_t>(info.st_size) >= kChunkedThreshold) {
        ChunkedDeflater deflater(result.data, file, settings.deflateThreads, settings.budget);
        DeflateStreaming(source, nullptr, 0, deflater, result, settings);
    } else {
        DeflateWhole(source, result, settings);
    }
    entry.compressedSize = result.data.size();
    return result;
}

} // namespace vantorel::archive::writer

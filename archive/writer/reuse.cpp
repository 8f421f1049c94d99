#include "archive/writer/reuse.h"

#include "archive/archive_error.h"
#include "archive/reader/byte_reader.h"
#include "archive/writer/budget.h"
#include "archive/writer/compress.h"
#include "archive/zip_format.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <libdeflate.h>
#include <sys/xattr.h>
#include <vector>
#include <zlib.h>

namespace vantorel::archive::writer {

namespace {

constexpr char kAttributeName[] = "user.vantorel.run";
constexpr std::string_view kStampTag = "vantorel-run 1";
// Entries up to this size are decoded whole in memory; larger ones stream.
constexpr std::uint64_t kWholeLimit = 4 << 20;
constexpr std::size_t kBlock = 1 << 18;
// Room read beyond a local header's name for its extra field: a ZIP64 field
// and the Unicode path field of a name of a few hundred characters.
constexpr std::uint64_t kHeaderRoom = 1024;

struct DecompressorDeleter {
    void operator()(libdeflate_decompressor* d) const { libdeflate_free_decompressor(d); }
};

// What a worker thread reuses from one copied entry to the next.
struct CopyScratch {
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
    std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> decompressor;
};

CopyScratch& Scratch() {
    thread_local CopyScratch scratch;
    return scratch;
}

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

// Reads the next space-ended decimal number of `text`.
template <class Number> bool TakeNumber(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() + text.size() || *end != ' ') {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

std::uint32_t DirectoryCrc(const reader::ArchiveSource& source, const reader::CentralDirectory& directory, bool& ok) {
    std::vector<std::uint8_t> block(kBlock);
    std::uint32_t crc = 0;
    for (std::uint64_t at = directory.start; at < directory.end;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(block.size(), directory.end - at));
        if (!source.readAt(at, std::span(block.data(), want))) {
            ok = false;
            return 0;
        }
        crc = libdeflate_crc32(crc, block.data(), want);
        at += want;
    }
    ok = true;
    return crc;
}

// Inflates `size` compressed bytes from `at` while copying them to `out`;
// true when they decode to exactly the declared size and CRC.
bool InflateWhileCopying(const reader::ArchiveSource& source, std::uint64_t at, std::uint64_t size,
                         const reader::CentralEntry& previous, ByteSink& out) {
    z_stream stream{};
    if (inflateInit2(&stream, kDeflateWindowBits) != Z_OK) {
        return false;
    }
    struct End {
        z_stream& s;
        ~End() { static_cast<void>(inflateEnd(&s)); }
    } end{stream};
    std::vector<std::uint8_t> in(kBlock);
    std::vector<std::uint8_t> decoded(kBlock);
    std::uint64_t produced = 0;
    std::uint32_t crc = 0;
    int result = Z_OK;
    while (size > 0 && result != Z_STREAM_END) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), size));
        if (!source.readAt(at, std::span(in.data(), want))) {
            return false;
        }
        out.Write(in.data(), want);
        at += want;
        size -= want;
        stream.next_in = in.data();
        stream.avail_in = static_cast<uInt>(want);
        do {
            stream.next_out = decoded.data();
            stream.avail_out = static_cast<uInt>(decoded.size());
            result = inflate(&stream, Z_NO_FLUSH);
            if (result != Z_OK && result != Z_STREAM_END) {
                return false;
            }
            const std::size_t got = decoded.size() - stream.avail_out;
            produced += got;
            if (produced > previous.uncompressedSize) {
                return false;
            }
            crc = libdeflate_crc32(crc, decoded.data(), got);
        } while (result != Z_STREAM_END && (stream.avail_in > 0 || stream.avail_out == 0));
    }
    // The stream must end exactly where the entry's data end.
    return result == Z_STREAM_END && size == 0 && stream.avail_in == 0 && produced == previous.uncompressedSize &&
           crc == previous.crc32;
}

} // namespace

std::string FormatRunStamp(const RunStamp& stamp) {
    std::string text(kStampTag);
    for (const std::uint64_t value :
         {static_cast<std::uint64_t>(stamp.start.tv_sec), static_cast<std::uint64_t>(stamp.start.tv_nsec),
          stamp.sourceDevice, stamp.sourceInode, stamp.archiveSize,
          static_cast<std::uint64_t>(stamp.centralDirectoryCrc)}) {
        text += ' ' + std::to_string(value);
    }
    text += ' ';
    text += stamp.sourceFolder; // last: it may hold any byte
    return text;
}

std::optional<RunStamp> ParseRunStamp(std::string_view text) {
    if (!text.starts_with(kStampTag) || text.size() == kStampTag.size() || text[kStampTag.size()] != ' ') {
        return std::nullopt;
    }
    text.remove_prefix(kStampTag.size() + 1);
    RunStamp stamp;
    std::int64_t seconds = 0;
    long nanoseconds = 0;
    if (!TakeNumber(text, seconds) || !TakeNumber(text, nanoseconds) || !TakeNumber(text, stamp.sourceDevice) ||
        !TakeNumber(text, stamp.sourceInode) || !TakeNumber(text, stamp.archiveSize) ||
        !TakeNumber(text, stamp.centralDirectoryCrc) || text.empty() || nanoseconds < 0 || nanoseconds >= 1000000000) {
        return std::nullopt;
    }
    stamp.start.tv_sec = static_cast<std::time_t>(seconds);
    stamp.start.tv_nsec = nanoseconds;
    stamp.sourceFolder = std::string(text);
    return stamp;
}

bool WriteRunStamp(int fd, const RunStamp& stamp) {
    const std::string text = FormatRunStamp(stamp);
    return fsetxattr(fd, kAttributeName, text.data(), text.size(), 0) == 0;
}

PreviousArchive::PreviousArchive(std::filesystem::path path, std::timespec settled)
    : path_(std::move(path)), settled_(settled) {}

std::unique_ptr<PreviousArchive> PreviousArchive::Open(const std::filesystem::path& path, const RunStamp& current,
                                                       std::chrono::milliseconds writebackDelay) {
    std::array<char, 8192> value{};
    const ssize_t length = getxattr(path.c_str(), kAttributeName, value.data(), value.size());
    if (length <= 0) {
        return nullptr; // no stamp: copied, or a file system without user attributes
    }
    const std::optional<RunStamp> stamp =
        ParseRunStamp(std::string_view(value.data(), static_cast<std::size_t>(length)));
    if (!stamp || stamp->sourceFolder != current.sourceFolder || stamp->sourceDevice != current.sourceDevice ||
        stamp->sourceInode != current.sourceInode || !Earlier(stamp->start, current.start)) {
        return nullptr; // another source folder's archive, or a stamp from the future
    }
    std::unique_ptr<PreviousArchive> previous(new PreviousArchive(path, Before(stamp->start, writebackDelay)));
    try {
        previous->file_ = std::make_unique<reader::FileSource>(path);
        if (previous->file_->size() != stamp->archiveSize) {
            return nullptr;
        }
        previous->directory_ = reader::ReadCentralDirectory(*previous->file_, path);
    } catch (const ArchiveError&) {
        return nullptr; // unreadable or damaged: everything is compressed
    }
    bool read = false;
    if (DirectoryCrc(*previous->file_, previous->directory_, read) != stamp->centralDirectoryCrc || !read) {
        return nullptr; // other bytes than the stamped run wrote
    }
    previous->layout_ = std::make_unique<reader::EntryLayout>(previous->directory_);
    const std::vector<reader::CentralEntry>& entries = previous->directory_.entries;
    previous->byName_.reserve(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        previous->byName_.emplace(entries[i].rawName, i); // of duplicates, the first
    }
    return previous;
}

bool PreviousArchive::Reuse(const struct stat& info, CompressedEntry& result, MemoryBudget* budget) {
    if (off_.load(std::memory_order_relaxed)) {
        return false;
    }
    ZipEntry& entry = result.entry;
    const auto found = byName_.find(entry.storedName);
    if (found == byName_.end()) {
        return false;
    }
    const reader::CentralEntry& previous = directory_.entries[found->second];
    const bool unchanged = previous.flags == entry.flags &&
                           previous.uncompressedSize == static_cast<std::uint64_t>(info.st_size) &&
                           previous.dosTime == entry.modified.time && previous.dosDate == entry.modified.date &&
                           Earlier(info.st_ctim, settled_) && Earlier(info.st_mtim, settled_);
    if (!unchanged || (previous.method != kMethodStored && previous.method != kMethodDeflated)) {
        return false;
    }
    if (!CopyVerified(found->second, result, budget)) {
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

bool PreviousArchive::CopyVerified(std::size_t index, CompressedEntry& result, MemoryBudget* budget) const {
    const reader::CentralEntry& previous = directory_.entries[index];
    const std::uint64_t size = previous.compressedSize;
    const bool whole =
        previous.method == kMethodDeflated && previous.uncompressedSize <= kWholeLimit && size <= kWholeLimit;
    CopyScratch& scratch = Scratch();
    const BudgetShare share(budget, whole ? BeyondKept(size + kHeaderRoom) + BeyondKept(previous.uncompressedSize) : 0);
    struct Trim {
        CopyScratch& scratch;
        ~Trim() {
            for (std::vector<std::uint8_t>* buffer : {&scratch.input, &scratch.output}) {
                if (buffer->capacity() > kKeptBuffer) {
                    std::vector<std::uint8_t>().swap(*buffer);
                }
            }
        }
    } trim{scratch};
    // An entry decoded whole is read in one go with its local header: the
    // header's extra field is not in the central directory, so room is left
    // for the extra fields this program writes, and a longer one costs a
    // second read.
    std::vector<std::uint8_t>& head = scratch.input;
    const std::uint64_t fixedAndName = kLocalHeaderLength + previous.rawName.size();
    const std::uint64_t room = fixedAndName + (whole ? kHeaderRoom + size : 0);
    const std::uint64_t left = file_->size() - std::min(file_->size(), previous.localHeaderOffset);
    head.resize(static_cast<std::size_t>(std::min(room, left)));
    if (head.size() < fixedAndName || !file_->readAt(previous.localHeaderOffset, head)) {
        return false;
    }
    // The local header must be there and agree with the central one.
    reader::ByteReader r(std::span<const std::uint8_t>(head.data(), kLocalHeaderLength));
    const std::uint32_t signature = r.u32();
    r.skip(2);
    const std::uint16_t flags = r.u16();
    const std::uint16_t method = r.u16();
    r.skip(4);
    const std::uint32_t crc = r.u32();
    r.skip(8);
    const std::uint16_t nameLength = r.u16();
    const std::uint16_t extraLength = r.u16();
    if (!r.ok() || signature != kLocalHeaderSignature || flags != previous.flags || method != previous.method ||
        crc != previous.crc32 || nameLength != previous.rawName.size() ||
        reader::AsText(std::span<const std::uint8_t>(head.data() + kLocalHeaderLength, nameLength)) !=
            previous.rawName) {
        return false;
    }
    const std::uint64_t dataStart = kLocalHeaderLength + nameLength + extraLength;
    const std::uint64_t dataOffset = previous.localHeaderOffset + dataStart;
    if (dataOffset > directory_.start || size > directory_.start - dataOffset ||
        !layout_->ownsItsBytes(index, dataOffset + size)) {
        return false;
    }
    if (previous.method == kMethodStored) {
        if (size != previous.uncompressedSize) {
            return false;
        }
        std::vector<std::uint8_t>& block = scratch.input;
        block.resize(kBlock);
        std::uint32_t sum = 0;
        for (std::uint64_t at = 0; at < size;) {
            const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(kBlock, size - at));
            if (!file_->readAt(dataOffset + at, std::span(block.data(), want))) {
                return false;
            }
            sum = libdeflate_crc32(sum, block.data(), want);
            result.data.Write(block.data(), want);
            at += want;
        }
        return sum == previous.crc32;
    }
    if (!whole) {
        return InflateWhileCopying(*file_, dataOffset, size, previous, result.data);
    }
    const std::uint8_t* data = head.data() + dataStart;
    if (dataStart + size > head.size()) {
        scratch.output.resize(static_cast<std::size_t>(size)); // a longer extra field than foreseen
        if (!file_->readAt(dataOffset, scratch.output)) {
            return false;
        }
        head.swap(scratch.output);
        data = head.data();
    }
    if (!scratch.decompressor) {
        scratch.decompressor.reset(libdeflate_alloc_decompressor());
        if (!scratch.decompressor) {
            return false;
        }
    }
    scratch.output.resize(static_cast<std::size_t>(previous.uncompressedSize));
    std::size_t consumed = 0;
    // Without an "actual out" pointer, success means exactly the declared size.
    if (libdeflate_deflate_decompress_ex(scratch.decompressor.get(), data, static_cast<std::size_t>(size),
                                         scratch.output.data(), scratch.output.size(), &consumed,
                                         nullptr) != LIBDEFLATE_SUCCESS ||
        consumed != size || libdeflate_crc32(0, scratch.output.data(), scratch.output.size()) != previous.crc32) {
        return false;
    }
    result.data.Write(data, static_cast<std::size_t>(size));
    return true;
}

} // namespace vantorel::archive::writer

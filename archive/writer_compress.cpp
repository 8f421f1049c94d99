#include "archive/writer_compress.h"

#include "archive/archive_error.h"
#include "archive/zip_format.h"
#include "platform/file_attributes.h"

#include <vector>

namespace vantorel::writer {

namespace {

constexpr std::size_t kReadBlock = 1 << 18;
// A file this small is kept as read while it is deflated, so storing it
// needs no second read.
constexpr std::size_t kKeepRawLimit = 1 << 20;

// Reads a file to its end, block by block, watching the 32-bit limit of an
// entry that was not opened as a large file.
class LimitedReader {
public:
    LimitedReader(FileSource& source, bool largeFile) : source_(source), largeFile_(largeFile), block_(kReadBlock) {}

    // The next block; empty at the end of the file.
    std::pair<const std::uint8_t*, std::size_t> Next() {
        const std::size_t got = source_.Read(block_.data(), block_.size());
        total_ += got;
        if (!largeFile_ && total_ >= zip::kMax32) {
            // Its headers have no room for this size: fail rather than wrap.
            throw ArchiveError(ArchiveFailure::TooLarge, source_.path(), 0, "the file grew past 4 GiB while read");
        }
        return {block_.data(), got};
    }
    std::uint64_t total() const { return total_; }

private:
    FileSource& source_;
    bool largeFile_;
    std::vector<std::uint8_t> block_;
    std::uint64_t total_ = 0;
};

// Copies the file again from its start into `data`, stored as is.
void StoreByRereading(FileSource& source, ZipEntry& entry, Spill& data) {
    source.Rewind();
    data.Clear();
    LimitedReader reader(source, entry.largeFile);
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
    entry.largeFile = static_cast<std::uint64_t>(info.st_size) >= zip::kMax32;

    LimitedReader reader(source, entry.largeFile);
    Crc32 crc;
    std::vector<std::uint8_t> raw;
    bool rawKept = true;
    {
        DeflateSink deflater(result.data, file);
        for (;;) {
            const auto [bytes, size] = reader.Next();
            if (size == 0) {
                break;
            }
            crc.Update(bytes, size);
            deflater.Write(bytes, size);
            if (rawKept && raw.size() + size <= kKeepRawLimit) {
                raw.insert(raw.end(), bytes, bytes + size);
            } else if (rawKept) {
                rawKept = false;
                raw = {};
            }
        }
        deflater.Finish();
    }
    entry.crc = crc.value();
    entry.uncompressedSize = reader.total();
    entry.method = zip::kMethodDeflated;
    if (result.data.size() > entry.uncompressedSize) {
        // Deflating made it larger (always so for a 0-byte file): store it.
        entry.method = zip::kMethodStored;
        if (rawKept) {
            result.data.Clear();
            result.data.Write(raw.data(), raw.size());
        } else {
            StoreByRereading(source, entry, result.data);
        }
    }
    entry.compressedSize = result.data.size();
    return result;
}

} // namespace vantorel::writer

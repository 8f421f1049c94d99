#include "tests/support/zip_layout.h"

#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <zlib.h>

namespace vantorel::test {

namespace {

class ArchiveFile {
public:
    explicit ArchiveFile(const std::filesystem::path& path) : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ArchiveFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    ArchiveFile(const ArchiveFile&) = delete;
    ArchiveFile& operator=(const ArchiveFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    std::uint64_t size() const { return static_cast<std::uint64_t>(lseek(fd_, 0, SEEK_END)); }
    // Exactly `length` bytes at `offset`, or an empty optional.
    std::optional<std::string> Read(std::uint64_t offset, std::size_t length) const {
        std::string bytes(length, '\0');
        std::size_t done = 0;
        while (done < length) {
            const ssize_t got = pread(fd_, bytes.data() + done, length - done, static_cast<off_t>(offset + done));
            if (got <= 0) {
                return std::nullopt;
            }
            done += static_cast<std::size_t>(got);
        }
        return bytes;
    }

private:
    int fd_;
};

// Little-endian fields read in order from a record's bytes.
class Fields {
public:
    // A copy: callers pass pieces cut out of longer records.
    explicit Fields(std::string bytes) : bytes_(std::move(bytes)) {}
    std::uint64_t Get(int width) {
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            value |= std::uint64_t{static_cast<unsigned char>(bytes_.at(at_ + i))} << (8 * i);
        }
        at_ += static_cast<std::size_t>(width);
        return value;
    }
    std::uint16_t u16() { return static_cast<std::uint16_t>(Get(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(Get(4)); }
    std::uint64_t u64() { return Get(8); }

private:
    std::string bytes_;
    std::size_t at_ = 0;
};

// Applies a ZIP64 extra field: each value whose 32-bit field is 0xFFFFFFFF
// comes from it, in the fixed order of APPNOTE 4.5.3.
void ApplyZip64(CentralHeaderFields& h) {
    h.size = h.uncompressedSize;
    h.compressed = h.compressedSize;
    h.offset = h.localHeaderOffset;
    std::size_t at = 0;
    while (at + 4 <= h.extra.size()) {
        Fields head(h.extra.substr(at, 4));
        const std::uint16_t id = head.u16();
        const std::uint16_t length = head.u16();
        const std::string data = h.extra.substr(at + 4, length);
        if (id == 0x0001) {
            Fields values(data);
            if (h.uncompressedSize == 0xFFFFFFFF) {
                h.size = values.u64();
            }
            if (h.compressedSize == 0xFFFFFFFF) {
                h.compressed = values.u64();
            }
            if (h.localHeaderOffset == 0xFFFFFFFF) {
                h.offset = values.u64();
            }
        }
        at += 4 + length;
    }
}

bool ReadLocal(const ArchiveFile& file, CentralHeaderFields& h, std::string& error) {
    const auto fixed = file.Read(h.offset, 30);
    if (!fixed) {
        error = "local header beyond the end: " + h.name;
        return false;
    }
    Fields f(*fixed);
    LocalHeaderFields& l = h.local;
    l.signature = f.u32();
    l.versionNeeded = f.u16();
    l.flags = f.u16();
    l.method = f.u16();
    l.time = f.u16();
    l.date = f.u16();
    l.crc = f.u32();
    l.compressedSize = f.u32();
    l.uncompressedSize = f.u32();
    const std::uint16_t nameLength = f.u16();
    const std::uint16_t extraLength = f.u16();
    const auto name = file.Read(h.offset + 30, nameLength);
    const auto extra = file.Read(h.offset + 30 + nameLength, extraLength);
    if (l.signature != 0x04034B50 || !name || !extra) {
        error = "bad local header: " + h.name;
        return false;
    }
    l.name = *name;
    l.extra = *extra;
    l.dataOffset = h.offset + 30 + nameLength + extraLength;
    return true;
}

void ReadEnd(const ArchiveFile& file, ZipLayout& layout) {
    const auto end = file.Read(layout.fileSize - 22, 22);
    Fields f(*end);
    if (f.u32() != 0x06054B50) {
        layout.error = "no end record in the last 22 bytes";
        return;
    }
    layout.disk = f.u16();
    layout.directoryDisk = f.u16();
    layout.entriesOnDisk = f.u16();
    layout.entries = f.u16();
    layout.directorySize = f.u32();
    layout.directoryOffset = f.u32();
    layout.commentLength = f.u16();
    if (layout.fileSize < 42) {
        return;
    }
    const auto locator = file.Read(layout.fileSize - 42, 20);
    Fields l(*locator);
    if (l.u32() != 0x07064B50) {
        return;
    }
    l.u32();
    Zip64End z;
    z.recordOffset = l.u64();
    const auto record = file.Read(z.recordOffset, 56);
    if (!record) {
        layout.error = "ZIP64 end record beyond the end";
        return;
    }
    Fields r(*record);
    if (r.u32() != 0x06064B50) {
        layout.error = "bad ZIP64 end record signature";
        return;
    }
    z.recordSize = r.u64();
    z.versionMadeBy = r.u16();
    z.versionNeeded = r.u16();
    z.disk = r.u32();
    z.directoryDisk = r.u32();
    z.entriesOnDisk = r.u64();
    z.entries = r.u64();
    z.directorySize = r.u64();
    z.directoryOffset = r.u64();
    layout.zip64 = z;
}

} // namespace

ZipLayout ReadZipLayout(const std::filesystem::path& archive) {
    ZipLayout layout;
    ArchiveFile file(archive);
    if (!file.ok()) {
        layout.error = "cannot open the archive";
        return layout;
    }
    layout.fileSize = file.size();
    if (layout.fileSize < 22) {
        layout.error = "shorter than an end record";
        return layout;
    }
    ReadEnd(file, layout);
    if (!layout.error.empty()) {
        return layout;
    }
    const std::uint64_t count = layout.zip64 ? layout.zip64->entries : layout.entries;
    std::uint64_t at = layout.zip64 ? layout.zip64->directoryOffset : layout.directoryOffset;
    for (std::uint64_t i = 0; i < count; ++i) {
        const auto fixed = file.Read(at, 46);
        if (!fixed) {
            layout.error = "central directory cut short";
            return layout;
        }
        Fields f(*fixed);
        CentralHeaderFields h;
        if (f.u32() != 0x02014B50) {
            layout.error = "bad central header signature at entry " + std::to_string(i);
            return layout;
        }
        h.versionMadeBy = f.u16();
        h.versionNeeded = f.u16();
        h.flags = f.u16();
        h.method = f.u16();
        h.time = f.u16();
        h.date = f.u16();
        h.crc = f.u32();
        h.compressedSize = f.u32();
        h.uncompressedSize = f.u32();
        const std::uint16_t nameLength = f.u16();
        const std::uint16_t extraLength = f.u16();
        const std::uint16_t commentLength = f.u16();
        h.diskStart = f.u16();
        h.internalAttributes = f.u16();
        h.externalAttributes = f.u32();
        h.localHeaderOffset = f.u32();
        h.name = file.Read(at + 46, nameLength).value_or("");
        h.extra = file.Read(at + 46 + nameLength, extraLength).value_or("");
        h.comment = file.Read(at + 46 + nameLength + extraLength, commentLength).value_or("");
        ApplyZip64(h);
        if (!ReadLocal(file, h, layout.error)) {
            return layout;
        }
        at += 46 + nameLength + extraLength + commentLength;
        layout.headers.push_back(std::move(h));
    }
    return layout;
}

std::optional<std::string> ReadEntryData(const std::filesystem::path& archive, const CentralHeaderFields& entry) {
    ArchiveFile file(archive);
    const auto packed = file.Read(entry.local.dataOffset, entry.compressed);
    if (!packed) {
        return std::nullopt;
    }
    std::string data;
    if (entry.method == 0) {
        data = *packed;
    } else if (entry.method == 8) {
        z_stream z{};
        if (inflateInit2(&z, -15) != Z_OK) {
            return std::nullopt;
        }
        data.resize(entry.size);
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed->data()));
        z.avail_in = static_cast<uInt>(packed->size());
        z.next_out = reinterpret_cast<Bytef*>(data.data());
        z.avail_out = static_cast<uInt>(data.size());
        const int result = inflate(&z, Z_FINISH);
        const bool whole = result == Z_STREAM_END && z.avail_in == 0 && z.avail_out == 0;
        inflateEnd(&z);
        if (!whole) {
            return std::nullopt;
        }
    } else {
        return std::nullopt;
    }
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
    if (crc != entry.crc || data.size() != entry.size) {
        return std::nullopt;
    }
    return data;
}

std::string RawDeflate(const std::string& data) {
    z_stream z{};
    deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return out;
}

} // namespace vantorel::test

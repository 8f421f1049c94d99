#include "tests/core/archive/zip_builder.h"

#include "tests/support/temp_dir.h"

#include <fstream>
#include <stdexcept>
#include <zlib.h>

namespace vantorel::test {

namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

struct Encoded {
    std::string data;
    std::uint16_t method = 0;
    std::uint32_t crc = 0;
};

Encoded Encode(const ZipEntryPlan& entry) {
    Encoded encoded;
    encoded.crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()), static_cast<uInt>(entry.content.size())));
    encoded.method = entry.deflate ? 8 : 0;
    encoded.data = entry.deflate ? Deflate(entry.content) : entry.content;
    if (entry.data) {
        encoded.data = *entry.data;
    }
    if (entry.method) {
        encoded.method = *entry.method;
    }
    if (entry.crc32) {
        encoded.crc = *entry.crc32;
    }
    return encoded;
}

std::string Zip64Extra(std::uint64_t uncompressed, std::uint64_t compressed, std::optional<std::uint64_t> offset) {
    std::string extra;
    Put(extra, 0x0001, 2);
    Put(extra, offset ? 24 : 16, 2);
    Put(extra, uncompressed, 8);
    Put(extra, compressed, 8);
    if (offset) {
        Put(extra, *offset, 8);
    }
    return extra;
}

} // namespace

std::string Deflate(const std::string& content) {
    z_stream stream{};
    if (deflateInit2(&stream, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2");
    }
    std::string out(deflateBound(&stream, content.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        throw std::runtime_error("deflate");
    }
    return out;
}

std::string BuildZip(const ZipPlan& plan) {
    std::string out = plan.prefix;
    std::string central;
    for (const ZipEntryPlan& entry : plan.entries) {
        const Encoded encoded = Encode(entry);
        const std::uint64_t offset = entry.localHeaderOffset.value_or(out.size() - plan.prefix.size());
        const std::uint64_t compressed = entry.compressedSize.value_or(encoded.data.size());
        const std::uint64_t uncompressed = entry.uncompressedSize.value_or(entry.content.size());
        const std::uint16_t needed = entry.versionNeeded.value_or(encoded.method == 8 ? 20 : 10);
        const std::uint64_t max32 = 0xFFFFFFFF;
        const std::string localExtra =
            (entry.zip64Extra ? Zip64Extra(uncompressed, compressed, std::nullopt) : "") + entry.extra;
        const std::string centralExtra =
            (entry.zip64Extra ? Zip64Extra(uncompressed, compressed, offset) : "") + entry.extra;

        // The fields both headers share, from the version needed to the
        // extra field's length.
        const auto putShared = [&](std::string& to, std::size_t extraLength) {
            Put(to, needed, 2);
            Put(to, entry.flags, 2);
            Put(to, encoded.method, 2);
            Put(to, entry.dosTime, 2);
            Put(to, entry.dosDate, 2);
            Put(to, encoded.crc, 4);
            Put(to, entry.zip64Extra ? max32 : compressed, 4);
            Put(to, entry.zip64Extra ? max32 : uncompressed, 4);
            Put(to, entry.name.size(), 2);
            Put(to, extraLength, 2);
        };
        Put(out, entry.localSignature, 4);
        putShared(out, localExtra.size());
        out += entry.name + localExtra + encoded.data + plan.between;

        Put(central, 0x02014B50, 4);
        Put(central, entry.versionMadeBy, 2);
        putShared(central, centralExtra.size());
        Put(central, 0, 2); // comment length
        Put(central, 0, 2); // disk number start
        Put(central, 0, 2); // internal attributes
        Put(central, entry.externalAttributes, 4);
        Put(central, entry.zip64Extra ? max32 : offset, 4);
        central += entry.name + centralExtra;
    }
    const std::uint64_t centralOffset = out.size() - plan.prefix.size();
    out += central;
    const std::uint64_t count = plan.entries.size();
    if (plan.zip64End) {
        const std::uint64_t recordOffset = out.size() - plan.prefix.size();
        Put(out, 0x06064B50, 4);
        Put(out, 44, 8);
        Put(out, 45, 2);
        Put(out, 45, 2);
        Put(out, 0, 4);
        Put(out, 0, 4);
        Put(out, count, 8);
        Put(out, count, 8);
        Put(out, central.size(), 8);
        Put(out, centralOffset, 8);
        Put(out, 0x07064B50, 4);
        Put(out, 0, 4);
        Put(out, recordOffset, 8);
        Put(out, 1, 4);
    }
    Put(out, 0x06054B50, 4);
    Put(out, 0, 2);
    Put(out, 0, 2);
    Put(out, plan.zip64End ? 0xFFFF : count, 2);
    Put(out, plan.zip64End ? 0xFFFF : count, 2);
    Put(out, plan.zip64End ? 0xFFFFFFFF : central.size(), 4);
    Put(out, plan.zip64End ? 0xFFFFFFFF : centralOffset, 4);
    Put(out, plan.comment.size(), 2);
    out += plan.comment + plan.trailing;
    return out;
}

void WriteBytes(const std::filesystem::path& file, const std::string& bytes) {
    std::ofstream stream(file, std::ios::binary | std::ios::trunc);
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!stream) {
        throw std::runtime_error("cannot write " + file.string());
    }
}

TreeListing ListTree(const std::filesystem::path& folder) {
    TreeListing listing;
    for (auto it = std::filesystem::recursive_directory_iterator(folder);
         it != std::filesystem::recursive_directory_iterator(); ++it) {
        const std::string relative = std::filesystem::relative(it->path(), folder).string();
        if (it->is_symlink()) {
            listing.others.push_back(relative);
        } else if (it->is_directory()) {
            listing.folders.push_back(relative);
        } else if (it->is_regular_file()) {
            listing.files[relative] = ReadFile(it->path());
        } else {
            listing.others.push_back(relative);
        }
    }
    return listing;
}

} // namespace vantorel::test

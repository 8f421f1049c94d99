#include "archive/reader/local_header.h"

#include "archive/reader/byte_reader.h"
#include "archive/zip_format.h"

#include <array>
#include <vector>

namespace vantorel::archive::reader {

std::optional<LocalHeader> ReadLocalHeader(const ArchiveSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, kLocalHeaderLength> fixed{};
    if (offset > source.size() || !source.ReadAt(offset, fixed)) {
        return std::nullopt;
    }
    ByteReader r(fixed);
    const std::uint32_t signature = r.u32();
    r.Skip(2); // version needed: the central directory's value is the one checked
    LocalHeader header;
    header.flags = r.u16();
    header.method = r.u16();
    r.Skip(4); // time and date: the central directory's are used
    header.crc32 = r.u32();
    r.Skip(8); // sizes: the central directory's are used
    const std::uint16_t nameLength = r.u16();
    const std::uint16_t extraLength = r.u16();
    if (!r.ok() || signature != kLocalHeaderSignature) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> nameAndExtra(std::size_t{nameLength} + extraLength);
    if (!source.ReadAt(offset + kLocalHeaderLength, nameAndExtra)) {
        return std::nullopt;
    }
    const std::span<const std::uint8_t> bytes(nameAndExtra);
    Zip64Values unused;
    const ExtraField field = ReadZip64Extra(bytes.subspan(nameLength), unused);
    if (field == ExtraField::Damaged) {
        return std::nullopt; // a header that contradicts its own lengths is not trusted
    }
    header.rawName.assign(AsText(bytes.first(nameLength)));
    header.hasZip64Extra = field == ExtraField::Zip64;
    header.dataOffset = offset + kLocalHeaderLength + nameLength + extraLength;
    return header;
}

bool RepeatsCentral(const LocalHeader& local, const CentralEntry& entry) {
    return local.flags == entry.flags && local.method == entry.method && local.crc32 == entry.crc32 &&
           local.rawName == entry.rawName;
}

} // namespace vantorel::archive::reader

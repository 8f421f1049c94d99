#include "archive/reader/extractor.h"

#include "archive/reader/entry_checks.h"
#include "archive/zip_format.h"

#include <ctime>
#include <variant>

namespace vantorel::archive::reader {

void Extractor::Extract(std::size_t index) {
    const CentralEntry& entry = directory_.entries[index];
    const std::string name = EntryName(entry);
    if (const std::optional<SkipReason> reason = Write(index, entry, name)) {
        outcome_.skipped.push_back({index, {name, *reason}});
    }
}

std::optional<SkipReason> Extractor::Write(std::size_t index, const CentralEntry& entry, const std::string& name) {
    if (std::optional<SkipReason> reason = NotAFile(entry)) {
        return reason;
    }
    std::variant<RelativePath, SkipReason> path = SanitiseStoredName(name, MadeOnUnix(entry));
    if (const SkipReason* reason = std::get_if<SkipReason>(&path)) {
        return *reason;
    }
    if (std::optional<SkipReason> reason = CheckVersion(entry, nullptr, directory_.zip64)) {
        return reason;
    }
    window_.LoadEntry(entry);
    const std::variant<EntryData, SkipReason> data = FindEntryData(window_, directory_, layout_, index);
    if (const SkipReason* reason = std::get_if<SkipReason>(&data)) {
        return *reason;
    }
    return WriteFile(index, entry, std::get<RelativePath>(path), std::get<EntryData>(data), name);
}

std::optional<SkipReason> Extractor::WriteFile(std::size_t index, const CentralEntry& entry, const RelativePath& path,
                                               const EntryData& data, const std::string& name) {
    SkipReason reason{};
    const int folder = target_.OpenFolder(path.folders, reason);
    if (folder < 0) {
        return reason;
    }
    PendingFile file;
    if (std::optional<SkipReason> refused = file.Open(folder, path.file)) {
        return refused;
    }
    const DecodeResult decoded = decoder_.Decode(window_, data, file.fd());
    if (decoded.status != DecodeResult::Status::Ok) {
        return decoded.status == DecodeResult::Status::BadData ? SkipReason::BadData : SkipReason::WriteFailed;
    }
    const bool damaged = decoded.crc32 != entry.crc32;
    if (damaged && file.replacing()) {
        return SkipReason::BadCrc; // never bad data over a file that may be good
    }
    const std::time_t mtime = times_.ToMoment({entry.dosTime, entry.dosDate});
    if (std::optional<SkipReason> failed = file.Commit(mtime, (entry.externalAttributes & kAttrReadOnly) != 0)) {
        return failed;
    }
    ++outcome_.extracted;
    if (damaged) {
        ++outcome_.crcMismatches; // kept as decoded: the bytes may still be mostly right
        outcome_.damaged.push_back({index, name});
    }
    return std::nullopt;
}

} // namespace vantorel::archive::reader

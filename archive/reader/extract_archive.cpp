#include "archive/reader/extract_archive.h"

#include "archive/archive_error.h"
#include "archive/progress_meter.h"
#include "archive/reader/archive_source.h"
#include "archive/reader/byte_reader.h"
#include "archive/reader/entry_data.h"
#include "archive/reader/entry_layout.h"
#include "archive/reader/relative_path.h"
#include "archive/reader/target_folder.h"
#include "archive/reader/zip_reader.h"
#include "archive/stored_name.h"
#include "archive/zip_format.h"
#include "platform/dos_time.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <iterator>
#include <limits>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <variant>
#include <vector>

namespace vantorel {

namespace {

using namespace archive;
using namespace archive::reader;

// Hosts whose external attributes carry a Unix mode in their high 16 bits
// (APPNOTE 4.4.2): Unix, and OS X.
constexpr std::uint16_t kHostOsX = 19;
// General-purpose bits that need more than this program reads: patched data
// (5), strong encryption (6), an encrypted central directory (13).
constexpr std::uint16_t kFlagsNotRead = (1u << 5) | (1u << 6) | (1u << 13);

struct LocalHeader {
    std::uint16_t flags = 0;
    std::uint16_t method = 0;
    std::uint64_t dataOffset = 0;
    bool hasZip64Extra = false;
};

// The archive read through a window: a small entry's local header, name,
// extra field and data come in one read instead of three; every other read
// goes to the archive itself.
class WindowSource final : public ArchiveSource {
public:
    explicit WindowSource(const ArchiveSource& archive) : archive_(archive) {}

    std::uint64_t size() const override { return archive_.size(); }
    bool readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override {
        if (offset >= start_ && offset - start_ <= bytes_.size() && out.size() <= bytes_.size() - (offset - start_)) {
            std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset - start_), out.size(), out.begin());
            return true;
        }
        return archive_.readAt(offset, out);
    }

    // Holds up to `length` bytes from `offset`, fewer where the archive ends;
    // nothing when the read fails (the reads then go to the archive and fail
    // or succeed there, as without a window).
    void load(std::uint64_t offset, std::uint64_t length) {
        bytes_.clear();
        start_ = offset;
        if (offset >= archive_.size()) {
            return;
        }
        bytes_.resize(static_cast<std::size_t>(std::min(length, archive_.size() - offset)));
        if (!archive_.readAt(offset, bytes_)) {
            bytes_.clear();
        }
    }

private:
    const ArchiveSource& archive_;
    std::uint64_t start_ = 0;
    std::vector<std::uint8_t> bytes_;
};

// Entries up to this size are read with their local header in one go.
constexpr std::uint64_t kWindowLimit = 1 << 20;
// Room for the local extra field, which usually repeats the central one's
// blocks (a Unicode path holds the name again).
constexpr std::uint64_t kExtraRoom = 64;

// The local header at `offset` (APPNOTE 4.3.7); nullopt when it is not there
// or cut short.
std::optional<LocalHeader> ReadLocalHeader(const ArchiveSource& source, std::uint64_t offset) {
    std::array<std::uint8_t, kLocalHeaderLength> fixed{};
    if (offset > source.size() || !source.readAt(offset, fixed)) {
        return std::nullopt;
    }
    ByteReader r(fixed);
    const std::uint32_t signature = r.u32();
    r.skip(2); // version needed: the central directory's value is the one checked
    LocalHeader header;
    header.flags = r.u16();
    header.method = r.u16();
    r.skip(16); // time, date, CRC and sizes: the central directory's values are used
    const std::uint16_t nameLength = r.u16();
    const std::uint16_t extraLength = r.u16();
    if (!r.ok() || signature != kLocalHeaderSignature) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> extra(extraLength);
    if (!source.readAt(offset + kLocalHeaderLength + nameLength, extra)) {
        return std::nullopt;
    }
    Zip64Values unused;
    const ExtraField field = ReadZip64Extra(extra, unused);
    if (field == ExtraField::Damaged) {
        return std::nullopt; // a header that contradicts its own lengths is not trusted
    }
    header.hasZip64Extra = field == ExtraField::Zip64;
    header.dataOffset = offset + kLocalHeaderLength + nameLength + extraLength;
    return header;
}

// Entries that are no file to write: folders (a DOS folder bit without the
// trailing "/" included) and Unix links, which this program's archives never
// hold and which, from another tool, could point anywhere.
std::optional<SkipReason> NotAFile(const CentralEntry& entry) {
    if ((entry.externalAttributes & kAttrDirectory) != 0) {
        return SkipReason::FolderEntry;
    }
    const std::uint16_t host = entry.versionMadeBy >> 8;
    if (host != kHostUnix && host != kHostOsX) {
        return std::nullopt;
    }
    switch (static_cast<mode_t>(entry.externalAttributes >> 16) & S_IFMT) {
    case S_IFDIR:
        return SkipReason::FolderEntry;
    case S_IFLNK:
        return SkipReason::LinkEntry;
    default:
        return std::nullopt;
    }
}

// Version needed above 2.0 is refused (the low byte holds it, APPNOTE
// 4.4.3), except 4.5 when ZIP64 is the only reason: a stored or deflated,
// unencrypted entry of an archive that uses ZIP64.
std::optional<SkipReason> CheckVersion(const CentralEntry& entry, const LocalHeader* local, bool archiveZip64) {
    const unsigned needed = entry.versionNeeded & 0xFF;
    if (needed <= kVersionReadable) {
        return std::nullopt;
    }
    if (needed != kVersionNeededZip64 || (entry.method != kMethodStored && entry.method != kMethodDeflated) ||
        (entry.flags & (kFlagEncrypted | kFlagsNotRead)) != 0) {
        return SkipReason::NewerVersion;
    }
    if (local == nullptr) {
        return std::nullopt; // decided once the local header is read
    }
    const bool usesZip64 = archiveZip64 || entry.hasZip64Extra || local->hasZip64Extra;
    return usesZip64 ? std::nullopt : std::optional(SkipReason::NewerVersion);
}

// The entry's name for the report, when decoding it is what failed.
std::string NameForReport(const CentralEntry& entry) {
    try {
        return EntryName(entry);
    } catch (const std::exception&) {
        return entry.rawName; // the stored bytes are the best name left
    }
}

// What one thread of an extraction found, by entry index, merged into the
// report in the archive's order once every thread is done.
struct Outcome {
    std::size_t extracted = 0;
    std::size_t crcMismatches = 0;
    std::vector<std::pair<std::size_t, std::string>> damaged;
    std::vector<std::pair<std::size_t, SkippedEntry>> skipped;
};

class Extractor {
public:
    Extractor(const ArchiveSource& source, const CentralDirectory& directory, const EntryLayout& layout,
              TargetFolder& target, Outcome& outcome)
        : window_(source), directory_(directory), layout_(layout), target_(target), outcome_(outcome) {}

    void extract(std::size_t index) {
        const CentralEntry& entry = directory_.entries[index];
        const std::string name = EntryName(entry);
        if (const std::optional<SkipReason> reason = write(index, entry, name)) {
            outcome_.skipped.push_back({index, {name, *reason}});
        }
    }

private:
    // Checks the entry and writes its file; the reason when it is skipped.
    std::optional<SkipReason> write(std::size_t index, const CentralEntry& entry, const std::string& name) {
        if (std::optional<SkipReason> reason = NotAFile(entry)) {
            return reason;
        }
        const std::uint16_t host = entry.versionMadeBy >> 8;
        std::variant<RelativePath, SkipReason> path = SanitiseStoredName(name, host == kHostUnix || host == kHostOsX);
        if (const SkipReason* reason = std::get_if<SkipReason>(&path)) {
            return *reason;
        }
        if (std::optional<SkipReason> reason = CheckVersion(entry, nullptr, directory_.zip64)) {
            return reason;
        }
        if (entry.compressedSize <= kWindowLimit) {
            window_.load(entry.localHeaderOffset,
                         kLocalHeaderLength + 2 * entry.rawName.size() + kExtraRoom + entry.compressedSize);
        }
        const std::optional<LocalHeader> local = ReadLocalHeader(window_, entry.localHeaderOffset);
        if (!local || entry.extraDamaged) {
            return SkipReason::BadLocalHeader;
        }
        if (std::optional<SkipReason> reason = CheckVersion(entry, &*local, directory_.zip64)) {
            return reason;
        }
        if (((entry.flags | local->flags) & (kFlagEncrypted | kFlagsNotRead)) != 0) {
            return SkipReason::Encrypted;
        }
        if (local->method != kMethodStored && local->method != kMethodDeflated) {
            return SkipReason::UnknownMethod;
        }
        const std::uint64_t dataEnd = local->dataOffset + entry.compressedSize;
        if (dataEnd < local->dataOffset || !layout_.ownsItsBytes(index, dataEnd)) {
            return SkipReason::OverlappingData;
        }
        const EntryData data{local->dataOffset, entry.compressedSize, entry.uncompressedSize, local->method};
        return writeFile(index, entry, std::get<RelativePath>(path), data, name);
    }

    std::optional<SkipReason> writeFile(std::size_t index, const CentralEntry& entry, const RelativePath& path,
                                        const EntryData& data, const std::string& name) {
        SkipReason reason{};
        const int folder = target_.openFolder(path.folders, reason);
        if (folder < 0) {
            return reason;
        }
        PendingFile file;
        if (std::optional<SkipReason> refused = file.open(folder, path.file)) {
            return refused;
        }
        const DecodeResult decoded = decoder_.decode(window_, data, file.fd());
        if (decoded.status != DecodeResult::Status::Ok) {
            return decoded.status == DecodeResult::Status::BadData ? SkipReason::BadData : SkipReason::WriteFailed;
        }
        const bool damaged = decoded.crc32 != entry.crc32;
        if (damaged && file.replacing()) {
            return SkipReason::BadCrc; // never bad data over a file that may be good
        }
        const std::time_t mtime = times_.ToMoment({entry.dosTime, entry.dosDate});
        if (std::optional<SkipReason> failed = file.commit(mtime, (entry.externalAttributes & kAttrReadOnly) != 0)) {
            return failed;
        }
        ++outcome_.extracted;
        if (damaged) {
            ++outcome_.crcMismatches; // kept as decoded: the bytes may still be mostly right
            outcome_.damaged.push_back({index, name});
        }
        return std::nullopt;
    }

    WindowSource window_;
    const CentralDirectory& directory_;
    const EntryLayout& layout_;
    TargetFolder& target_;
    Outcome& outcome_;
    DosTimeCache times_;
    EntryDecoder decoder_;
};

// Threads extracting at once: files are written in parallel, but beyond a
// few the file system's own locks are the limit, and each thread holds its
// decoding buffers (up to about 11 MiB): with three, the restore of a tree of
// 78,000 files peaks under 50 MiB.
constexpr std::size_t kMaxThreads = 3;
// Consecutive entries a thread takes at a time: entries come folder by
// folder, so a thread mostly keeps its folders open from one to the next.
constexpr std::size_t kEntriesPerTake = 16;

// The entries whose result would depend on the order they are written in:
// two file entries for the same path, or a file entry where another needs a
// folder, on a file system that may ignore letter case. Those are written
// one after the other, in the archive's order, once the rest is done.
std::vector<bool> EntriesThatMeet(const CentralDirectory& directory) {
    // Paths are compared by a hash of their letter-folded text: a hash that
    // happens to be shared only sends entries to the end, never the reverse.
    const std::size_t count = directory.entries.size();
    std::vector<std::uint64_t> hashes;                    // per entry: its folders', then its own
    std::vector<std::size_t> starts{0};                   // entry i's hashes begin at starts[i]
    std::unordered_map<std::uint64_t, std::size_t> files; // file entries per path
    std::unordered_set<std::uint64_t> folders;
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const std::hash<std::string_view> hash;
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        const CentralEntry& entry = directory.entries[i];
        const std::uint16_t host = entry.versionMadeBy >> 8;
        std::variant<RelativePath, SkipReason> path = SkipReason::FolderEntry;
        try {
            if (!NotAFile(entry)) {
                path = SanitiseStoredName(EntryName(entry), host == kHostUnix || host == kHostOsX);
            }
        } catch (const std::exception&) {
            // skipped whatever the order
        }
        if (const RelativePath* relative = std::get_if<RelativePath>(&path)) {
            key.clear();
            for (const std::string& part : relative->folders) {
                std::transform(part.begin(), part.end(), std::back_inserter(key), fold);
                hashes.push_back(hash(key));
                folders.insert(hashes.back());
                key += '/';
            }
            std::transform(relative->file.begin(), relative->file.end(), std::back_inserter(key), fold);
            hashes.push_back(hash(key));
            ++files[hashes.back()];
        }
        starts.push_back(hashes.size());
    }
    std::vector<bool> meet(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        if (starts[i] == starts[i + 1]) {
            continue;
        }
        const auto first = hashes.begin() + static_cast<std::ptrdiff_t>(starts[i]);
        const auto own = hashes.begin() + static_cast<std::ptrdiff_t>(starts[i + 1] - 1);
        meet[i] = files[*own] > 1 || folders.count(*own) != 0 ||
                  std::any_of(first, own, [&](std::uint64_t folder) { return files.count(folder) != 0; });
    }
    return meet;
}

// Extracts entry `index` and counts it done; false once a stop was asked
// (every file written so far is whole).
bool ExtractOne(Extractor& extractor, const CentralDirectory& directory, std::size_t index, ProgressMeter& meter,
                std::atomic<bool>& stopped, Outcome& outcome) {
    try {
        if (stopped.load(std::memory_order_relaxed)) {
            return false;
        }
        meter.CheckStop();
    } catch (const ArchiveError&) {
        stopped = true;
        return false;
    }
    try {
        extractor.extract(index);
    } catch (const std::exception&) {
        // One entry's failure (memory, a broken code page table) skips that
        // entry only, as every other entry failure does.
        outcome.skipped.push_back({index, {NameForReport(directory.entries[index]), SkipReason::WriteFailed}});
    }
    try {
        meter.Add(directory.entries[index].uncompressedSize);
    } catch (const ArchiveError&) {
        stopped = true;
        return false;
    }
    return true;
}

// Each thread takes the next entries not yet taken, leaving out those
// written last, until none is left or a stop was asked.
void ExtractShare(Extractor& extractor, const CentralDirectory& directory, const std::vector<bool>& last,
                  ProgressMeter& meter, std::atomic<std::size_t>& next, std::atomic<bool>& stopped, Outcome& outcome) {
    const std::size_t count = directory.entries.size();
    for (;;) {
        const std::size_t first = next.fetch_add(kEntriesPerTake, std::memory_order_relaxed);
        if (first >= count) {
            return;
        }
        for (std::size_t i = first; i < std::min(count, first + kEntriesPerTake); ++i) {
            if (!last[i] && !ExtractOne(extractor, directory, i, meter, stopped, outcome)) {
                return;
            }
        }
    }
}

// The threads' findings, in the archive's order.
void Merge(std::vector<Outcome>& outcomes, ExtractReport& report) {
    std::vector<std::pair<std::size_t, std::string>> damaged;
    std::vector<std::pair<std::size_t, SkippedEntry>> skipped;
    for (Outcome& outcome : outcomes) {
        report.extracted += outcome.extracted;
        report.crcMismatches += outcome.crcMismatches;
        std::move(outcome.damaged.begin(), outcome.damaged.end(), std::back_inserter(damaged));
        std::move(outcome.skipped.begin(), outcome.skipped.end(), std::back_inserter(skipped));
    }
    const auto byIndex = [](const auto& a, const auto& b) { return a.first < b.first; };
    std::sort(damaged.begin(), damaged.end(), byIndex);
    std::sort(skipped.begin(), skipped.end(), byIndex);
    for (auto& [index, name] : damaged) {
        report.damaged.push_back(std::move(name));
    }
    for (auto& [index, entry] : skipped) {
        report.skipped.push_back(std::move(entry));
    }
}

} // namespace

ExtractReport ExtractArchive(const std::filesystem::path& targetFolder, const std::filesystem::path& archivePath,
                             const StepControl& control) {
    ExtractReport report;
    ProgressMeter meter(control, archivePath);
    try {
        // Only opened for reading: a missing archive stays missing.
        const FileSource source(archivePath);
        TargetFolder target(targetFolder);
        if (source.size() == 0) {
            return report; // an empty file is an archive without entries
        }
        const CentralDirectory directory = ReadCentralDirectory(source, archivePath);
        const EntryLayout layout(directory);
        if (meter.wanted()) {
            std::uint64_t total = 0;
            for (const CentralEntry& entry : directory.entries) {
                // Declared sizes may be anything: the total stops at the largest value.
                total += std::min(entry.uncompressedSize, std::numeric_limits<std::uint64_t>::max() - total);
            }
            meter.Start(total);
        }
        const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
        const std::size_t threads =
            std::clamp<std::size_t>(directory.entries.size(), 1, std::min(processors, kMaxThreads));
        const std::vector<bool> last = EntriesThatMeet(directory);
        std::vector<std::unique_ptr<TargetFolder>> views;
        for (std::size_t i = 1; i < threads; ++i) {
            views.push_back(target.Another());
        }
        std::vector<Outcome> outcomes(threads);
        std::atomic<std::size_t> next = 0;
        std::atomic<bool> stopped = false;
        Extractor extractor(source, directory, layout, target, outcomes[0]);
        {
            std::vector<std::jthread> helpers;
            for (std::size_t i = 1; i < threads; ++i) {
                helpers.emplace_back([&, i] {
                    Extractor own(source, directory, layout, *views[i - 1], outcomes[i]);
                    ExtractShare(own, directory, last, meter, next, stopped, outcomes[i]);
                });
            }
            ExtractShare(extractor, directory, last, meter, next, stopped, outcomes[0]);
        } // the helpers are joined here
        for (std::size_t i = 0; i < last.size() && !stopped; ++i) {
            if (last[i]) {
                ExtractOne(extractor, directory, i, meter, stopped, outcomes[0]);
            }
        }
        Merge(outcomes, report);
        // A stop asked after the last entry ended nothing.
        report.stopped = stopped && report.extracted + report.skipped.size() < directory.entries.size();
    } catch (const std::exception& error) {
        // The whole archive is refused before any entry: nothing was written.
        report.archiveRejected = error.what();
    }
    return report;
}

std::optional<std::size_t> CountArchiveEntries(const std::filesystem::path& archivePath) {
    try {
        const FileSource source(archivePath);
        if (source.size() == 0) {
            return 0;
        }
        return ReadCentralDirectory(source, archivePath).entries.size();
    } catch (const std::exception&) {
        return std::nullopt; // missing, unreadable or not an archive: the caller only asks how many
    }
}

} // namespace vantorel

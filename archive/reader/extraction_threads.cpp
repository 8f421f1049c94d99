#include "archive/reader/extraction_threads.h"

#include "archive/archive_error.h"
#include "archive/reader/entries_that_meet.h"
#include "archive/reader/extractor.h"

#include <algorithm>
#include <atomic>
#include <iterator>
#include <memory>
#include <thread>
#include <vector>

namespace vantorel::archive::reader {

namespace {

// Threads extracting at once: files are written in parallel, but beyond a
// few the file system's own locks are the limit, and each thread holds its
// decoding buffers (up to about 11 MiB): with three, the restore of a tree of
// 78,000 files peaks under 50 MiB.
constexpr std::size_t kMaxThreads = 3;
// Consecutive entries a thread takes at a time: entries come folder by
// folder, so a thread mostly keeps its folders open from one to the next.
constexpr std::size_t kEntriesPerTake = 16;

// The entry's name for the report, when decoding it is what failed.
std::string NameForReport(const CentralEntry& entry) {
    try {
        return EntryName(entry);
    } catch (const std::exception&) {
        return entry.rawName; // the stored bytes are the best name left
    }
}

// What the threads share.
struct Shared {
    const DirectoryAsRead& directory;
    const std::vector<bool>& last;
    ProgressMeter& meter;
    std::atomic<std::size_t> next = 0;
    std::atomic<bool> stopped = false;
};

// Extracts entry `index` and counts it done; false once a stop was asked
// (every file written so far is whole).
bool ExtractOne(Extractor& extractor, std::size_t index, Shared& shared, Outcome& outcome) {
    try {
        if (shared.stopped.load(std::memory_order_relaxed)) {
            return false;
        }
        shared.meter.CheckStop();
    } catch (const ArchiveError&) {
        shared.stopped = true;
        return false;
    }
    try {
        extractor.Extract(index);
    } catch (const std::exception&) {
        // One entry's failure (memory, a broken code page table) skips that
        // entry only, as every other entry failure does.
        outcome.skipped.push_back({index, {NameForReport(shared.directory.entries[index]), SkipReason::WriteFailed}});
    }
    try {
        shared.meter.Add(shared.directory.entries[index].uncompressedSize);
    } catch (const ArchiveError&) {
        shared.stopped = true;
        return false;
    }
    return true;
}

// Each thread takes the next entries not yet taken, leaving out those
// written last, until none is left or a stop was asked.
void ExtractShare(Extractor& extractor, Shared& shared, Outcome& outcome) {
    const std::size_t count = shared.directory.entries.size();
    for (;;) {
        const std::size_t first = shared.next.fetch_add(kEntriesPerTake, std::memory_order_relaxed);
        if (first >= count) {
            return;
        }
        for (std::size_t i = first; i < std::min(count, first + kEntriesPerTake); ++i) {
            if (!shared.last[i] && !ExtractOne(extractor, i, shared, outcome)) {
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

void ExtractEntries(const ArchiveSource& source, const DirectoryAsRead& directory, const EntryLayout& layout,
                    TargetFolder& target, ProgressMeter& meter, ExtractReport& report) {
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t threads = std::clamp<std::size_t>(directory.entries.size(), 1, std::min(processors, kMaxThreads));
    const std::vector<bool> last = EntriesThatMeet(directory);
    std::vector<std::unique_ptr<TargetFolder>> views;
    for (std::size_t i = 1; i < threads; ++i) {
        views.push_back(target.Another());
    }
    std::vector<Outcome> outcomes(threads);
    Shared shared{directory, last, meter};
    Extractor extractor(source, directory, layout, target, outcomes[0]);
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < threads; ++i) {
            helpers.emplace_back([&, i] {
                Extractor own(source, directory, layout, *views[i - 1], outcomes[i]);
                ExtractShare(own, shared, outcomes[i]);
            });
        }
        ExtractShare(extractor, shared, outcomes[0]);
    } // the helpers are joined here
    for (std::size_t i = 0; i < last.size() && !shared.stopped; ++i) {
        if (last[i]) {
            ExtractOne(extractor, i, shared, outcomes[0]);
        }
    }
    Merge(outcomes, report);
    // A stop asked after the last entry ended nothing.
    report.stopped = shared.stopped && report.extracted + report.skipped.size() < directory.entries.size();
}

} // namespace vantorel::archive::reader

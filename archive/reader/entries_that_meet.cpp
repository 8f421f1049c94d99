#include "archive/reader/entries_that_meet.h"

#include "archive/reader/entry_checks.h"
#include "archive/reader/relative_path.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <iterator>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <variant>

namespace vantorel::archive::reader {

namespace {

// Paths are compared by a hash of their letter-folded text: a hash that
// happens to be shared only sends entries to the end, never the reverse.
struct PathHashes {
    std::vector<std::uint64_t> hashes;                    // per entry: its folders', then its own
    std::vector<std::size_t> starts{0};                   // entry i's hashes begin at starts[i]
    std::unordered_map<std::uint64_t, std::size_t> files; // file entries per path
    std::unordered_set<std::uint64_t> folders;
};

// Where entry `entry` would be written, or nullopt when it is skipped
// whatever the order.
std::optional<RelativePath> PathOf(const CentralEntry& entry) {
    try {
        if (!NotAFile(entry)) {
            std::variant<RelativePath, SkipReason> path = SanitiseStoredName(EntryName(entry), MadeOnUnix(entry));
            if (RelativePath* relative = std::get_if<RelativePath>(&path)) {
                return std::move(*relative);
            }
        }
    } catch (const std::exception&) {
        // a name that cannot be decoded: skipped whatever the order
    }
    return std::nullopt;
}

PathHashes HashPaths(const DirectoryAsRead& directory) {
    PathHashes paths;
    const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    const std::hash<std::string_view> hash;
    std::string key;
    for (const CentralEntry& entry : directory.entries) {
        if (const std::optional<RelativePath> relative = PathOf(entry)) {
            key.clear();
            for (const std::string& part : relative->folders) {
                std::transform(part.begin(), part.end(), std::back_inserter(key), fold);
                paths.hashes.push_back(hash(key));
                paths.folders.insert(paths.hashes.back());
                key += '/';
            }
            std::transform(relative->file.begin(), relative->file.end(), std::back_inserter(key), fold);
            paths.hashes.push_back(hash(key));
            ++paths.files[paths.hashes.back()];
        }
        paths.starts.push_back(paths.hashes.size());
    }
    return paths;
}

} // namespace

std::vector<bool> EntriesThatMeet(const DirectoryAsRead& directory) {
    PathHashes paths = HashPaths(directory);
    const std::size_t count = directory.entries.size();
    std::vector<bool> meet(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        if (paths.starts[i] == paths.starts[i + 1]) {
            continue;
        }
        const auto first = paths.hashes.begin() + static_cast<std::ptrdiff_t>(paths.starts[i]);
        const auto own = paths.hashes.begin() + static_cast<std::ptrdiff_t>(paths.starts[i + 1] - 1);
        meet[i] = paths.files[*own] > 1 || paths.folders.count(*own) != 0 ||
                  std::any_of(first, own, [&](std::uint64_t folder) { return paths.files.count(folder) != 0; });
    }
    return meet;
}

} // namespace vantorel::archive::reader

#include "archive/reader/relative_path.h"

namespace vantorel::archive::reader {

namespace {

bool IsSeparator(char c, bool unixNames) {
    return c == '/' || (c == '\\' && !unixNames);
}

// "C:" or "C:anything" as the first part: a Windows drive.
bool StartsWithDrive(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

} // namespace

std::variant<RelativePath, SkipReason> SanitiseStoredName(std::string_view name, bool unixNames) {
    auto separates = [unixNames](char c) { return IsSeparator(c, unixNames); };
    if (name.empty() || separates(name.back())) {
        return SkipReason::FolderEntry;
    }
    if (separates(name.front()) || name.find('\0') != std::string_view::npos) {
        return SkipReason::UnsafeName; // absolute ("/x", "\\server\share\x") or cut short by a NUL
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !separates(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (!unixNames && parts.empty() && start == 0 && StartsWithDrive(part)) {
            return SkipReason::UnsafeName;
        }
        if (part == "..") {
            return SkipReason::UnsafeName;
        }
        if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    if (parts.empty()) {
        return SkipReason::FolderEntry; // only "." parts: names no file
    }
    RelativePath path;
    path.file = std::move(parts.back());
    parts.pop_back();
    path.folders = std::move(parts);
    return path;
}

} // namespace vantorel::archive::reader

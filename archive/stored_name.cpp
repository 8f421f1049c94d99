#include "archive/stored_name.h"

#include "archive/zip_format.h"
#include "platform/code_page.h"

namespace vantorel::zip {

namespace {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates,
// nothing above U+10FFFF).
bool IsValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        char32_t code = 0;
        char32_t lowest = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
            lowest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
            lowest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
            lowest = 0x10000;
        } else {
            return false;
        }
        if (text.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

// "C:" or "C:anything" as the first part: a Windows drive.
bool StartsWithDrive(std::string_view part) {
    return part.size() >= 2 && part[1] == ':' &&
           ((part[0] >= 'A' && part[0] <= 'Z') || (part[0] >= 'a' && part[0] <= 'z'));
}

} // namespace

std::string DecodeStoredName(std::string_view raw, std::uint16_t flags) {
    if ((flags & kFlagUtf8Name) != 0 && IsValidUtf8(raw)) {
        return std::string(raw);
    }
    return Cp850ToUtf8(raw);
}

std::variant<RelativePath, SkipReason> SanitiseStoredName(std::string_view name) {
    if (name.empty() || IsSeparator(name.back())) {
        return SkipReason::FolderEntry;
    }
    if (IsSeparator(name.front()) || name.find('\0') != std::string_view::npos) {
        return SkipReason::UnsafeName; // absolute ("/x", "\\server\share\x") or cut short by a NUL
    }
    std::vector<std::string> parts;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = start;
        while (end < name.size() && !IsSeparator(name[end])) {
            ++end;
        }
        const std::string_view part = name.substr(start, end - start);
        if (parts.empty() && start == 0 && StartsWithDrive(part)) {
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

} // namespace vantorel::zip

#include "archive/stored_name.h"

#include "archive/archive_error.h"
#include "archive/zip_format.h"
#include "platform/code_page.h"

#include <optional>

namespace vantorel::archive {

StoredName FormStoredName(std::string_view relative) {
    StoredName name;
    std::optional<std::string> cp850;
    if (!NeedsUnixHost(relative)) {
        cp850 = Utf8ToCp850(relative);
    }
    if (cp850) {
        name.bytes = *std::move(cp850);
    } else {
        name.bytes = std::string(relative);
        name.flags = IsValidUtf8(relative) ? kFlagUtf8Name : 0;
    }
    if (name.bytes.size() > kMaxNameLength) {
        throw ArchiveError(ArchiveFailure::TooLarge, std::string(relative), 0, "name longer than 65535 bytes");
    }
    return name;
}

bool NeedsUnixHost(std::string_view name) {
    return name.find_first_of("\\:") != std::string_view::npos;
}

std::string DecodeStoredName(std::string_view raw, std::uint16_t flags) {
    if ((flags & kFlagUtf8Name) != 0 && IsValidUtf8(raw)) {
        return std::string(raw);
    }
    return Cp850ToUtf8(raw);
}

} // namespace vantorel::archive

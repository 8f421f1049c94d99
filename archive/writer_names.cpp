#include "archive/writer_names.h"

#include "archive/archive_error.h"
#include "archive/zip_format.h"
#include "platform/code_page.h"

#include <optional>

namespace vantorel::writer {

StoredName FormStoredName(std::string_view relative) {
    StoredName name;
    if (std::optional<std::string> cp850 = Utf8ToCp850(relative)) {
        name.bytes = *std::move(cp850);
    } else {
        name.bytes = std::string(relative);
        name.flags = zip::kFlagUtf8Name;
    }
    if (name.bytes.size() > zip::kMaxNameLength) {
        throw ArchiveError(ArchiveFailure::TooLarge, std::string(relative), 0, "name longer than 65535 bytes");
    }
    return name;
}

} // namespace vantorel::writer

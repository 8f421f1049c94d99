#include "platform/file_attributes.h"

namespace vantorel {

namespace {

constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrArchive = 0x20;

} // namespace

std::uint32_t DosAttributeWord(const struct stat& info) {
    std::uint32_t word = kAttrArchive;
    if ((info.st_mode & S_IWUSR) == 0) {
        word |= kAttrReadOnly;
    }
    return word;
}

bool IsHiddenName(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

EntryKind ClassifyEntry(const struct stat& own, const struct stat* target) {
    if (S_ISREG(own.st_mode)) {
        return EntryKind::File;
    }
    if (S_ISDIR(own.st_mode)) {
        return EntryKind::Folder;
    }
    if (S_ISLNK(own.st_mode) && target != nullptr && S_ISREG(target->st_mode)) {
        return EntryKind::File;
    }
    // A link to a folder is not followed, so a link loop cannot trap the walk;
    // FIFOs, sockets and devices are the "system" files a backup never opens.
    return EntryKind::Skipped;
}

} // namespace vantorel

#pragma once

#include <cstdint>
#include <string_view>
#include <sys/stat.h>

namespace vantorel {

// The DOS attribute word a zip entry carries for a Linux file: 0x20 (archive)
// for every regular file, plus 0x01 (read-only) when its owner may not write
// it. Hidden and system never occur: such files are not archived.
std::uint32_t DosAttributeWord(const struct stat& info);

// A name is hidden when it starts with "." (the Linux convention; "." and ".."
// included).
bool IsHiddenName(std::string_view name);

// What the folder walk makes of a directory entry, the link followed.
enum class EntryKind {
    File,    // a regular file, or a link to one: archived with its content
    Folder,  // a real folder (not a link): descended into
    Skipped, // a link to a folder, a dangling link, a FIFO, a socket, a device
};

// The kind of a directory entry from lstat-style information `own` and, when
// `own` is a link, the information of its target (`target` null when the link
// leads nowhere).
EntryKind ClassifyEntry(const struct stat& own, const struct stat* target);

} // namespace vantorel

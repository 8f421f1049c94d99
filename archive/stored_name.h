#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::archive {

// How an entry's name is stored: code page 850 when it can hold the name,
// UTF-8 with general-purpose bit 11 (APPNOTE 4.4.4, appendix D) otherwise.
// The writer forms names by this rule and the reader reads them back by it.

// The name an entry is stored under, with the general-purpose flag that says
// how to read it.
struct StoredName {
    std::string bytes;
    std::uint16_t flags = 0;
};

// The stored form of a file's path relative to the backed-up folder ("/"
// between parts, the bytes of the Linux file system):
// - code page 850 with flags 0 when every character has a code page 850 form;
// - otherwise the UTF-8 bytes with bit 11, so that no name is replaced by
//   substitutes;
// - bytes that are not UTF-8 at all stay as they are with flags 0: a name
//   flagged UTF-8 but not UTF-8 would make some readers refuse the whole
//   archive, while unflagged bytes read as code page 850 everywhere.
// Throws ArchiveError(TooLarge) when the name exceeds the 65535 bytes of its
// field.
StoredName FormStoredName(std::string_view relative);

// True when a name holds "\" or ":", ordinary characters in a Linux name
// but a separator and a drive mark where the entry was made on DOS or
// Windows. Such entries are marked as made on Unix (the host byte of
// "version made by"), which tells every reader to take those characters
// literally, and their names are stored as UTF-8, which Unix readers take as
// it is (they read code page 850 only from DOS-made entries).
bool NeedsUnixHost(std::string_view name);

// The UTF-8 form of a stored name: with bit 11 set the bytes are UTF-8
// already; without it they are code page 850, as this program and DOS tools
// write them. A bit-11 name that is not valid UTF-8 is read as code page 850
// too, so its file still comes back.
std::string DecodeStoredName(std::string_view raw, std::uint16_t flags);

} // namespace vantorel::archive

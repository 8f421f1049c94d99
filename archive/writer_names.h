#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantorel::writer {

// The name an entry is stored under, with the general-purpose flag that says
// how to read it.
struct StoredName {
    std::string bytes;
    std::uint16_t flags = 0;
};

// The stored form of a file's path relative to the backed-up folder ("/"
// between parts, the bytes of the Linux file system): code page 850 with
// flags 0 when every character has a code page 850 form, otherwise the bytes
// unchanged (UTF-8) with the language-encoding flag, bit 11 (APPNOTE 4.4.4,
// appendix D), so that no name is ever replaced by substitutes. Throws
// ArchiveError(TooLarge) when the name exceeds the 65535 bytes of its field.
StoredName FormStoredName(std::string_view relative);

} // namespace vantorel::writer

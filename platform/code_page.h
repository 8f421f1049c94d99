#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// Zip entry names are kept in code page 850 (the DOS code page of Western
// Europe) whenever it can hold them; these two functions convert between it
// and the UTF-8 names of the Linux file system. Both are safe to call from
// several threads at once.

// The code page 850 bytes of a UTF-8 text, or nullopt when a character has no
// code page 850 form ("œ", the en dash, "€", any non-Latin script) or when the
// text is not valid UTF-8. ASCII text comes back unchanged.
std::optional<std::string> Utf8ToCp850(std::string_view utf8);

// True when every byte is below 0x80: the text reads the same in ASCII, UTF-8
// and code page 850.
bool IsAscii(std::string_view text);

// True when the bytes are well-formed UTF-8 (Linux file names need not be).
bool IsValidUtf8(std::string_view text);

// The UTF-8 form of code page 850 bytes. Every byte value has a character, so
// this never fails.
std::string Cp850ToUtf8(std::string_view cp850);

} // namespace vantorel

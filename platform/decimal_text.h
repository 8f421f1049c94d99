#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vantorel {

// A settings value read as a decimal integer: an optional sign and one or more
// digits, nothing else (no blanks). nullopt for anything else, and for a value
// outside the 32-bit range that the stored numbers were always written in.
std::optional<std::int32_t> ParseDecimal(std::string_view text);

} // namespace vantorel

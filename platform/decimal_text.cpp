#include "platform/decimal_text.h"

#include <charconv>

namespace vantorel {

std::optional<std::int32_t> ParseDecimal(std::string_view text) {
    // from_chars takes a minus sign but not a plus sign.
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) {
            return std::nullopt;
        }
    }
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end || text.empty()) {
        return std::nullopt;
    }
    return value;
}

} // namespace vantorel

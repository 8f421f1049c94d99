#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace vantorel::archive::reader {

// A bounded little-endian cursor over bytes already in memory. A read past
// the end returns zero and sets a sticky failure flag, so a record's fields
// are read one after the other and the flag is checked once at the end.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t u8() { return static_cast<std::uint8_t>(take(1)); }
    std::uint16_t u16() { return static_cast<std::uint16_t>(take(2)); }
    std::uint32_t u32() { return static_cast<std::uint32_t>(take(4)); }
    std::uint64_t u64() { return take(8); }

    // The next `count` bytes, or an empty span (and the failure flag) when
    // fewer remain.
    std::span<const std::uint8_t> bytes(std::size_t count) {
        if (failed_ || count > remaining()) {
            failed_ = true;
            return {};
        }
        std::span<const std::uint8_t> part = bytes_.subspan(position_, count);
        position_ += count;
        return part;
    }

    void Skip(std::size_t count) { static_cast<void>(bytes(count)); } // the flag records a short skip

    bool ok() const noexcept { return !failed_; }
    std::size_t position() const noexcept { return position_; }
    std::size_t remaining() const noexcept { return bytes_.size() - position_; }

private:
    std::uint64_t take(std::size_t width) {
        std::span<const std::uint8_t> part = bytes(width);
        std::uint64_t value = 0;
        for (std::size_t i = part.size(); i > 0; --i) {
            value = (value << 8) | part[i - 1];
        }
        return value;
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// The bytes of a span as text (zip names are bytes in some code page).
inline std::string_view AsText(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

} // namespace vantorel::archive::reader

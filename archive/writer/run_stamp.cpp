#include "archive/writer/run_stamp.h"

#include <array>
#include <charconv>
#include <string_view>
#include <sys/xattr.h>

namespace vantorel::archive::writer {

namespace {

constexpr char kAttributeName[] = "user.vantorel.run";
constexpr std::string_view kStampTag = "vantorel-run 1";

// Reads the next space-ended decimal number of `text`.
template <class Number> bool TakeNumber(std::string_view& text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end == text.data() + text.size() || *end != ' ') {
        return false;
    }
    text.remove_prefix(static_cast<std::size_t>(end - text.data()) + 1);
    return true;
}

// The stamp as the attribute holds it, and back; nullopt for anything else.
std::string FormatRunStamp(const RunStamp& stamp) {
    std::string text(kStampTag);
    for (const std::uint64_t value :
         {static_cast<std::uint64_t>(stamp.start.tv_sec), static_cast<std::uint64_t>(stamp.start.tv_nsec),
          stamp.sourceDevice, stamp.sourceInode, stamp.archiveSize,
          static_cast<std::uint64_t>(stamp.centralDirectoryCrc)}) {
        text += ' ' + std::to_string(value);
    }
    text += ' ';
    text += stamp.sourceFolder; // last: it may hold any byte
    return text;
}

std::optional<RunStamp> ParseRunStamp(std::string_view text) {
    if (!text.starts_with(kStampTag) || text.size() == kStampTag.size() || text[kStampTag.size()] != ' ') {
        return std::nullopt;
    }
    text.remove_prefix(kStampTag.size() + 1);
    RunStamp stamp;
    std::int64_t seconds = 0;
    long nanoseconds = 0;
    if (!TakeNumber(text, seconds) || !TakeNumber(text, nanoseconds) || !TakeNumber(text, stamp.sourceDevice) ||
        !TakeNumber(text, stamp.sourceInode) || !TakeNumber(text, stamp.archiveSize) ||
        !TakeNumber(text, stamp.centralDirectoryCrc) || text.empty() || nanoseconds < 0 || nanoseconds >= 1000000000) {
        return std::nullopt;
    }
    stamp.start.tv_sec = static_cast<std::time_t>(seconds);
    stamp.start.tv_nsec = nanoseconds;
    stamp.sourceFolder = std::string(text);
    return stamp;
}

} // namespace

bool WriteRunStamp(int fd, const RunStamp& stamp) {
    const std::string text = FormatRunStamp(stamp);
    return fsetxattr(fd, kAttributeName, text.data(), text.size(), 0) == 0;
}

std::optional<RunStamp> ReadRunStamp(const std::filesystem::path& path) {
    std::array<char, 8192> value{};
    const ssize_t length = getxattr(path.c_str(), kAttributeName, value.data(), value.size());
    if (length <= 0) {
        return std::nullopt;
    }
    return ParseRunStamp(std::string_view(value.data(), static_cast<std::size_t>(length)));
}

} // namespace vantorel::archive::writer

#include "platform/autostart.h"

#include "platform/atomic_file.h"
#include "platform/errors.h"

#include <system_error>

namespace vantorel {

namespace {

// Characters that make an Exec argument need quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters that must be escaped with a backslash inside the quotes.
constexpr std::string_view kEscapedInQuotes = "\"`$\\";

std::string QuoteArgument(std::string_view argument) {
    const bool quote = argument.find_first_of(kReserved) != std::string_view::npos;
    std::string out;
    if (quote) {
        out += '"';
    }
    for (const char c : argument) {
        if (c == '%') {
            // A single '%' would start a field code.
            out += "%%";
            continue;
        }
        if (quote && kEscapedInQuotes.find(c) != std::string_view::npos) {
            out += '\\';
        }
        out += c;
    }
    if (quote) {
        out += '"';
    }
    return out;
}

// The escapes every string value of the format goes through.
std::string EscapeStringValue(std::string_view value) {
    std::string out;
    for (const char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

std::filesystem::path LogonEntryPath(const std::filesystem::path& configHome) {
    return configHome / "autostart" / (std::string(kLogonEntryName) + ".desktop");
}

std::string LogonExecValue(std::string_view executable) {
    return EscapeStringValue(QuoteArgument(executable));
}

std::string LogonEntryText(std::string_view executable) {
    std::string text = "[Desktop Entry]\n";
    text += "Type=Application\n";
    text += "Name=" + std::string(kLogonEntryName) + "\n";
    text += "Exec=" + LogonExecValue(executable) + "\n";
    // A removed or moved program leaves an entry the desktop skips, not one
    // that fails at every logon. TryExec is a plain path, not a command line.
    text += "TryExec=" + EscapeStringValue(executable) + "\n";
    text += "X-GNOME-Autostart-enabled=true\n";
    return text;
}

void SetRunAtLogon(const std::filesystem::path& configHome, const std::filesystem::path& executable) {
    if (configHome.empty()) {
        return;
    }
    const std::filesystem::path entry = LogonEntryPath(configHome);
    std::error_code error;
    // Like opening a key without creating it: with no usable folder, the
    // program does not start with the session, and that is all.
    std::filesystem::create_directories(entry.parent_path(), error);
    if (error || !std::filesystem::is_directory(entry.parent_path(), error)) {
        return;
    }
    try {
        ReplaceFileContent(entry, LogonEntryText(executable.string()));
    } catch (const PlatformError& refused) {
        throw PlatformError(PlatformFailure::LogonEntryRefused, std::string(kLogonEntryName), refused.sysErrno());
    }
}

void ClearRunAtLogon(const std::filesystem::path& configHome) {
    if (configHome.empty()) {
        return;
    }
    std::error_code error;
    // Not reported: the option is stored as cleared either way.
    (void)std::filesystem::remove(LogonEntryPath(configHome), error);
}

} // namespace vantorel

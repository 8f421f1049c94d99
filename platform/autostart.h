#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantorel {

// Starting the program with the user's session: an autostart entry of the
// desktop, "<configHome>/autostart/Vantorel.desktop", which launches the
// executable with no arguments. configHome is the user's configuration folder
// ($XDG_CONFIG_HOME or ~/.config), which the caller works out.

// The name the entry and its failures go by.
inline constexpr std::string_view kLogonEntryName = "Vantorel";

// Where the entry of `configHome` lies.
std::filesystem::path LogonEntryPath(const std::filesystem::path& configHome);

// The Exec value that starts `executable` alone: the path as it is when it
// holds no character the desktop-entry format reserves, else in double quotes
// with '"', '`', '$' and '\' escaped; '%' is doubled either way, and the
// string escapes of the format (\\, \n, \t, \r) are applied last.
std::string LogonExecValue(std::string_view executable);

// The whole text of the entry for `executable`: it starts the program and is
// skipped by the desktop (TryExec) once no file is left at that path.
std::string LogonEntryText(std::string_view executable);

// Writes the entry for `executable` in one atomic step. When there is no
// usable autostart folder (configHome empty, or the folder cannot be created
// or is not a folder) nothing is written and nothing is said: the program then
// simply does not start with the session. Throws
// PlatformError(PlatformFailure::LogonEntryRefused, "Vantorel", errno) when the folder is
// there but the entry cannot be written; an entry already there is then left
// as it was.
void SetRunAtLogon(const std::filesystem::path& configHome, const std::filesystem::path& executable);

// Removes the entry if there is one; whether that worked is not reported (the
// option is written either way, as the user asked).
void ClearRunAtLogon(const std::filesystem::path& configHome);

} // namespace vantorel

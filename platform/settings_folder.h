#pragma once

#include <filesystem>

namespace vantorel {

// Where the settings files (ListeSave.ini, Vantorel.ini) live. A program the
// user copied somewhere of their own keeps them beside itself, as it always
// did, so it can be carried with its jobs; a program the system installed
// keeps them in the user's configuration folder.

// The settings folder, ending in its separator. It is programFolder when the
// program is portable there: programFolderWritable (the user may write in it)
// and programFolder outside /usr. /usr belongs to the package system, even for
// root, who may write everywhere: settings left there would be shared by every
// user and outlive the package. Otherwise it is configHome/Vantorel/, or
// programFolder again when configHome is empty (there is nowhere else to try,
// and a refused write then names the file it could not write).
std::filesystem::path SettingsFolder(const std::filesystem::path& programFolder,
                                     const std::filesystem::path& configHome, bool programFolderWritable);

// Whether the current user may create files in `folder` (a read-only mount
// counts as no). Reads the file system.
bool CanWriteIn(const std::filesystem::path& folder);

} // namespace vantorel

#pragma once

#include <filesystem>

namespace vantorel {

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config; empty when neither is known.
std::filesystem::path UserConfigFolder();

// The folder of the run log: $XDG_STATE_HOME/Vantorel when XDG_STATE_HOME is
// an absolute path, else $HOME/.local/state/Vantorel; empty when neither is known.
std::filesystem::path RunLogFolder();

// The folder of the settings files for the program in programFolder (see
// SettingsFolder), created when it is the user's own and missing yet. A folder
// that cannot be created is left to the first write, which says so.
std::filesystem::path PrepareSettingsFolder(const std::filesystem::path& programFolder,
                                            const std::filesystem::path& configHome);

} // namespace vantorel

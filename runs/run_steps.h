#pragma once

// Steps shared by the backup runs and the restore; private to runs/.

#include <filesystem>

namespace vantorel {

// A folder the runs may use: an absolute path naming an existing folder. A
// relative path (a hand-edited ListeSave.ini) would mean whatever folder the
// program happens to run in, so it never counts as present.
bool IsUsableFolder(const std::filesystem::path& folder);

} // namespace vantorel

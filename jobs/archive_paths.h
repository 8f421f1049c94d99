#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vantorel {

// ArchiveFolder: the destination folder followed by "Vantorel" and a separator.
std::filesystem::path ArchiveFolder(std::string_view destination);

// "save_" + reference + "_1.zip" (newest) or "_2.zip" (previous) in the ArchiveFolder.
std::filesystem::path ArchivePath(std::string_view destination, std::string_view reference, int generation);

} // namespace vantorel

#pragma once

#include <filesystem>

namespace vantorel {

// The folder of the running executable, ending in its separator (for example
// "/opt/vantorel/"), where the program keeps its settings files. Only the
// program's entry calls this; the core is always handed the folder. Throws
// std::filesystem::filesystem_error when the executable's path is unknown.
std::filesystem::path ProgramFolder();

} // namespace vantorel

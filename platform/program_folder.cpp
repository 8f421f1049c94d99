#include "platform/program_folder.h"

namespace vantorel {

std::filesystem::path ProgramFolder() {
    // The link names the executable even when it was started through another
    // link or a relative path. When the file was replaced while running, the
    // kernel appends " (deleted)" to the name, which the folder part ignores.
    const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe");
    std::filesystem::path folder = executable.parent_path();
    if (!folder.native().ends_with(std::filesystem::path::preferred_separator)) {
        folder += std::filesystem::path::preferred_separator;
    }
    return folder;
}

} // namespace vantorel

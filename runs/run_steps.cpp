#include "runs/run_steps.h"

#include <system_error>

namespace vantorel {

namespace fs = std::filesystem;

bool IsUsableFolder(const fs::path& folder) {
    std::error_code ec;
    return folder.is_absolute() && fs::is_directory(folder, ec);
}

} // namespace vantorel

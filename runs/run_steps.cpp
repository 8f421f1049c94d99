#include "runs/run_steps.h"

#include <system_error>

namespace vantorel {

namespace fs = std::filesystem;

void WithProcessingLabel(RunHost& host, const std::function<void()>& work) {
    host.ShowProcessing(true);
    try {
        host.ProcessPendingEvents();
        work();
    } catch (...) {
        host.ShowProcessing(false);
        host.ProcessPendingEvents();
        throw;
    }
    host.ShowProcessing(false);
    host.ProcessPendingEvents();
}

bool IsUsableFolder(const fs::path& folder) {
    std::error_code ec;
    return folder.is_absolute() && fs::is_directory(folder, ec);
}

} // namespace vantorel

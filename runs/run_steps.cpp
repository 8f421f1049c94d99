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

void RotateGenerations(const fs::path& newest, const fs::path& previous) {
    std::error_code ec;
    if (!fs::exists(newest, ec)) {
        return; // first run: the previous archive, if any, stays untouched
    }
    // One rename, which replaces the previous archive in the same step. Deleting
    // it first would lose it outright if the rename then failed; this way a
    // failure leaves both generations where they were.
    fs::rename(newest, previous, ec); // ignored: the newest then stays, and ZipFolder replaces it whole
}

void CopyPreviousOverNewest(const fs::path& previous, const fs::path& newest) {
    fs::path partial = newest;
    partial += ".part";
    std::error_code ec;
    fs::copy_file(previous, partial, fs::copy_options::overwrite_existing, ec);
    if (!ec) {
        fs::rename(partial, newest, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(partial, ignored); // may not exist; a leftover would harm no archive anyway
    }
}

} // namespace vantorel

#pragma once

// Steps shared by the backup runs and the restore; private to runs/.

#include "runs/run_host.h"

#include <filesystem>
#include <functional>

namespace vantorel {

// Holds the runner's busy flag for one pass, run or restore, and lowers it
// however the work ends.
class BusyGuard {
public:
    explicit BusyGuard(bool& flag) : flag_(&flag) { *flag_ = true; }
    ~BusyGuard() { Release(); }
    // Lowers the flag before the end of the scope.
    void Release() {
        if (flag_ != nullptr) {
            *flag_ = false;
            flag_ = nullptr;
        }
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool* flag_;
};

// Runs `work` with "Traitement en cours" shown: shows the label and lets the
// pending events run once, does the work, hides the label and lets the events
// run once more. The label is hidden when the work throws too; the exception
// then goes on to the caller.
void WithProcessingLabel(RunHost& host, const std::function<void()>& work);

// A folder the runs may use: an absolute path naming an existing folder. A
// relative path (a hand-edited ListeSave.ini) would mean whatever folder the
// program happens to run in, so it never counts as present.
bool IsUsableFolder(const std::filesystem::path& folder);

} // namespace vantorel

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
    explicit BusyGuard(bool& flag) : flag_(flag) { flag_ = true; }
    ~BusyGuard() { flag_ = false; }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    bool& flag_;
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

// The rotation before a run: when the newest archive exists it takes the
// previous archive's name. A move that fails leaves both files as they were.
void RotateGenerations(const std::filesystem::path& newest, const std::filesystem::path& previous);

// The failure path after a rotation: makes the newest name hold the previous
// archive again, through a temporary copy so that a copy cut short never sits
// under the newest name. Best effort: a copy that fails leaves the newest
// name empty and the previous archive whole.
void CopyPreviousOverNewest(const std::filesystem::path& previous, const std::filesystem::path& newest);

} // namespace vantorel

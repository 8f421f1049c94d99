#pragma once

#include "ui/skinned_window.h"
// moc cannot parse the C++20 standard headers the core pulls in; it needs
// none of the core's types to do its work.
#ifndef Q_MOC_RUN
#include "runs/run_host.h"
#endif

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QListWidget;

namespace vantorel {

// The error window: the jobs that failed in the latest pass and what to check.
// Created once, hidden; closing hides it and keeps its list.
class ErrorWindow : public SkinnedWindow {
    Q_OBJECT

public:
    // The next run of the job with this id, or nullopt when it is gone.
    using NextRunOfJob = std::function<std::optional<std::string>(std::uint64_t jobId)>;

    explicit ErrorWindow(NextRunOfJob nextRunOf = {});

    void SetNextRunOfJob(NextRunOfJob nextRunOf) { nextRunOf_ = std::move(nextRunOf); }
    // Replaces the list with these failures, in their order: each job's line,
    // and under it, indented, the cause of its failure.
    void SetErrors(const std::vector<ErrorEntry>& errors);
    // The failures of the latest run, for an open window to follow; a clean
    // run does not empty a list held for the user (see Hold).
    void FollowRun(const std::vector<ErrorEntry>& errors);
    // Shows failures the user has not seen yet (they happened while the
    // program sat in the notification area); they stay until the window is
    // closed or a run fails again.
    void Hold(const std::vector<ErrorEntry>& errors);
    const std::vector<ErrorEntry>& errors() const { return entries_; }

    QListWidget* list() const { return list_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* list_;
    std::vector<ErrorEntry> entries_;
    // The failure each row of the list belongs to.
    std::vector<std::size_t> entryOfRow_;
    bool held_ = false;
    NextRunOfJob nextRunOf_;
};

} // namespace vantorel

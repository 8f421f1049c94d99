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
    // Replaces the list with these lines, in their order.
    void SetErrors(const std::vector<ErrorEntry>& errors);

    QListWidget* list() const { return list_; }

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* list_;
    std::vector<ErrorEntry> entries_;
    NextRunOfJob nextRunOf_;
};

} // namespace vantorel

// The main window as the host of the runs: it posts requests to the runner
// and shows what the runner reports, "Traitement en cours" with the step's
// share done and folder (in the icon's tip too), and the end of every
// request; a close during a run stops the run first.
#include "app/main_window.h"

#include "ui/error_window.h"
#include "ui/tray_icon.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMetaObject>

#include <algorithm>
#include <iterator>

namespace vantorel {

namespace {

// The name the user knows the source folder by: its last part.
QString FolderName(const std::string& folderText) {
    std::filesystem::path folder(folderText);
    if (!folder.has_filename()) {
        folder = folder.parent_path(); // the folder texts end with a separator
    }
    return QString::fromStdString(folder.filename().string());
}

QString ProcessingText(std::uint64_t done, std::uint64_t total) {
    done = std::min(done, total);
    // An empty folder is done at once.
    const int percent =
        total == 0 ? 0 : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
    return QStringLiteral("Traitement en cours — %1 %").arg(percent);
}

} // namespace

void MainWindow::Post(std::function<void()> task) {
    // The task goes through a lock of ours, and Qt's event only wakes this
    // thread: nothing the worker made is handed over in Qt's own queue. One
    // event serves every task posted until it runs.
    bool wake = false;
    {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        wake = posted_.empty();
        posted_.push_back(std::move(task));
    }
    if (wake) {
        QMetaObject::invokeMethod(this, "RunPostedTasks", Qt::QueuedConnection);
    }
}

void MainWindow::RunPostedTasks() {
    std::deque<std::function<void()>> batch;
    {
        const std::lock_guard<std::mutex> lock(postedMutex_);
        batch.swap(posted_);
    }
    // Tasks posted while these run wait for the next event, after the
    // window's events that came meanwhile.
    while (!batch.empty()) {
        const std::function<void()> task = std::move(batch.front());
        batch.pop_front();
        try {
            task();
        } catch (...) {
            // The failure goes on to be shown; the rest still runs, first.
            bool wake = false;
            if (!batch.empty()) {
                const std::lock_guard<std::mutex> lock(postedMutex_);
                wake = posted_.empty();
                posted_.insert(posted_.begin(), std::make_move_iterator(batch.begin()),
                               std::make_move_iterator(batch.end()));
            }
            if (wake) {
                QMetaObject::invokeMethod(this, "RunPostedTasks", Qt::QueuedConnection);
            }
            throw;
        }
    }
}

void MainWindow::ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) {
    const QString folder = FolderName(sourceFolder);
    const QString text = ProcessingText(done, total);
    ShowProcessingText(text);
    const QFontMetrics metrics(processingFolderLabel_->font());
    processingFolderLabel_->setText(metrics.elidedText(folder, Qt::ElideMiddle, processingFolderLabel_->width()));
    tray_->SetActivity(text + QStringLiteral(" (") + folder + QStringLiteral(")"));
}

void MainWindow::ShowProcessing(bool visible) {
    if (!visible) {
        ShowProcessingText(QStringLiteral("Traitement en cours"));
        processingFolderLabel_->clear();
        tray_->SetActivity({});
    }
    processingLabel_->setVisible(visible);
    processingFolderLabel_->setVisible(visible);
}

void MainWindow::ShowProcessingText(const QString& text) {
    processingLabel_->setText(text);
    processingLabel_->adjustSize();
    CentreBetweenButtons(processingLabel_);
}

void MainWindow::RunFinished() {
    // Whatever request ended: an open error window follows the ErrorList
    // (emptied by a run that found no failure), and the list its jobs.
    if (errorWindow_ != nullptr) {
        errorWindow_->FollowRun(runner_.errorList());
    }
    RefreshJobList();
    if (life_ == Life::ClosingAfterRun && !runner_.busy()) {
        // In an event of its own: the runner is still on the stack.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A run in progress stops first (within a block of data, its temporary
    // archive removed); the window closes once it has ended.
    if (runner_.Quit()) {
        life_ = Life::ClosingAfterRun;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    emit Closed();
}

} // namespace vantorel

// The main window as the host of the runs: the long archive and extract
// steps on a worker thread while the window keeps answering, their progress
// beside "Traitement en cours" and in the icon's tip, and a close during a
// run, which stops the run first.
#include "app/main_window.h"

#include "ui/error_window.h"
#include "ui/tray_icon.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFontMetrics>
#include <QLabel>
#include <QTimer>

#include <exception>
#include <thread>

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

} // namespace

void MainWindow::RunStep(const std::string& sourceFolder, const LongStep& step) {
    stepFolder_ = FolderName(sourceFolder);
    stepDone_.store(0, std::memory_order_relaxed);
    stepTotal_.store(0, std::memory_order_relaxed);
    stepRunning_ = true;
    ShowStepProgress();
    progressTimer_->start();

    // The step works only on the copies its closure holds; the job list
    // stays on this thread, where the events handled meanwhile may change it.
    std::exception_ptr failure;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        try {
            step([this](std::uint64_t done, std::uint64_t total) {
                stepTotal_.store(total, std::memory_order_relaxed);
                stepDone_.store(done, std::memory_order_relaxed);
            });
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true;
        // Wakes the loop below, which may be waiting for an event.
        QMetaObject::invokeMethod(
            this, [] {}, Qt::QueuedConnection);
    });
    // The window's events meanwhile, as a nested event loop would handle
    // them; unlike one, nothing but the step's end can make this one leave.
    while (!finished) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    worker.join();

    progressTimer_->stop();
    stepRunning_ = false;
    lbTraitement_->setText(ProcessingText());
    lbTraitement_->adjustSize();
    CentreBetweenButtons(lbTraitement_);
    lbTraitementDossier_->hide();
    tray_->SetActivity({});
    if (failure) {
        std::rethrow_exception(failure);
    }
}

QString MainWindow::ProcessingText() const {
    if (!stepRunning_) {
        return QStringLiteral("Traitement en cours");
    }
    const std::uint64_t total = stepTotal_.load(std::memory_order_relaxed);
    const std::uint64_t done = std::min(stepDone_.load(std::memory_order_relaxed), total);
    // An empty folder is done at once.
    const int percent =
        total == 0 ? 0 : static_cast<int>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
    return QStringLiteral("Traitement en cours — %1 %").arg(percent);
}

void MainWindow::ShowStepProgress() {
    const QString text = ProcessingText();
    lbTraitement_->setText(text);
    lbTraitement_->adjustSize();
    CentreBetweenButtons(lbTraitement_);
    const QFontMetrics metrics(lbTraitementDossier_->font());
    lbTraitementDossier_->setText(metrics.elidedText(stepFolder_, Qt::ElideMiddle, lbTraitementDossier_->width()));
    lbTraitementDossier_->setVisible(lbTraitement_->isVisible());
    tray_->SetActivity(text + QStringLiteral(" (") + stepFolder_ + QStringLiteral(")"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (runner_.busy()) {
        // The run stops first (within a block of data, its temporary archive
        // removed); the window closes once the run has returned.
        runner_.RequestStop();
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
    emit Closed();
}

void MainWindow::AfterRun(bool ran) {
    if (ran && errorWindow_ != nullptr) {
        // An open error window follows the latest run, emptied when it found no failure.
        errorWindow_->FollowRun(runner_.errorList());
    }
    if (closeAfterRun_ && !runner_.busy()) {
        closeAfterRun_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

} // namespace vantorel

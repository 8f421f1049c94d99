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
    // Queued to this window's thread; dropped with the window.
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void MainWindow::ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) {
    const QString folder = FolderName(sourceFolder);
    const QString text = ProcessingText(done, total);
    ShowProcessingText(text);
    const QFontMetrics metrics(lbTraitementDossier_->font());
    lbTraitementDossier_->setText(metrics.elidedText(folder, Qt::ElideMiddle, lbTraitementDossier_->width()));
    tray_->SetActivity(text + QStringLiteral(" (") + folder + QStringLiteral(")"));
}

void MainWindow::ShowProcessing(bool visible) {
    if (!visible) {
        ShowProcessingText(QStringLiteral("Traitement en cours"));
        lbTraitementDossier_->clear();
        tray_->SetActivity({});
    }
    lbTraitement_->setVisible(visible);
    lbTraitementDossier_->setVisible(visible);
}

void MainWindow::ShowProcessingText(const QString& text) {
    lbTraitement_->setText(text);
    lbTraitement_->adjustSize();
    CentreBetweenButtons(lbTraitement_);
}

void MainWindow::RunFinished() {
    // Whatever request ended: an open error window follows the ErrorList
    // (emptied by a run that found no failure), and the list its jobs.
    if (errorWindow_ != nullptr) {
        errorWindow_->SetErrors(runner_.errorList());
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

// The commands of the main window: the buttons, the job list's menu, its keys
// and mouse, the drag handle and the logo.
#include "app/main_window.h"

#include "jobs/job_operations.h"
#include "runs/run_log.h"
#include "ui/centre_over.h"
#include "ui/edit_window.h"
#include "ui/error_window.h"
#include "ui/folder_picker.h"
#include "ui/frequency_row.h"
#include "ui/grey_overlay.h"
#include "ui/help_window.h"
#include "ui/image_button.h"
#include "ui/next_run_hint.h"
#include "ui/options_window.h"
#include "ui/shown_position.h"
#include "ui/texts.h"
#include "ui/yes_no_dialog.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWindow>

namespace vantorel {

namespace {

// How long the window must stay still, while the window system moves it for
// a drag, before the place it reached is stored.
constexpr int kSystemMoveSettleMs = 400;

std::string Text(const QLineEdit* field) {
    return field->text().toStdString();
}

} // namespace

void MainWindow::ConnectCommands() {
    const auto button = [this](const char* name) { return findChild<ImageButton*>(QString::fromLatin1(name)); };
    connect(button("ImageAjouter"), &ImageButton::clicked, this, &MainWindow::AddJob);
    connect(button("ImageModifier"), &ImageButton::clicked, this, &MainWindow::EditSelected);
    connect(button("ImageSupprimer"), &ImageButton::clicked, this, &MainWindow::DeleteSelected);
    connect(button("ImageSource"), &ImageButton::clicked, this,
            [this] { OpenPicker(PickerMode::Source, sourceField_); });
    connect(button("ImageDestination"), &ImageButton::clicked, this,
            [this] { OpenPicker(PickerMode::Destination, destinationField_); });
    connect(button("ImageOptions"), &ImageButton::clicked, this, &MainWindow::ShowOptions);
    connect(button("ImageAide"), &ImageButton::clicked, this, &MainWindow::ShowHelp);
    connect(button("ImageReduire"), &ImageButton::clicked, this, &MainWindow::MinimiseToTray);
    connect(button("ImageFermer"), &ImageButton::clicked, this, &QWidget::close);
    connect(jobList_, &QListWidget::itemDoubleClicked, this, &MainWindow::EditSelected);
    connect(jobList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        // The menu opens at the pointer where the window really is.
        FollowShownPosition(this);
        jobMenu_->popup(jobList_->viewport()->mapToGlobal(at));
    });
}

void MainWindow::RunDuePass() {
    runner_.DuePass();
}

void MainWindow::AddJob() {
    const JobSettings settings{Text(sourceField_), Text(destinationField_),
                               Schedule::FromPositions(frequencyRow_->positions())};
    std::optional<std::size_t> row;
    const std::size_t rowsBefore = store_.size();
    try {
        row = vantorel::AddJob(store_, settings, Now(), [this](Question question) { return AskYesNo(question); });
    } catch (const Error& error) {
        // A job whose section could not be written would be gone at the next
        // start: the list shows what the file holds. During a run the list
        // is not swapped under it; the unsaved row alone goes.
        if (!runner_.busy()) {
            store_.LoadJobList();
        } else if (store_.size() > rowsBefore) {
            store_.RemoveRow(store_.size() - 1);
        }
        RefreshJobList();
        ShowFailure(this, error);
        return;
    }
    if (!row) {
        return;
    }
    RefreshJobList();
    SelectRow(*row);
    runner_.RunNewJob(*row);
}

void MainWindow::EditSelected() {
    const std::optional<std::size_t> row = SelectedRow();
    if (!row || picker_ == nullptr || overlays_ == nullptr) {
        return;
    }
    JobSettings stored;
    try {
        stored = SettingsOfJob(store_.at(*row));
    } catch (const Error& error) {
        ShowFailure(this, error);
        return;
    }
    EditWindow edit(*picker_, *overlays_, this);
    edit.Preload(stored, frequencyRow_->dayLabels());
    edit.SetValidator([this, &edit](const JobSettings& settings) {
        // The job edited is the one selected when the values are validated.
        const std::optional<std::size_t> current = SelectedRow();
        if (!current) {
            return true;
        }
        const auto ask = [this, &edit](Question question) {
            return vantorel::AskYesNo(*overlays_, &edit, QuestionText(question));
        };
        try {
            return ValidateEdit(store_, *current, settings, ask);
        } catch (const Error& error) {
            ShowFailure(&edit, error);
        } catch (const std::out_of_range&) {
            // A list left without a selection (a stored position outside it):
            // the window stays open until the user picks an entry.
        }
        return false;
    });
    CentreOver(this, &edit);
    overlays_->ShowOverlay(this, OverlaySlot::EditWindow);
    const int result = edit.exec();
    overlays_->HideOverlay(OverlaySlot::EditWindow);
    if (result == QDialog::Accepted) {
        RefreshJobList();
        SelectRow(*row);
    }
}

void MainWindow::DeleteSelected() {
    const std::optional<std::size_t> row = SelectedRow();
    if (!row) {
        return;
    }
    bool removed = false;
    try {
        removed = DeleteJob(store_, *row, [this](Question question) { return AskYesNo(question); });
    } catch (const Error& error) {
        RefreshJobList();
        ShowFailure(this, error);
        return;
    }
    if (removed) {
        // No line is selected after a delete.
        RefreshJobList();
    }
}

void MainWindow::RunSelected() {
    runner_.RunSelected(SelectedRow());
}

void MainWindow::RunAll() {
    runner_.RunAll();
}

void MainWindow::RestoreSelected() {
    runner_.Restore(SelectedRow());
}

std::optional<std::string> MainWindow::LastSuccessText(int row) const {
    if (runLog_ == nullptr || row < 0 || static_cast<std::size_t>(row) >= store_.size()) {
        return std::nullopt;
    }
    const BackupJob& job = store_.at(static_cast<std::size_t>(row));
    const std::optional<DateTime> last = runLog_->LastSuccess(job.destination, job.reference);
    if (!last) {
        return std::nullopt;
    }
    return FormatDateTimeText(*last);
}

void MainWindow::OpenPicker(PickerMode mode, QLineEdit* field) {
    if (picker_ == nullptr || overlays_ == nullptr) {
        return;
    }
    OpenFolderPicker(*picker_, *overlays_, this, mode, field);
}

void MainWindow::ShowOptions() {
    if (options_ == nullptr) {
        return;
    }
    CentreOver(this, options_);
    KeepAbove(this, options_);
    options_->show();
    options_->raise();
}

void MainWindow::ShowHelp() {
    if (help_ == nullptr) {
        return;
    }
    CentreOver(this, help_);
    help_->exec();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == moveHandle_) {
        return HandleDragEvent(event);
    }
    if (watched == logo_ && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && logo_->rect().contains(mouse->position().toPoint())) {
            // Whether a browser opened is the desktop's business; there is nothing to tell the user.
            (void)QDesktopServices::openUrl(QUrl(QStringLiteral(VANTOREL_WEBSITE)));
        }
        return true;
    }
    if (watched == jobList_->viewport() && event->type() == QEvent::MouseMove) {
        const int y = static_cast<QMouseEvent*>(event)->position().toPoint().y();
        NextRunHint(
            jobList_, y,
            [this](int row) -> std::optional<std::string> {
                if (row < 0 || static_cast<std::size_t>(row) >= store_.size()) {
                    return std::nullopt;
                }
                return store_.at(static_cast<std::size_t>(row)).nextRun;
            },
            [this](int row) -> std::optional<std::string> { return LastSuccessText(row); });
        return false;
    }
    if (watched == jobList_ && event->type() == QEvent::KeyRelease) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && !key->isAutoRepeat()) {
            DeleteSelected();
            return true;
        }
        // Enter on a job opens its edit window, as a double click does.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat()) {
            EditSelected();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainWindow::HandleDragEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // Any mouse button starts the drag. Where it can, the window system
        // moves the window itself: a compositor may ignore a client moving
        // its own window (XWayland's under weston does), and native Wayland
        // allows no other way.
        dragStart_ = static_cast<QMouseEvent*>(event)->position().toPoint();
        dragging_ = true;
        systemMove_ = windowHandle() != nullptr && windowHandle()->startSystemMove();
        systemMoveFrom_ = pos();
        return true;
    case QEvent::MouseMove:
        if (dragging_) {
            const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
            // The grabbed point stays under the pointer.
            move(at.x() + x() - dragStart_.x(), at.y() + y() - dragStart_.y());
        }
        return true;
    case QEvent::MouseButtonRelease:
        // A move by the window system hands the window a release at once,
        // before the window has moved: its end is found from the moves.
        if (dragging_ && !systemMove_) {
            SaveWindowPosition();
        }
        return true;
    default:
        return false;
    }
}

void MainWindow::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    // The pointer comes back to the window once the window system lets it go
    // after moving it: the drag is over. (It may come back once before the
    // window has moved, as the window system takes the pointer.)
    if (systemMove_ && pos() != systemMoveFrom_) {
        const bool unsaved = systemMoveSettled_ != nullptr && systemMoveSettled_->isActive();
        EndSystemMove();
        if (unsaved) {
            SaveWindowPosition();
        }
    }
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    if (!systemMove_) {
        return;
    }
    if (systemMoveSettled_ == nullptr) {
        systemMoveSettled_ = new QTimer(this);
        systemMoveSettled_->setSingleShot(true);
        systemMoveSettled_->setInterval(kSystemMoveSettleMs);
        // A pause stores the place reached; moves after it, still of the
        // same drag, store theirs in turn.
        connect(systemMoveSettled_, &QTimer::timeout, this, &MainWindow::SaveWindowPosition);
    }
    systemMoveSettled_->start();
}

void MainWindow::EndSystemMove() {
    systemMove_ = false;
    if (systemMoveSettled_ != nullptr) {
        systemMoveSettled_->stop();
    }
}

} // namespace vantorel

// The main window and the notification area: the start-up check, minimising
// to the icon and back, and the stored window position.
#include "app/main_window.h"

#include "platform/autostart.h"
#include "platform/errors.h"
#include "ui/error_window.h"
#include "ui/help_window.h"
#include "ui/options_window.h"
#include "ui/texts.h"
#include "ui/tray_icon.h"
#include "ui/window_placement.h"

#include <QCoreApplication>
#include <QLabel>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <string>
#include <utility>

namespace vantorel {

namespace {

// How often a missing notification area is looked for again (2 s apart):
// at logon the desktop's panel may come up a few seconds after us.
constexpr int kTrayRetries = 10;

std::filesystem::path ExecutablePath() {
    return QCoreApplication::applicationFilePath().toStdString();
}

} // namespace

QRect MainWindow::MoveHandleBounds() const {
    return moveHandle_->geometry();
}

void MainWindow::StartupMinimiseCheck() {
    // The check is about starting: after "Restaurer" it would minimise the
    // window the user has just asked back (with ReduireProg = "TRUE").
    if (life_ != Life::Starting) {
        return;
    }
    try {
        // Placed before it is first shown, so it never appears elsewhere first.
        const WindowPosition position = settings_.ReadWindowPosition();
        PlaceOnScreen(this, QPoint(position.left, position.top), MoveHandleBounds());
        std::string minimiseAtStart = settings_.ReadReduireProg();
        if (minimiseAtStart != kOptionTrue && minimiseAtStart != kOptionFalse) {
            // The first start: start with the session, stay visible.
            SetRunAtLogon(configHome_, ExecutablePath());
            settings_.WriteReduireProg(false);
            settings_.WriteLanceProg(true);
            minimiseAtStart = kOptionFalse;
        }
        if (minimiseAtStart == kOptionTrue) {
            MinimiseToTray();
        } else {
            show();
            life_ = Life::Shown;
        }
    } catch (const Error& error) {
        // A bad stored position stops the check here, minimise included.
        ShowFailure(this, error);
    }
}

void MainWindow::MinimiseToTray() {
    if (life_ == Life::ClosingAfterRun) {
        return; // the program is ending
    }
    trayRetry_->stop();
    if (TrayIcon::Available()) {
        // A hidden window has no task bar button: only the icon remains.
        HideOwnWindows();
        hide();
        tray_->Add();
        life_ = Life::InTray;
        return;
    }
    // No notification area to put the icon in: hiding the window would leave
    // a program nobody can see or reach. It goes to the task bar instead
    // (at the start, without showing normal first), and moves to the
    // notification area should one appear soon after.
    showMinimized();
    life_ = Life::Shown;
    trayRetriesLeft_ = kTrayRetries;
    trayRetry_->start();
}

void MainWindow::RetryMinimiseToTray() {
    // The user brought the window back from the task bar meanwhile.
    if (!isVisible() || !isMinimized()) {
        trayRetry_->stop();
        return;
    }
    if (TrayIcon::Available()) {
        trayRetry_->stop();
        HideOwnWindows();
        hide();
        tray_->Add();
        life_ = Life::InTray;
        return;
    }
    --trayRetriesLeft_;
    if (trayRetriesLeft_ <= 0) {
        trayRetry_->stop();
    }
}

void MainWindow::ShowFromTray(bool byMenu) {
    if (life_ == Life::Starting || life_ == Life::ClosingAfterRun) {
        return; // not started yet, or ending
    }
    tray_->Remove();
    showNormal();
    raise();
    activateWindow();
    ShowOwnWindowsAgain();
    life_ = Life::Shown;
    ShowUnseenFailures();
    // The menu shows the window again with its show steps; the double click
    // only brings it back.
    if (byMenu) {
        RunShowSteps();
    }
}

void MainWindow::HideOwnWindows() {
    hiddenWithMe_.clear();
    for (QWidget* window :
         {static_cast<QWidget*>(errorWindow_), static_cast<QWidget*>(options_), static_cast<QWidget*>(help_)}) {
        if (window == static_cast<QWidget*>(errorWindow_) && window->isVisible() && !errorWindow_->errors().empty()) {
            // Failures just shown (a minimise at start follows the first pass
            // at once) are not seen yet: they come back with the window.
            NoteUnseenFailures(errorWindow_->errors());
            window->hide();
            continue;
        }
        if (window != nullptr && window->isVisible()) {
            hiddenWithMe_.emplace_back(window);
            // Hiding the help window ends its modal loop: it is opened anew on the way back.
            window->hide();
        }
    }
}

void MainWindow::ShowOwnWindowsAgain() {
    for (const QPointer<QWidget>& window : std::exchange(hiddenWithMe_, {})) {
        if (window == nullptr) {
            continue;
        }
        if (window == static_cast<QWidget*>(help_)) {
            QTimer::singleShot(0, this, &MainWindow::ShowHelp);
        } else {
            window->show();
            window->raise();
        }
    }
}

void MainWindow::NoteUnseenFailures(const std::vector<ErrorEntry>& errors) {
    for (const ErrorEntry& error : errors) {
        // A job failing pass after pass is one failure to see, at its latest.
        const auto same = std::find_if(unseenErrors_.begin(), unseenErrors_.end(),
                                       [&error](const ErrorEntry& unseen) { return unseen.jobId == error.jobId; });
        if (same != unseenErrors_.end()) {
            *same = error;
        } else {
            unseenErrors_.push_back(error);
        }
    }
    tray_->SetUnseenFailures(unseenErrors_.size());
}

void MainWindow::ShowUnseenFailures() {
    if (unseenErrors_.empty() || errorWindow_ == nullptr) {
        return;
    }
    const std::vector<ErrorEntry> unseen = std::exchange(unseenErrors_, {});
    tray_->SetUnseenFailures(0);
    ShowErrorList(unseen);
    // The pass of the show steps, a moment later, must not empty the list
    // before the user has read it.
    errorWindow_->Hold(unseen);
}

void MainWindow::SaveWindowPosition() {
    dragging_ = false;
    try {
        settings_.WriteWindowPosition(WindowPosition{y(), x()});
    } catch (const Error& error) {
        ShowFailure(this, error);
    }
}

} // namespace vantorel

// The main window's lifecycle (creation, start, every show, destruction) and
// what the backup runs ask of it.
#include "app/main_window.h"

#include "runs/run_log.h"
#include "schedule/frequency.h"
#include "ui/cause_text.h"
#include "ui/centre_over.h"
#include "ui/error_window.h"
#include "ui/frequency_row.h"
#include "ui/skin.h"
#include "ui/texts.h"
#include "ui/tray_icon.h"
#include "ui/yes_no_dialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>

namespace vantorel {

namespace {

constexpr int kDueTimerIntervalMs = 60000;
constexpr int kTrayRetryIntervalMs = 2000;

} // namespace

MainWindow::MainWindow(std::filesystem::path settingsFolder, std::filesystem::path configHome, Clock clock)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), store_(settingsFolder), runner_(store_, *this),
      clock_(std::move(clock)), settings_(std::move(settingsFolder)), configHome_(std::move(configHome)),
      tray_(std::make_unique<TrayIcon>()) {
    // The application's title.
    setObjectName(QStringLiteral("FormMain"));
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Vantorel"));
    setWindowTitle(QStringLiteral("Vantorel"));
    setFixedSize(628, 491);
    setPalette(SkinPalette(kSkinDarkGrey));
    setAutoFillBackground(true);
    setFont(SkinFont(11));

    BuildTitleBar();
    QFrame* outer = MakePanel(this, QStringLiteral("PanelFond"), 6, 46, 616, 439, kSkinBackground);
    outer->setFrameStyle(QFrame::NoFrame);
    BuildNewJobPanel(outer);
    BuildJobList(outer);
    BuildMenu();

    dueTimer_ = new QTimer(this);
    dueTimer_->setObjectName(QStringLiteral("TimerLanceSave"));
    dueTimer_->setInterval(kDueTimerIntervalMs);
    connect(dueTimer_, &QTimer::timeout, this, &MainWindow::RunDuePass);
    trayRetry_ = new QTimer(this);
    trayRetry_->setObjectName(QStringLiteral("TimerCherchePanneau"));
    trayRetry_->setInterval(kTrayRetryIntervalMs);
    connect(trayRetry_, &QTimer::timeout, this, &MainWindow::RetryMinimiseToTray);
    connect(tray_.get(), &TrayIcon::Activated, this, [this] { ShowFromTray(false); });
    connect(tray_.get(), &TrayIcon::ShowRequested, this, [this] { ShowFromTray(true); });
    connect(tray_.get(), &TrayIcon::QuitRequested, this, &QWidget::close);
    ConnectCommands();
    // The due timer counts from the window's creation.
    dueTimer_->start();
}

// The icon leaves the notification area with the program. A run still in
// progress (the window destroyed without being closed) is stopped by the
// runner's own end.
MainWindow::~MainWindow() {
    tray_->Remove();
}

void MainWindow::SetRunLogFolder(const std::filesystem::path& folder) {
    runLog_ = std::make_unique<RunLog>(folder);
    runner_.SetRunLog(runLog_.get());
}

void MainWindow::AttachWindows(FolderPicker* picker, GreyOverlay* overlays, ErrorWindow* errors, OptionsWindow* options,
                               HelpWindow* help) {
    picker_ = picker;
    overlays_ = overlays;
    errorWindow_ = errors;
    options_ = options;
    help_ = help;
    if (errorWindow_ != nullptr) {
        errorWindow_->SetNextRunOfJob([this](std::uint64_t jobId) -> std::optional<std::string> {
            const std::optional<std::size_t> row = store_.RowOf(jobId);
            if (!row) {
                return std::nullopt;
            }
            return store_.at(*row).nextRun;
        });
    }
}

void MainWindow::Start() {
    if (life_ != Life::Starting) {
        return;
    }
    StartupMinimiseCheck();
    if (life_ == Life::Starting) {
        // The check stopped early (a bad stored position): the window shows
        // where it is, as after any failed check.
        show();
        life_ = Life::Shown;
    }
    RunShowSteps();
}

void MainWindow::RunShowSteps() {
    // The folder tree is loaded by the picker itself, on its own model thread,
    // from its creation on: there is nothing to preload here.
    try {
        RefillDayList();
        // A request in progress or waiting names its jobs by id: reloading
        // the list would give them new ids and lose the runs' results.
        if (!runner_.busy()) {
            store_.LoadJobList();
            // A newest archive a killed run left waiting for its name gets it
            // now, not only at that job's next run.
            runner_.RecoverAll();
            RefreshJobList();
            // The field shows the destination of the last job loaded.
            if (store_.size() > 0) {
                destinationField_->setText(QString::fromStdString(store_.jobs().back().destination));
            }
        }
        // The pass starts in an event of its own, after the window's paint.
        RunDuePass();
    } catch (const std::exception&) {
        // A failure ends the show steps without a message; the window stays usable.
    }
}

void MainWindow::RefillDayList() {
    frequencyRow_->SetDayLabels(Labels(kDayLabels));
}

void MainWindow::RefreshJobList() {
    // The job selected stays selected, wherever its row is now; each line
    // knows its job, since the rows may have changed under the list.
    const QList<QListWidgetItem*> selected = jobList_->selectedItems();
    const std::optional<std::uint64_t> selectedJob =
        selected.isEmpty() ? std::nullopt
                           : std::optional<std::uint64_t>(selected.front()->data(Qt::UserRole).toULongLong());
    const int scrolled = jobList_->verticalScrollBar()->value();
    jobList_->clear();
    for (const BackupJob& job : store_.jobs()) {
        auto* line = new QListWidgetItem(QString::fromStdString(job.designation), jobList_);
        line->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(job.id));
    }
    if (selectedJob) {
        if (const std::optional<std::size_t> row = store_.RowOf(*selectedJob)) {
            SelectRow(*row);
        }
    }
    jobList_->verticalScrollBar()->setValue(scrolled);
}

void MainWindow::SelectRow(std::size_t row) {
    if (row < static_cast<std::size_t>(jobList_->count())) {
        jobList_->setCurrentRow(static_cast<int>(row));
    }
}

std::optional<std::size_t> MainWindow::SelectedRow() const {
    const QList<QListWidgetItem*> selected = jobList_->selectedItems();
    if (selected.isEmpty()) {
        return std::nullopt;
    }
    const int row = jobList_->row(selected.front());
    if (row < 0 || static_cast<std::size_t>(row) >= store_.size()) {
        return std::nullopt;
    }
    return static_cast<std::size_t>(row);
}

DateTime MainWindow::Now() {
    return clock_();
}

void MainWindow::ShowErrorList(const std::vector<ErrorEntry>& errors) {
    if (errorWindow_ == nullptr) {
        return;
    }
    // Over a window in the notification area the list would show alone, or
    // not at all: the icon tells, and the list waits for the window.
    if (tray_->shown()) {
        NoteUnseenFailures(errors);
        return;
    }
    errorWindow_->SetErrors(errors);
    if (life_ == Life::InTray) {
        // Shown with the main window when it comes back from the notification area.
        if (std::find(hiddenWithMe_.begin(), hiddenWithMe_.end(), errorWindow_) == hiddenWithMe_.end()) {
            hiddenWithMe_.emplace_back(errorWindow_);
        }
        return;
    }
    CentreOver(this, errorWindow_);
    KeepAbove(this, errorWindow_);
    errorWindow_->show();
    errorWindow_->raise();
    // The pass at start-up runs while the main window is being shown, before
    // the window system has mapped it: raise the list once more after that,
    // or the newly mapped main window would cover it.
    QTimer::singleShot(0, errorWindow_, [window = errorWindow_] {
        if (window->isVisible()) {
            window->raise();
        }
    });
}

void MainWindow::SetDueTimerEnabled(bool enabled) {
    if (enabled) {
        dueTimer_->start();
    } else {
        dueTimer_->stop();
    }
}

bool MainWindow::AskYesNo(Question question) {
    if (overlays_ == nullptr) {
        return false;
    }
    return vantorel::AskYesNo(*overlays_, this, QuestionText(question));
}

void MainWindow::ShowRestoreProblems(const RestoreProblems& problems) {
    if (overlays_ == nullptr) {
        return;
    }
    if (problems.archive) {
        ShowNotice(*overlays_, this,
                   QStringLiteral("La restauration n'a rien rétabli :\r\n") + CauseText(*problems.archive));
        return;
    }
    QString text = QStringLiteral("La restauration n'a pas pu rétablir %1 fichier(s) :").arg(problems.count);
    for (const std::string& name : problems.firstNames) {
        text += QStringLiteral("\r\n") + QString::fromStdString(name);
    }
    if (problems.count > problems.firstNames.size()) {
        text += QStringLiteral("\r\n…");
    }
    ShowNotice(*overlays_, this, text);
}

} // namespace vantorel

#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

// moc cannot parse the C++20 standard headers the core pulls in; it needs
// none of the core's types to do its work.
#ifndef Q_MOC_RUN
#include "options/program_options.h"
#include "runs/backup_runner.h"
#include "runs/run_host.h"
#endif

#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QTimer;

namespace vantorel {

class ErrorWindow;
class FolderPicker;
class FrequencyRow;
class GreyOverlay;
class HelpWindow;
class ImageButton;
class OptionsWindow;
enum class PickerMode;
class RunLog;
class TrayIcon;

// The main window: the new-job panel, the job list with its context menu and
// the due timer. It owns the job list and is the host of the backup runs: it
// posts run requests to the runner and shows what the runner reports.
class MainWindow : public QWidget, public RunHost {
    Q_OBJECT

public:
    using Clock = std::function<DateTime()>;

    // The window's life. Starting -> Shown or InTray (Start); Shown <-> InTray
    // (MinimiseToTray, ShowFromTray); Shown or InTray -> ClosingAfterRun
    // (closed while a run is in progress), which ends the program once the
    // run has stopped. A close with no run in progress ends it at once.
    enum class Life {
        Starting,        // created, never shown yet
        Shown,           // on screen, or minimised to the task bar when there is no notification area
        InTray,          // hidden, with the notification-area icon
        ClosingAfterRun, // the user closed it during a run: the run stops, then the program ends
    };

    // settingsFolder holds ListeSave.ini and Vantorel.ini; configHome is the
    // user's configuration folder, where the start-with-session entry goes
    // (empty: there is none); clock gives the current local time.
    MainWindow(std::filesystem::path settingsFolder, std::filesystem::path configHome, Clock clock);
    ~MainWindow() override;

    // The windows created after this one at start-up, which the commands open.
    void AttachWindows(FolderPicker* picker, GreyOverlay* overlays, ErrorWindow* errors, OptionsWindow* options,
                       HelpWindow* help);

    // The start of the program: the window goes to its stored place, or
    // straight to the notification area when the options ask for it, without
    // showing first; then the show steps run, then the first due pass.
    void Start();
    Life life() const { return life_; }

    const JobStore& store() const { return store_; }
    // Where the run log goes (the user's state folder for the program);
    // empty: no log is kept.
    void SetRunLogFolder(const std::filesystem::path& folder);
    const BackupRunner& runner() const { return runner_; }
    // The selected row of the job list, if any.
    std::optional<std::size_t> SelectedRow() const;

    // RunHost
    DateTime Now() override;
    void Post(std::function<void()> task) override;
    void ShowProcessing(bool visible) override;
    void ShowStepProgress(const std::string& sourceFolder, std::uint64_t done, std::uint64_t total) override;
    void ShowErrorList(const std::vector<ErrorEntry>& errors) override;
    void SetDueTimerEnabled(bool enabled) override;
    bool AskYesNo(Question question) override;
    void ShowRestoreProblems(const RestoreProblems& problems) override;
    void RunFinished() override;

    // The commands of the window, as the buttons, the menu and the keys call them.
    void AddJob();
    void EditSelected();
    void DeleteSelected();
    void RunSelected();
    void RunAll();
    void RestoreSelected();
    // Runs the jobs that are due (every minute, and at every show).
    void RunDuePass();
    // The start-up check, before the window is first shown: the stored
    // window position, the first-start defaults, and the minimise at start
    // when it is asked for. It acts once, while the window is Starting.
    void StartupMinimiseCheck();

    // The notification area: ImageReduire and the start-up check minimise to
    // it; a double click on the icon brings the window back as it was,
    // "Restaurer" shows it again (its show steps run), "Quitter" closes it.
    void MinimiseToTray();
    void ShowFromTray(bool byMenu);
    TrayIcon& trayIcon() const { return *tray_; }
    // Where the move handle lies in the window: the part that must stay on a screen.
    QRect MoveHandleBounds() const;
    // The end of a drag on the move handle: the window's place goes to Vantorel.ini.
    void SaveWindowPosition();

signals:
    // The window was closed by the user: the program ends.
    void Closed();

protected:
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Runs the tasks posted (Post) before this event, in order.
    void RunPostedTasks();

private:
    // Building the controls (main_window_controls.cpp).
    void BuildTitleBar();
    void BuildNewJobPanel(QWidget* outer);
    void BuildJobList(QWidget* outer);
    void BuildMenu();
    void ConnectCommands();

    // At the start and at every "Restaurer": the day list, the job list, the due pass.
    void RunShowSteps();
    void RetryMinimiseToTray();
    // The program's other open windows go with the main window into the
    // notification area and come back with it, as they were.
    void HideOwnWindows();
    void ShowOwnWindowsAgain();
    void RefillDayList();
    void RefreshJobList();
    // Failures of runs while the window sat in the notification area: the
    // icon tells of them, and the error window shows them on the way back.
    void NoteUnseenFailures(const std::vector<ErrorEntry>& errors);
    void ShowUnseenFailures();
    // The main list's hint: when the job of a row last backed up well.
    std::optional<std::string> LastSuccessText(int row) const;
    void SelectRow(std::size_t row);
    void OpenPicker(PickerMode mode, QLineEdit* field);
    bool HandleDragEvent(QEvent* event);
    void EndSystemMove();
    void ShowOptions();
    void ShowHelp();

    // The room for "Traitement en cours" between OPTIONS and MODIFIER.
    static constexpr int kProcessingLeft = 124;
    static constexpr int kProcessingRight = 376;
    static void CentreBetweenButtons(QWidget* label);
    void ShowProcessingText(const QString& text);

    // The tasks posted to this thread (Post), handed over under a lock of
    // our own. Declared before the runner: its worker may still post while
    // the runner stops, as the window is destroyed.
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;

    JobStore store_;
    BackupRunner runner_;
    Clock clock_;
    ProgramOptions settings_;
    std::filesystem::path configHome_;
    std::unique_ptr<TrayIcon> tray_;
    std::unique_ptr<RunLog> runLog_;
    std::vector<ErrorEntry> unseenErrors_;

    FolderPicker* picker_ = nullptr;
    GreyOverlay* overlays_ = nullptr;
    ErrorWindow* errorWindow_ = nullptr;
    OptionsWindow* options_ = nullptr;
    HelpWindow* help_ = nullptr;

    QLabel* moveHandle_ = nullptr;
    QLabel* logo_ = nullptr;
    QLineEdit* sourceField_ = nullptr;
    QLineEdit* destinationField_ = nullptr;
    FrequencyRow* frequencyRow_ = nullptr;
    QLabel* processingLabel_ = nullptr;
    QLabel* processingFolderLabel_ = nullptr;
    QListWidget* jobList_ = nullptr;
    QMenu* jobMenu_ = nullptr;
    QTimer* dueTimer_ = nullptr;
    // Looks again, for a while, for a notification area that was missing.
    QTimer* trayRetry_ = nullptr;
    int trayRetriesLeft_ = 0;
    std::vector<QPointer<QWidget>> hiddenWithMe_;
    Life life_ = Life::Starting;

    // The drag handle: the point where a button went down, within the picture.
    bool dragging_ = false;
    QPoint dragStart_;
    // The window system moves the window for the drag; the position is
    // stored when the moves pause and when the pointer comes back.
    bool systemMove_ = false;
    QPoint systemMoveFrom_;
    QTimer* systemMoveSettled_ = nullptr;
};

} // namespace vantorel

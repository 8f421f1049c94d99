#pragma once

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

// moc cannot parse the C++20 standard headers the core pulls in; it needs
// none of the core's types to do its work.
#ifndef Q_MOC_RUN
#include "jobs/program_options.h"
#include "runs/backup_runner.h"
#include "runs/run_host.h"
#endif

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
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
class GreyOverlay;
class HelpWindow;
class ImageButton;
class OptionsWindow;
enum class PickerMode;
class RunLog;
class SkinComboBox;
class TrayIcon;

// The main window: the new-job panel, the job list with its context menu and
// the two timers. It owns the job list and is the host of the backup runs.
class MainWindow : public QWidget, public RunHost {
    Q_OBJECT

public:
    using Clock = std::function<DateTime()>;

    // programFolder holds ListeSave.ini and Vantorel.ini; configHome is the
    // user's configuration folder, where the start-with-session entry goes
    // (empty: there is none); clock gives the current local time.
    MainWindow(std::filesystem::path programFolder, std::filesystem::path configHome, Clock clock);
    ~MainWindow() override;

    // The windows created after this one at start-up, which the commands open.
    void AttachWindows(FolderPicker* picker, GreyOverlay* overlays, ErrorWindow* errors, OptionsWindow* options,
                       HelpWindow* help);

    const JobStore& store() const { return store_; }
    // Where the run log goes (the user's state folder for the program);
    // empty: no log is kept.
    void SetRunLogFolder(const std::filesystem::path& folder);
    // The selected row of LbDesignationAjout, if any.
    std::optional<std::size_t> SelectedRow() const;

    // RunHost
    DateTime Now() override;
    void ShowProcessing(bool visible) override;
    void ProcessPendingEvents() override;
    void RunStep(const std::string& sourceFolder, const LongStep& step) override;
    void ShowErrorList(const std::vector<ErrorEntry>& errors) override;
    void SetDueTimerEnabled(bool enabled) override;
    bool AskYesNo(Question question) override;
    void ShowRestoreProblems(const RestoreProblems& problems) override;

    // The commands of the window, as the buttons, the menu and the keys call them.
    void AddJob();
    void EditSelected();
    void DeleteSelected();
    void RunSelected();
    void RunAll();
    void RestoreSelected();
    // Shows the day and hour lists the chosen frequency needs.
    void ShowFrequencyControls();
    // Runs the jobs that are due (every minute, and at every show).
    void RunDuePass();
    // The first tick of TimerReduireProg: the stored window position, the
    // first-start defaults, and the minimise at start when it is asked for.
    void StartupMinimiseCheck();

    // The notification area: ImageReduire and the start-up check minimise to
    // it; a double click on the icon brings the window back as it was,
    // "Restaurer" shows it again (its show steps run), "Quitter" closes it.
    void MinimiseToTray();
    void RestoreFromTray(bool byMenu);
    TrayIcon& trayIcon() const { return *tray_; }
    // Where the move handle lies in the window: the part that must stay on a screen.
    QRect MoveHandleBounds() const;
    // The end of a drag on the move handle: the window's place goes to Vantorel.ini.
    void SaveWindowPosition();

signals:
    // The window was closed by the user: the program ends.
    void Closed();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Building the controls (main_window_controls.cpp).
    void BuildTitleBar();
    void BuildNewJobPanel(QWidget* outer);
    void BuildJobList(QWidget* outer);
    void BuildMenu();
    void ConnectCommands();

    // Every show: the day list, the job list, the due pass, then the start-up check.
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

    // The runs (main_window_runs.cpp): "Traitement en cours" with the step's
    // share done, the source folder's name under it, the same in the icon's tip.
    QString ProcessingText() const;
    // The room for "Traitement en cours" between OPTIONS and MODIFIER.
    static constexpr int kProcessingLeft = 124;
    static constexpr int kProcessingRight = 376;
    static void CentreBetweenButtons(QWidget* label);
    void ShowStepProgress();
    // After every call into the runner: `ran` when it was idle before the call.
    void AfterRun(bool ran);

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

    QLabel* imageDeplaceFenetre_ = nullptr;
    QLabel* imageLogo_ = nullptr;
    QLineEdit* edSource_ = nullptr;
    QLineEdit* edDestination_ = nullptr;
    SkinComboBox* cbDelaiSave_ = nullptr;
    SkinComboBox* cbJoursSemaine_ = nullptr;
    SkinComboBox* cbDateMois_ = nullptr;
    SkinComboBox* cbHeures_ = nullptr;
    QLabel* lbLe_ = nullptr;
    QLabel* lbA_ = nullptr;
    QLabel* lbTraitement_ = nullptr;
    QLabel* lbTraitementDossier_ = nullptr;
    QListWidget* lbDesignationAjout_ = nullptr;
    QMenu* popupMenuSave_ = nullptr;
    QTimer* timerLanceSave_ = nullptr;
    QTimer* timerReduireProg_ = nullptr;
    // Looks again, for a while, for a notification area that was missing.
    QTimer* trayRetry_ = nullptr;
    int trayRetriesLeft_ = 0;
    std::vector<QPointer<QWidget>> hiddenWithMe_;
    // The start-up check has run in this program run.
    bool startupCheckDone_ = false;
    // The window is being shown again without its show steps (double click on the icon).
    bool quietShow_ = false;

    // The step in progress: its folder's name, and the bytes its worker
    // thread reports, shown by progressTimer_.
    QString stepFolder_;
    std::atomic<std::uint64_t> stepDone_{0};
    std::atomic<std::uint64_t> stepTotal_{0};
    bool stepRunning_ = false;
    QTimer* progressTimer_ = nullptr;
    // The user closed the window during a run: it closes once the run is over.
    bool closeAfterRun_ = false;

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

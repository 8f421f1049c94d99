#pragma once

#include "ui/skinned_window.h"

// moc cannot parse the C++20 standard headers the core pulls in.
#ifndef Q_MOC_RUN
#include "options/program_options.h"
#endif

#include <QPointer>
#include <QRect>

#include <filesystem>

class QCheckBox;

namespace vantorel {

// The options window: start the program with the user's session (CbLance)
// and minimise it to the notification area at start (CbReduire). A click
// takes effect at once; FERMER and the close button only hide the window.
class OptionsWindow : public SkinnedWindow {
    Q_OBJECT

public:
    // settingsFolder holds Vantorel.ini; configHome is the user's configuration
    // folder, where the start-with-session entry goes; executable is what
    // that entry starts.
    OptionsWindow(std::filesystem::path settingsFolder, std::filesystem::path configHome,
                  std::filesystem::path executable);

    // The main window, which each showing puts back at its stored position;
    // `grip` is the part of it that must stay on a screen (its move handle).
    void SetMainWindow(QWidget* mainWindow, const QRect& grip);

    // What a click on each check box does, for the box's state as it is now.
    void ApplyStartWithSession();
    void ApplyMinimiseAtStart();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Every showing: the main window back at its stored place, the boxes as stored.
    void ShowStoredChoices();
    // Sets `box` to `checked`; a change runs `click` as a user's click would.
    void SyncBox(QCheckBox* box, bool checked, void (OptionsWindow::*click)());

    ProgramOptions options_;
    std::filesystem::path configHome_;
    std::filesystem::path executable_;
    QPointer<QWidget> mainWindow_;
    QRect mainGrip_;
    QCheckBox* startWithSessionBox_ = nullptr;
    QCheckBox* minimiseAtStartBox_ = nullptr;
};

} // namespace vantorel

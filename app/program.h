#pragma once

#include "app/main_window.h"

#include <filesystem>
#include <memory>
#include <vector>

namespace vantorel {

class ErrorWindow;
class FolderPicker;
class GreyOverlay;
class HelpWindow;
class OptionsWindow;

// The long-lived windows of the program, created hidden in a fixed order: the
// main window first (it is the application's main window), then the folder
// picker, the grey overlay manager, the error list, the options and the help.
class Program {
public:
    // settingsFolder holds the settings files (PrepareSettingsFolder);
    // configHome is the user's configuration folder (UserConfigFolder), empty
    // when there is none.
    Program(std::filesystem::path settingsFolder, std::filesystem::path configHome, MainWindow::Clock clock);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    MainWindow& mainWindow() const { return *main_; }
    // The six windows in the order they were created.
    std::vector<QWidget*> windows() const;

    // Starts the main window and runs the event loop until it is closed.
    int Run();

private:
    std::unique_ptr<MainWindow> main_;
    std::unique_ptr<FolderPicker> picker_;
    std::unique_ptr<GreyOverlay> overlays_;
    std::unique_ptr<ErrorWindow> errors_;
    std::unique_ptr<OptionsWindow> options_;
    std::unique_ptr<HelpWindow> help_;
};

} // namespace vantorel

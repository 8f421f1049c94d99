#pragma once

#include "app/main_window.h"

#include <QString>

#include <filesystem>
#include <memory>
#include <string>
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

// The current local wall-clock time, as the system clock gives it.
DateTime LocalNow();

// The user's configuration folder: $XDG_CONFIG_HOME when it is an absolute
// path, else $HOME/.config; empty when neither is known.
std::filesystem::path UserConfigFolder();

// The folder of the run log: $XDG_STATE_HOME/Vantorel when XDG_STATE_HOME is
// an absolute path, else $HOME/.local/state/Vantorel; empty when neither is known.
std::filesystem::path RunLogFolder();

// The folder of the settings files for the program in programFolder (see
// SettingsFolder), created when it is the user's own and missing yet. A folder
// that cannot be created is left to the first write, which says so.
std::filesystem::path PrepareSettingsFolder(const std::filesystem::path& programFolder,
                                            const std::filesystem::path& configHome);

// Natively, Wayland lets no program move its own windows, place the pointer or
// stack a translucent layer over another window: the drag handle, the stored
// position, the pointer on OUI and the grey layer need all of that. So in a
// Wayland session that also offers XWayland (DISPLAY is set), and unless the
// user chose a platform in QT_QPA_PLATFORM, the windows go through XWayland.
// Without XWayland, Qt's own choice stands (Wayland, with what it allows).
// Returns the platform chosen ("xcb"), or an empty string when the choice is
// left to Qt.
QString ChooseDisplayPlatform();

// The command line the application object is built from: the program's own
// arguments, with "-platform <platform>" after the program's name when a
// platform is given. An argument, unlike the environment, is not handed down
// to the programs this one opens (the browser showing the web site).
class CommandLine {
public:
    CommandLine(int argc, char** argv, const QString& platform);
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Both stay valid as long as this object, as the application object needs.
    int& count() { return count_; }
    char** values() { return pointers_.data(); }

private:
    std::vector<std::string> words_;
    std::vector<char*> pointers_;
    int count_ = 0;
};

} // namespace vantorel

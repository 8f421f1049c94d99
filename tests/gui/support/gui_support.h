#pragma once

#include "schedule/date_time.h"

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTemporaryDir>
#include <QWidget>

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantorel {
class MainWindow;
class Program;
} // namespace vantorel

namespace vantorel::test {

// A fresh temporary folder, as a path.
class GuiTempDir {
public:
    GuiTempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    QTemporaryDir dir_;
    std::filesystem::path path_;
};

void WriteTextFile(const std::filesystem::path& file, std::string_view content);
std::string ReadTextFile(const std::filesystem::path& file);

// A date-time that exists; aborts the test program otherwise.
DateTime At(int year, unsigned month, unsigned day, unsigned hour = 0, unsigned minute = 0);

// The program's windows on the settings in `folder` (the user's configuration
// folder below it), with a clock stopped at `now`; nothing is shown yet.
std::unique_ptr<Program> MakeProgram(const std::filesystem::path& folder, DateTime now = At(2026, 12, 8, 10, 0));

// The child of `window` with this object name; ends the test program when
// there is none, so a renamed control fails loudly.
template <typename T = QWidget> T* Child(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) {
        qFatal("no child %s", name);
    }
    return child;
}

// One job section of ListeSave.ini.
struct JobSection {
    JobSection(std::string source_, std::string destination_, std::string nextRun_ = "31/12/2099 01:00:00",
               std::string code_ = "4")
        : source(std::move(source_)), destination(std::move(destination_)), nextRun(std::move(nextRun_)),
          code(std::move(code_)) {}
    std::string source;
    std::string destination;
    std::string nextRun;
    std::string code; // daily at 01h00 unless told otherwise
};
// The text of a ListeSave.ini holding these jobs, in order, with references
// 1, 2, ...
std::string ListeSaveText(const std::vector<JobSection>& jobs);

// Sends a mouse move over `widget` at `at`, with `held` buttons down.
void SendMouseMove(QWidget* widget, QPoint at, Qt::MouseButtons held = Qt::NoButton);

// Starts the main window as the program does and lets the runs it starts
// (the first due pass) finish.
void ShowMainWindow(MainWindow& window);
// Handles the window's events until no run is in progress or waiting; fails
// the test after a long while.
void FinishRuns(const MainWindow& window);

} // namespace vantorel::test

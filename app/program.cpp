#include "app/program.h"

#include "platform/settings_folder.h"
#include "ui/error_window.h"
#include "ui/folder_picker.h"
#include "ui/grey_overlay.h"
#include "ui/help_window.h"
#include "ui/options_window.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>

#include <system_error>

namespace vantorel {

Program::Program(std::filesystem::path settingsFolder, std::filesystem::path configHome, MainWindow::Clock clock) {
    // The program ends when its main window is closed, and only then: the
    // window hidden in the notification area, closing the error list or the
    // options must not end it (and its backups).
    QApplication::setQuitOnLastWindowClosed(false);
    main_ = std::make_unique<MainWindow>(settingsFolder, configHome, std::move(clock));
    picker_ = std::make_unique<FolderPicker>();
    overlays_ = std::make_unique<GreyOverlay>();
    errors_ = std::make_unique<ErrorWindow>();
    options_ = std::make_unique<OptionsWindow>(std::move(settingsFolder), std::move(configHome),
                                               QCoreApplication::applicationFilePath().toStdString());
    options_->SetMainWindow(main_.get(), main_->MoveHandleBounds());
    help_ = std::make_unique<HelpWindow>();
    main_->AttachWindows(picker_.get(), overlays_.get(), errors_.get(), options_.get(), help_.get());
    // Closing the main window ends the program, even with the error list open.
    QObject::connect(main_.get(), &MainWindow::Closed, QCoreApplication::instance(), &QCoreApplication::quit,
                     Qt::QueuedConnection);
}

Program::~Program() {
    // The main window goes first: it refers to the others.
    main_.reset();
}

std::vector<QWidget*> Program::windows() const {
    return {main_.get(), picker_.get(), overlays_.get(), errors_.get(), options_.get(), help_.get()};
}

int Program::Run() {
    main_->Start();
    return QApplication::exec();
}

DateTime LocalNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate date = now.date();
    const QTime time = now.time();
    const std::optional<DateTime> value =
        DateTime::FromParts(date.year(), static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                            static_cast<unsigned>(time.hour()), static_cast<unsigned>(time.minute()),
                            static_cast<unsigned>(time.second()), static_cast<unsigned>(time.msec()));
    // The system clock always gives an existing day.
    return value.value_or(DateTime());
}

std::filesystem::path UserConfigFolder() {
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return xdg.toStdString();
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        return {};
    }
    return std::filesystem::path(home.toStdString()) / ".config";
}

std::filesystem::path RunLogFolder() {
    const QString xdg = qEnvironmentVariable("XDG_STATE_HOME");
    if (!xdg.isEmpty() && QDir::isAbsolutePath(xdg)) {
        return std::filesystem::path(xdg.toStdString()) / "Vantorel";
    }
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty()) {
        return {};
    }
    return std::filesystem::path(home.toStdString()) / ".local" / "state" / "Vantorel";
}

std::filesystem::path PrepareSettingsFolder(const std::filesystem::path& programFolder,
                                            const std::filesystem::path& configHome) {
    const std::filesystem::path folder = SettingsFolder(programFolder, configHome, CanWriteIn(programFolder));
    if (folder != programFolder) {
        std::error_code ignored; // a folder left missing makes the first write fail, which is reported
        std::filesystem::create_directories(folder, ignored);
    }
    return folder;
}

QString ChooseDisplayPlatform() {
    const bool chosen = !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
                         qEnvironmentVariable("XDG_SESSION_TYPE") == QLatin1String("wayland");
    const bool xwayland = !qEnvironmentVariableIsEmpty("DISPLAY");
    if (chosen || !wayland || !xwayland) {
        return {};
    }
    return QStringLiteral("xcb");
}

CommandLine::CommandLine(int argc, char** argv, const QString& platform) {
    for (int i = 0; i < argc; ++i) {
        words_.emplace_back(argv[i]);
        if (i == 0 && !platform.isEmpty()) {
            words_.emplace_back("-platform");
            words_.push_back(platform.toStdString());
        }
    }
    for (std::string& word : words_) {
        pointers_.push_back(word.data());
    }
    count_ = static_cast<int>(pointers_.size());
    pointers_.push_back(nullptr);
}

} // namespace vantorel

#include "app/program.h"

#include "ui/error_window.h"
#include "ui/folder_picker.h"
#include "ui/grey_overlay.h"
#include "ui/help_window.h"
#include "ui/options_window.h"

#include <QApplication>

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

} // namespace vantorel

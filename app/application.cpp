#include "app/application.h"

#include "platform/errors.h"
#include "ui/texts.h"

#include <QMessageBox>

#include <exception>

namespace vantorel {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const Error& error) {
        ShowFailure(activeWindow(), error);
    } catch (const std::exception& error) {
        // Not one of the failures the program words: show what is known of it.
        QMessageBox::critical(activeWindow(), QStringLiteral("Vantorel"), QString::fromLocal8Bit(error.what()));
    }
    return false;
}

} // namespace vantorel

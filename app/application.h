#pragma once

#include <QApplication>

namespace vantorel {

// The application object, with the program's top-level error display: a
// failure that escapes an event handler is shown in a message box instead of
// ending the program (and its timer, and the backups it runs).
class Application : public QApplication {
public:
    Application(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};

} // namespace vantorel

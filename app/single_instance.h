#pragma once

#include <QObject>
#include <QString>

#include <filesystem>

class QLocalServer;

namespace vantorel {

// One program per job list. The first start on a settings folder holds a lock
// file in that folder and listens for later starts; a later start finds the
// lock taken, asks the running program to come to the front and ends. The
// lock goes with the program however it ends.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    explicit SingleInstance(const std::filesystem::path& settingsFolder);
    ~SingleInstance() override;

    // True when this start holds the lock and runs the jobs.
    bool IsFirst() const { return first_; }
    // A later start: asks the running program to show its main window.
    void AskFirstToShow() const;

signals:
    // A later start on the same job list asked for the main window.
    void ShowRequested();

private:
    QString name_;
    int lockFd_ = -1; // the open lock file, locked; -1 when none could be made
    QLocalServer* server_ = nullptr;
    bool first_ = false;
};

} // namespace vantorel

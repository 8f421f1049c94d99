#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

#include <unistd.h>

namespace vantorel {

namespace {

constexpr int kConnectTimeoutMs = 2000;

// The lock file's name inside the settings folder.
constexpr auto kLockFileName = "Vantorel.lock";

QString CanonicalFolder(const std::filesystem::path& settingsFolder) {
    const QString folder = QString::fromStdString(settingsFolder.string());
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    return canonical.isEmpty() ? folder : canonical;
}

// The name of the request socket, and of the lock where the settings folder
// cannot hold it: the settings folder's canonical path (two spellings of one
// folder are one job list) and the user.
QString InstanceName(const std::filesystem::path& settingsFolder) {
    const QByteArray hash =
        QCryptographicHash::hash(CanonicalFolder(settingsFolder).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("vantorel-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash.toHex().left(16)));
}

// Where the lock may live, best first. The settings folder itself: every
// start on this job list finds it there, whatever its environment says (two
// starts with different temporary folders both ran the list when the lock
// lived in the temporary folder). Where that folder refuses new files, the
// user's runtime folder, then the temporary folder, under the instance name.
QStringList LockPlaces(const std::filesystem::path& settingsFolder, const QString& name) {
    QStringList places{QDir(CanonicalFolder(settingsFolder)).filePath(QString::fromLatin1(kLockFileName))};
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (QDir::isAbsolutePath(runtime)) {
        places.append(QDir(runtime).filePath(name + QStringLiteral(".lock")));
    }
    places.append(QDir::temp().filePath(name + QStringLiteral(".lock")));
    return places;
}

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settingsFolder) : name_(InstanceName(settingsFolder)) {
    for (const QString& place : LockPlaces(settingsFolder, name_)) {
        auto lock = std::make_unique<QLockFile>(place);
        // No age makes a lock stale: only a holder that is gone does.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            lock_ = std::move(lock);
            break;
        }
        if (lock->error() == QLockFile::LockFailedError) {
            return; // another program holds it: this start runs nothing
        }
        // This place cannot hold a lock file at all: try the next.
    }
    // A lock that cannot be made anywhere must not stop the backups.
    first_ = true;
    server_ = new QLocalServer(this);
    // In the abstract namespace, the name is found by every start of this
    // user on this job list, whatever its temporary folder, and no socket
    // file outlives a crashed program. Anyone may connect, which only brings
    // the window up.
    server_->setSocketOptions(QLocalServer::AbstractNamespaceOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            socket->deleteLater(); // a connection is the whole request
            emit ShowRequested();
        }
    });
    // Should listening fail, later starts end without bringing the window
    // up; they still run nothing, which is what matters.
    static_cast<void>(server_->listen(name_));
}

SingleInstance::~SingleInstance() = default;

void SingleInstance::AskFirstToShow() const {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name_);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.disconnectFromServer();
    }
}

} // namespace vantorel

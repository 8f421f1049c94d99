#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace vantorel {

namespace {

constexpr int kConnectTimeoutMs = 2000;

// The name of the lock and of the socket: the settings folder's canonical
// path (two spellings of one folder are one job list) and the user, since
// the socket lives in a folder every user shares.
QString InstanceName(const std::filesystem::path& settingsFolder) {
    const QString folder = QString::fromStdString(settingsFolder.string());
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    const QByteArray hash =
        QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("vantorel-%1-%2").arg(getuid()).arg(QString::fromLatin1(hash.toHex().left(16)));
}

} // namespace

SingleInstance::SingleInstance(const std::filesystem::path& settingsFolder) : name_(InstanceName(settingsFolder)) {
    lock_ = std::make_unique<QLockFile>(QDir::temp().filePath(name_ + QStringLiteral(".lock")));
    // No age makes a lock stale: only a holder that is gone does.
    lock_->setStaleLockTime(0);
    first_ = lock_->tryLock(0);
    if (!first_) {
        // Only a lock another program holds keeps this start from running: a
        // lock that cannot be made at all (no writable temporary folder) must
        // not stop the backups.
        first_ = lock_->error() != QLockFile::LockFailedError;
        return;
    }
    server_ = new QLocalServer(this);
    QLocalServer::removeServer(name_); // a socket a crashed program left
    server_->setSocketOptions(QLocalServer::UserAccessOption);
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
    socket.connectToServer(name_);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.disconnectFromServer();
    }
}

} // namespace vantorel

#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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
        // A lock the system holds for the open file: it goes with the program,
        // however that ends, so no lock file is ever stale (a portable program
        // on a stick killed on one machine still starts on the next). The
        // empty file stays.
        const int fd = ::open(QFile::encodeName(place).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            continue; // this place refuses the file: try the next
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            lockFd_ = fd;
            break;
        }
        const int failure = errno;
        ::close(fd);
        if (failure == EWOULDBLOCK) {
            return; // another program holds it: this start runs nothing
        }
        // A file system without locks: try the next place.
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

SingleInstance::~SingleInstance() {
    if (lockFd_ >= 0) {
        ::close(lockFd_); // releases the lock
    }
}

void SingleInstance::AskFirstToShow() const {
    QLocalSocket socket;
    socket.setSocketOptions(QLocalSocket::AbstractNamespaceOption);
    socket.connectToServer(name_);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.disconnectFromServer();
    }
}

} // namespace vantorel

#include "platform/single_instance.h"

#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "platform/trace.h"

namespace talvik::platform {

namespace {

constexpr char kShowRequest[] = "show\n";
constexpr char kShowAck[] = "ok\n";
constexpr int kConnectTimeoutMs = 1000;
// The first copy may still be starting when the second connects.
constexpr int kConnectAttempts = 5;

QString SafeName(const QString& name) {
    QString safe;
    for (const QChar c : name) {
        safe += c.isLetterOrNumber() ? c.toLower() : QLatin1Char('-');
    }
    return safe;
}

// The lock and socket paths without their suffixes.
QString BasePath(const QString& name, const QString& runtime_dir) {
    QString dir = runtime_dir;
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + SafeName(name) + QStringLiteral("-%1").arg(getuid());
}

}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& runtime_dir) {
    const QString base = BasePath(name, runtime_dir);
    lock_path_ = base + QStringLiteral(".lock");
    server_name_ = base + QStringLiteral(".sock");
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server_, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
}

SingleInstance::~SingleInstance() {
    server_.close();
    if (lock_) {
        lock_->unlock();
    }
}

SingleInstance::Role SingleInstance::Acquire() {
    lock_ = std::make_unique<QLockFile>(lock_path_);
    lock_->setStaleLockTime(0);  // only a dead owner makes the lock stale
    if (lock_->tryLock(0)) {
        QLocalServer::removeServer(server_name_);  // left by a copy that crashed
        if (!server_.listen(server_name_)) {
            Trace("single instance: cannot listen: %s", qPrintable(server_.errorString()));
        }
        return Role::kPrimary;
    }
    if (lock_->error() != QLockFile::LockFailedError) {
        Trace("single instance: cannot use %s", qPrintable(lock_path_));
        lock_.reset();
        return Role::kFailed;
    }
    lock_.reset();
    NotifyPrimary();
    return Role::kSecondary;
}

bool SingleInstance::IsRunning(const QString& name, const QString& runtime_dir) {
    const QString base = BasePath(name, runtime_dir);
    // A plain connect: the tool has no event loop. The running copy drops a connection that
    // asks nothing.
    const QByteArray socket_path = QFile::encodeName(base + QStringLiteral(".sock"));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(socket_path.size()) < sizeof address.sun_path) {
        std::memcpy(address.sun_path, socket_path.constData(),
                    static_cast<std::size_t>(socket_path.size()));
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd >= 0) {
            const bool answered =
                ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
            ::close(fd);
            if (answered) {
                return true;
            }
        }
    }
    // A copy that took the lock may not listen yet; a lock whose owner is gone is stale.
    QLockFile lock(base + QStringLiteral(".lock"));
    qint64 pid = 0;
    QString host;
    QString app;
    if (!lock.getLockInfo(&pid, &host, &app) || pid <= 0 || pid == getpid()) {
        return false;
    }
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool SingleInstance::NotifyPrimary() {
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(server_name_);
        if (!socket.waitForConnected(kConnectTimeoutMs)) {
            QThread::msleep(100);
            continue;
        }
        socket.write(kShowRequest);
        socket.waitForBytesWritten(kConnectTimeoutMs);
        // Wait until the running copy has acted, like a synchronous window message.
        socket.waitForReadyRead(kConnectTimeoutMs);
        return true;
    }
    return false;
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine()) {
                if (socket->bytesAvailable() > 64) {
                    socket->abort();  // not one of ours
                }
                return;
            }
            const QByteArray line = socket->readLine(64);
            if (line == kShowRequest) {
                emit ShowRequested();
                socket->write(kShowAck);
                socket->flush();
            }
            socket->disconnectFromServer();
        });
    }
}

}  // namespace talvik::platform

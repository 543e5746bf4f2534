#include "platform/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

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

}  // namespace

SingleInstance::SingleInstance(const QString& name, const QString& runtime_dir) {
    QString dir = runtime_dir;
    if (dir.isEmpty()) {
        dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    }
    if (dir.isEmpty()) {
        dir = QDir::tempPath();
    }
    QDir().mkpath(dir);
    const QString base = SafeName(name) + QStringLiteral("-%1").arg(getuid());
    lock_path_ = dir + QLatin1Char('/') + base + QStringLiteral(".lock");
    server_name_ = dir + QLatin1Char('/') + base + QStringLiteral(".sock");
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

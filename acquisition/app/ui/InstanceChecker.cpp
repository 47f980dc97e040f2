#include "acquisition/app/ui/InstanceChecker.h"

#include <QCryptographicHash>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>

namespace zarn::ui {
namespace {

constexpr int ConnectMs = 2000;
const QByteArray ActivateRequest = "activate\n";

} // namespace

CInstanceChecker::CInstanceChecker(const QString& folder, QObject* parent) : QObject(parent) {
    const QString canonical = QDir(folder).absolutePath();
    QDir().mkpath(canonical);
    // One name per settings folder, short enough for a socket path.
    serverName_ =
        QStringLiteral("zarn-") +
        QString::fromLatin1(QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1)
                                .toHex()
                                .left(16));
    lock_ = std::make_unique<QLockFile>(canonical + QStringLiteral("/zarn.lock"));
    // Never stale by age: only a lock whose process is gone is taken over.
    lock_->setStaleLockTime(0);
}

CInstanceChecker::~CInstanceChecker() {
    if (server_ != nullptr)
        server_->close();
    if (lock_)
        lock_->unlock();
}

bool CInstanceChecker::PreviousInstanceRunning() {
    // The lock records its owner's process: tryLock takes over a lock whose process is gone.
    return !lock_->tryLock(0);
}

bool CInstanceChecker::ActivatePreviousInstance() {
    QLocalSocket socket;
    socket.connectToServer(serverName_);
    if (!socket.waitForConnected(ConnectMs))
        return false;
    socket.write(ActivateRequest);
    const bool written = socket.waitForBytesWritten(ConnectMs);
    socket.disconnectFromServer();
    return written;
}

bool CInstanceChecker::TrackFirstInstance(std::function<void()> activate) {
    activate_ = std::move(activate);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    // A socket left by a program that was killed would refuse the name.
    QLocalServer::removeServer(serverName_);
    if (!server_->listen(serverName_))
        return false;
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->readAll().startsWith(ActivateRequest.trimmed()) && activate_)
                    activate_();
            });
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
    return true;
}

} // namespace zarn::ui

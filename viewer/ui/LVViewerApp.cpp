#include "viewer/ui/LVViewerApp.h"

#include "viewer/ViewerPreferences.h"
#include "viewer/ui/AboutDlg.h"
#include "viewer/ui/MainFrame.h"
#include "viewer/ui/ViewerMessages.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QScreen>
#include <QThread>
#include <QTimer>

#include <unistd.h>

namespace lvviewer::ui {

CLVViewerApp::CLVViewerApp(zarn::SettingsStore& store, QString folder, QString instance)
    : store_(store), instance_(std::move(instance)),
      lock_(QDir(folder).filePath(instance_ + ".lock")) {}

CLVViewerApp::~CLVViewerApp() = default;

QString CLVViewerApp::defaultInstance() {
    return QString("LVViewer-%1").arg(::getuid());
}

bool CLVViewerApp::forwardToRunning(const QString& instance, const QString& file) {
    QLocalSocket socket;
    socket.connectToServer(instance);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(file.toUtf8());
    socket.flush();
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(1000);
    return true;
}

CLVViewerApp::Start CLVViewerApp::InitInstance(const QString& file) {
    // The file as the running viewer will find it, whatever its working folder.
    const QString absolute = file.isEmpty() ? file : QDir::current().absoluteFilePath(file);
    if (!lock_.tryLock(100)) {
        // Another viewer holds the lock; when it does not answer it died without unlocking.
        if (forwardToRunning(instance_, absolute))
            return Start::Forwarded;
        lock_.removeStaleLockFile();
        if (!lock_.tryLock(100))
            return Start::Failed;
    }
    server_ = new QLocalServer(this);
    QLocalServer::removeServer(instance_);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(instance_);
    connect(server_, &QLocalServer::newConnection, this, &CLVViewerApp::receive);

    // 24 bits a pixel are true colour as well (the common depth of Linux screens).
    if (const QScreen* screen = QGuiApplication::primaryScreen(); screen && screen->depth() < 24) {
        showViewerMessage(nullptr,
                          "The screen display must be in True Color mode. (32 bits per pixel)",
                          "DISPLAY ERROR");
        return Start::Failed;
    }
    if (!store_.writeString(PreferencesKey, "SetDepthUnit",
                            std::to_string(readPreferences(store_).setDepthUnit))) {
        QThread::msleep(500);
        showViewerMessage(nullptr, "Could not Write to Windows Register Data Base",
                          "REGISTER ERROR");
        return Start::Failed;
    }
    frame_ = std::make_unique<CMainFrame>(store_);
    frame_->setWindowIcon(viewerIcon());
    frame_->show();
    if (!absolute.isEmpty())
        QTimer::singleShot(100, frame_.get(), [this, absolute] { frame_->openFile(absolute); });
    return Start::First;
}

void CLVViewerApp::receive() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The whole path arrives before the other end disconnects.
        connect(socket, &QLocalSocket::readChannelFinished, this, [this, socket] {
            const QString file = QString::fromUtf8(socket->readAll());
            if (frame_) {
                // The acquisition program may have changed the unit before starting us.
                frame_->rereadUnit();
                frame_->showNormal();
                frame_->raise();
                frame_->activateWindow();
                if (!file.isEmpty())
                    frame_->openFile(file);
            }
            Q_EMIT fileReceived(file);
        });
    }
}

} // namespace lvviewer::ui

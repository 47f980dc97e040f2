// The application: one running viewer per user (a lock file says which; a second start hands
// the file on its command line to the running one through a local socket and ends), the
// screen and settings checks, the main window, and the file of the command line opened 100 ms
// after the window shows.
#pragma once

#include "platform/SettingsStore.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

namespace lvviewer::ui {

class CMainFrame;

class CLVViewerApp : public QObject {
    Q_OBJECT
public:
    enum class Start {
        First,     // this one runs the viewer
        Forwarded, // another viewer runs and was given the file
        Failed,    // a check failed (and said so)
    };

    // instance: the name of the lock file (in folder) and of the socket.
    CLVViewerApp(zarn::SettingsStore& store, QString folder, QString instance);
    ~CLVViewerApp() override;

    // The start-up: the single instance, the screen's colours, the settings store, the window.
    Start InitInstance(const QString& file);
    CMainFrame* frame() const { return frame_.get(); }

    // Hands a file to the viewer that listens under the name; false when none answers.
    static bool forwardToRunning(const QString& instance, const QString& file);
    // The instance name of this user's viewer.
    static QString defaultInstance();

Q_SIGNALS:
    void fileReceived(const QString& file);

private:
    void receive();

    zarn::SettingsStore& store_;
    QString instance_;
    QLockFile lock_;
    QLocalServer* server_ = nullptr;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace lvviewer::ui

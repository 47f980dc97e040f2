// Only one copy of the acquisition program runs for one settings folder. The first holds a lock
// file there and listens on a local socket; a second start finds the lock held, asks the first
// to come to the front, and ends. A lock left by a program that was killed or lost its power is
// taken over: the lock records its owner's process, and a lock whose process is gone is stale.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QLocalServer;
class QLockFile;

namespace zarn::ui {

class CInstanceChecker final : public QObject {
    Q_OBJECT
public:
    // folder: the settings folder the lock and the socket's name belong to.
    explicit CInstanceChecker(const QString& folder, QObject* parent = nullptr);
    ~CInstanceChecker() override;

    // True when another running program holds the lock (a stale lock is taken over instead).
    bool PreviousInstanceRunning();
    // Asks the running program to bring its window to the front; true when it answered.
    bool ActivatePreviousInstance();
    // Listens for later starts; activate runs on the window thread for each of them.
    bool TrackFirstInstance(std::function<void()> activate);

    QString serverName() const { return serverName_; }

private:
    QString serverName_;
    std::unique_ptr<QLockFile> lock_;
    QLocalServer* server_ = nullptr;
    std::function<void()> activate_;
};

} // namespace zarn::ui

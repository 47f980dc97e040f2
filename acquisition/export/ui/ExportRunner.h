// The export dialogs' long work on a thread of its own: the dialog stays live (only its Cancel
// is), a timer on the window thread copies the work's stage into the status line and its
// fraction into the progress bar, and finished() is signalled on the window thread once the
// work has returned and its thread is joined.
#pragma once

#include "platform/BackgroundTask.h"

#include <QObject>
#include <QTimer>

#include <functional>

class QLabel;
class QProgressBar;

namespace zarn::ui {

class ExportRunner final : public QObject {
    Q_OBJECT
public:
    ExportRunner(QLabel* status, QProgressBar* bar, QObject* parent);
    ~ExportRunner() override;

    // Starts work(progress) unless work runs already.
    bool start(std::function<void(Progress&)> work);
    bool running() const { return task_.running(); }
    void cancel() { task_.cancel(); }
    // Cancels and waits for the work (a dialog that closes); finished() is still signalled.
    void cancelAndWait();

Q_SIGNALS:
    void finished();

private:
    void poll();

    BackgroundTask task_;
    QTimer timer_;
    QLabel* status_;
    QProgressBar* bar_;
};

} // namespace zarn::ui

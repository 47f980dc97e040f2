// The thread that owns the windows. Workers never call into Qt: they leave their work in a
// GuiInbox (a plain locked queue), which a timer of the window thread empties, so every hand-over
// between the threads is one the project's own locks order.
#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

class QTimer;

namespace zarn::ui {

// True on the thread that owns the windows.
bool onGuiThread();

// Work for the window thread. Made on the window thread; any thread may post; the work runs on
// the window thread within a few milliseconds, in the order posted. Work still waiting when the
// inbox is destroyed is dropped.
class GuiInbox final : public QObject {
    Q_OBJECT
public:
    explicit GuiInbox(QObject* parent = nullptr, int periodMs = 10);
    void post(std::function<void()> work);
    // Runs what waits now (the window thread).
    void runPending();

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> work_;
    QTimer* timer_;
};

} // namespace zarn::ui
